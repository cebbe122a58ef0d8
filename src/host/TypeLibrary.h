// The type library of the module, kept as data: the platform's type-library
// loader has no counterpart here, so nothing is compiled into a binary
// library; what a caller could learn from one is registered under
// HKEY_CLASSES_ROOT and late-bound calls go through the context's dispatch
// table.
#pragma once

#include <pelmora/dxcontext.h>

#include <string>

namespace pelmora {

struct TypeLibraryDescription {
    const char* name;
    GUID libid;
    WORD majorVersion;
    WORD minorVersion;
    LCID locale;
    const char* helpString;
    const char* coclassName;
    const char* coclassDoc;
    const char* interfaceName;
    const char* interfaceDoc;
    const char* enumerations[2];
};

inline constexpr TypeLibraryDescription kPelmoraTypeLibrary = {
    "PELMORALib",
    LIBID_PELMORALib,
    1,
    0,
    1033,
    "Torvel Pelmora 1.0 Type Library",
    "DXContext",
    "Torvel DXContext",
    "IDXContext",
    "Torvel IDXContext Interface",
    {"PreloadedTextureIDs", "SolidMeshDrawFlags"},
};

// The help string the library gives an IDXContext operation: "method "
// and its name, with the few older wordings it has kept. Empty for a name
// that is not an operation.
std::string operationHelpString(const char* operation);

// Registers the library as the platform's type-library registration does:
// the library under TypeLib\{LIBID}\<version> with its file and help folder,
// and its dual interface under Interface\{IID}. Returns the first failing
// registry status.
HRESULT registerTypeLibrary(const std::string& modulePath);

}  // namespace pelmora
