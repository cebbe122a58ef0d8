#include "host/ModuleRegistration.h"

#include <pelmora/dxcontext.h>

#include "host/GuidText.h"
#include "host/RegistryScript.h"
#include "host/TypeLibrary.h"

namespace pelmora {

namespace {

constexpr RegistryScriptRow kClassRows[] = {
    {"DXContext.DXContext", KeyRule::Plain, "", "Torvel DXContext Class"},
    {"DXContext.DXContext\\CLSID", KeyRule::Plain, "", "%CLSID%"},
    {"DXContext.DXContext\\CurVer", KeyRule::Plain, "", "DXContext.DXContext"},
    {"CLSID", KeyRule::NoRemove, nullptr, nullptr},
    {"CLSID\\%CLSID%", KeyRule::ForceRemove, "", "Torvel DXContext Class"},
    {"CLSID\\%CLSID%\\ProgID", KeyRule::Plain, "", "DXContext.DXContext"},
    {"CLSID\\%CLSID%\\VersionIndependentProgID", KeyRule::Plain, "", "DXContext.DXContext"},
    {"CLSID\\%CLSID%\\Programmable", KeyRule::ForceRemove, nullptr, nullptr},
    {"CLSID\\%CLSID%\\InprocServer32", KeyRule::Plain, "", "%MODULE%"},
    {"CLSID\\%CLSID%\\InprocServer32", KeyRule::Plain, "ThreadingModel", "Apartment"},
    {"CLSID\\%CLSID%\\TypeLib", KeyRule::Plain, "", "%LIBID%"},
};

RegistryScript classScript(const std::string& modulePath) {
    return RegistryScript(kClassRows, {{"CLSID", guidText(CLSID_DXContext)},
                                       {"LIBID", guidText(LIBID_PELMORALib)},
                                       {"MODULE", modulePath}});
}

}  // namespace

// DXContext belongs to no component category, so that step of registration
// has nothing to write.
HRESULT registerModule(const std::string& modulePath) {
    const HRESULT status = classScript(modulePath).registerRows(HKEY_CLASSES_ROOT);
    if (FAILED(status)) return status;
    return registerTypeLibrary(modulePath);
}

void unregisterModule() {
    // Only keys and value names are needed to remove what was written.
    classScript(std::string()).unregisterRows(HKEY_CLASSES_ROOT);
}

}  // namespace pelmora
