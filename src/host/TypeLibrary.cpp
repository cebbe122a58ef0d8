#include "host/TypeLibrary.h"

#include "host/GuidText.h"
#include "host/ModulePath.h"
#include "host/RegistryScript.h"

#include <cstdio>
#include <cstring>

namespace pelmora {

namespace {

struct RenamedHelp {
    const char* operation;
    const char* helpString;
};

constexpr RenamedHelp kRenamedHelp[] = {
    {"frameSetWriteZValues", "method setFrameWriteZValues"},
    {"frameSetWriteColorValues", "method setFrameWriteColorValues"},
    {"resetViewport", "method resetViewport clears cached execute buffers"},
};

// The marshaller of automation-compatible interfaces.
constexpr GUID kAutomationProxyStub = {
    0x00020424, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// No platform of the file-type keys fits a Linux shared object; this names it.
constexpr const char* kPlatformKey = "linux64";

constexpr RegistryScriptRow kTypeLibraryRows[] = {
    {"TypeLib\\%LIBID%\\%VERSION%", KeyRule::Plain, "", "%HELPSTRING%"},
    {"TypeLib\\%LIBID%\\%VERSION%\\FLAGS", KeyRule::Plain, "", "0"},
    {"TypeLib\\%LIBID%\\%VERSION%\\%LCID%\\%PLATFORM%", KeyRule::Plain, "", "%MODULE%"},
    {"TypeLib\\%LIBID%\\%VERSION%\\HELPDIR", KeyRule::Plain, "", "%MODULEFOLDER%"},
    {"Interface\\%IID%", KeyRule::Plain, "", "%INTERFACE%"},
    {"Interface\\%IID%\\ProxyStubClsid32", KeyRule::Plain, "", "%PROXYSTUB%"},
    {"Interface\\%IID%\\ProxyStubClsid", KeyRule::Plain, "", "%PROXYSTUB%"},
    {"Interface\\%IID%\\TypeLib", KeyRule::Plain, "", "%LIBID%"},
    {"Interface\\%IID%\\TypeLib", KeyRule::Plain, "Version", "%VERSION%"},
};

std::string versionText(const TypeLibraryDescription& library) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u", unsigned(library.majorVersion),
                  unsigned(library.minorVersion));
    return text;
}

// Locale keys are spelt in hexadecimal: 1033 is "409".
std::string localeText(LCID locale) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", unsigned(locale));
    return text;
}

}  // namespace

std::string operationHelpString(const char* operation) {
    for (const RenamedHelp& renamed : kRenamedHelp)
        if (std::strcmp(renamed.operation, operation) == 0) return renamed.helpString;
    for (const DXContextDispatchEntry& entry : kDXContextDispatchTable)
        if (std::strcmp(entry.name, operation) == 0) return std::string("method ") + operation;
    return {};
}

HRESULT registerTypeLibrary(const std::string& modulePath) {
    const TypeLibraryDescription& library = kPelmoraTypeLibrary;
    const RegistryScript script(kTypeLibraryRows, {{"LIBID", guidText(library.libid)},
                                                   {"IID", guidText(IID_IDXContext)},
                                                   {"VERSION", versionText(library)},
                                                   {"LCID", localeText(library.locale)},
                                                   {"PLATFORM", kPlatformKey},
                                                   {"HELPSTRING", library.helpString},
                                                   {"INTERFACE", library.interfaceName},
                                                   {"PROXYSTUB", guidText(kAutomationProxyStub)},
                                                   {"MODULE", modulePath},
                                                   {"MODULEFOLDER", folderOf(modulePath)}});
    return script.registerRows(HKEY_CLASSES_ROOT);
}

}  // namespace pelmora
