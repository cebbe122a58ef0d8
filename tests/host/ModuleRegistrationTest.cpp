// DllRegisterServer and DllUnregisterServer against a registry of the test's
// own: the keys written, what unregistration leaves, and a registry that
// cannot be written.
#include <pelmora/dxcontext.h>
#include <pelmora/host.h>

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

const std::string kClassKey = "CLSID\\{5E71A0C1-4C2D-4F19-8B6A-2D9E4F1C7A35}";
const std::string kLibraryKey = "TypeLib\\{5E71A0B3-4C2D-4F19-8B6A-2D9E4F1C7A35}\\1.0";
const std::string kInterfaceKey = "Interface\\{5E71A0C0-4C2D-4F19-8B6A-2D9E4F1C7A35}";
constexpr const char* kLibraryId = "{5E71A0B3-4C2D-4F19-8B6A-2D9E4F1C7A35}";
constexpr const char* kProgId = "DXContext.DXContext";

bool keyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A string value under HKEY_CLASSES_ROOT; nothing when the key or value is missing.
std::optional<std::string> stringValue(const std::string& path, const char* name = "") {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char data[1024] = {};
    DWORD size = sizeof data, type = REG_NONE;
    const LSTATUS status =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::string(data);
}

void createKey(const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

class ModuleRegistration : public ::testing::Test {
protected:
    pelmora::test::ScopedRegistry registry;
};

TEST_F(ModuleRegistration, WritesTheClassAndTypeLibraryKeys) {
    createKey(kClassKey + "\\Stale\\Deeper");  // replaced whole
    ASSERT_EQ(DllRegisterServer(), S_OK);
    // Linked into this test program, the engine's module is the program.
    const std::string module = stringValue(kClassKey + "\\InprocServer32").value_or("");
    EXPECT_TRUE(std::filesystem::equivalent(module, "/proc/self/exe")) << module;
    const struct {
        std::string key;
        const char* name;
        std::string data;
    } expected[] = {
        {kProgId, "", "Torvel DXContext Class"},
        {std::string(kProgId) + "\\CLSID", "", "{5E71A0C1-4C2D-4F19-8B6A-2D9E4F1C7A35}"},
        {std::string(kProgId) + "\\CurVer", "", kProgId},
        {kClassKey, "", "Torvel DXContext Class"},
        {kClassKey + "\\ProgID", "", kProgId},
        {kClassKey + "\\VersionIndependentProgID", "", kProgId},
        {kClassKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {kClassKey + "\\TypeLib", "", kLibraryId},
        {kLibraryKey, "", "Torvel Pelmora 1.0 Type Library"},
        {kLibraryKey + "\\409\\linux64", "", module},
        {kLibraryKey + "\\HELPDIR", "", std::filesystem::path(module).parent_path().string()},
        {kInterfaceKey, "", "IDXContext"},
        {kInterfaceKey + "\\TypeLib", "", kLibraryId},
        {kInterfaceKey + "\\TypeLib", "Version", "1.0"},
    };
    for (const auto& row : expected)
        EXPECT_EQ(stringValue(row.key, row.name), row.data) << row.key << " " << row.name;
    EXPECT_TRUE(keyExists(kClassKey + "\\Programmable"));
    EXPECT_FALSE(keyExists(kClassKey + "\\Stale"));
}

TEST_F(ModuleRegistration, UnregisteringLeavesTheClsidKeyTheTypeLibraryAndForeignKeys) {
    const std::string otherClass = "CLSID\\{00000000-1111-2222-3333-444444444444}";
    createKey(otherClass);
    ASSERT_EQ(DllRegisterServer(), S_OK);
    createKey(std::string(kProgId) + "\\Shell");
    EXPECT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_FALSE(keyExists(kClassKey));
    EXPECT_TRUE(keyExists("CLSID"));
    EXPECT_TRUE(keyExists(otherClass));
    EXPECT_EQ(stringValue(kLibraryKey), "Torvel Pelmora 1.0 Type Library");
    EXPECT_EQ(stringValue(kInterfaceKey), "IDXContext");
    // A key holding something foreign stays, without what registration gave it.
    EXPECT_TRUE(keyExists(std::string(kProgId) + "\\Shell"));
    EXPECT_FALSE(stringValue(kProgId).has_value());
    EXPECT_FALSE(keyExists(std::string(kProgId) + "\\CurVer"));
    EXPECT_EQ(DllUnregisterServer(), S_OK);
}

TEST_F(ModuleRegistration, ARegistryThatCannotBeWrittenFailsWithALogLine) {
    const std::string blocked = registry.folder() + "/not-a-folder";
    std::ofstream(blocked) << "x";
    setenv("PELMORA_REGISTRY_DIR", blocked.c_str(), 1);
    testing::internal::CaptureStdout();
    const HRESULT status = DllRegisterServer();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(static_cast<uint32_t>(status) & 0xFFFF0000u, 0x80070000u) << std::hex << status;
    EXPECT_NE(log.find("FAILED HRESULT"), std::string::npos) << log;
}

TEST_F(ModuleRegistration, AProgramThatLoadsTheLibraryRegistersTheLibrary) {
    const std::string program = std::string(PELMORA_TEST_PROGRAM_DIR) + "/register_module";
    ASSERT_EQ(std::system(program.c_str()), 0);
    const std::string server = stringValue(kClassKey + "\\InprocServer32").value_or("");
    EXPECT_NE(server.find("/libpelmora.so"), std::string::npos) << server;
    EXPECT_TRUE(std::filesystem::is_regular_file(server)) << server;
}

}  // namespace
