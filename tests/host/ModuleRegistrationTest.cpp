// DllRegisterServer and DllUnregisterServer against a registry of the test's
// own: the class's keys, the type library's keys, what unregistration
// leaves, and a registry that cannot be written.
#include <pelmora/dxcontext.h>
#include <pelmora/host.h>

#include "host/TypeLibrary.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

constexpr const char* kClassKey = "CLSID\\{5E71A0C1-4C2D-4F19-8B6A-2D9E4F1C7A35}";
constexpr const char* kLibraryId = "{5E71A0B3-4C2D-4F19-8B6A-2D9E4F1C7A35}";
constexpr const char* kLibraryKey = "TypeLib\\{5E71A0B3-4C2D-4F19-8B6A-2D9E4F1C7A35}\\1.0";
constexpr const char* kInterfaceKey = "Interface\\{5E71A0C0-4C2D-4F19-8B6A-2D9E4F1C7A35}";
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
    DWORD size = sizeof data;
    DWORD type = REG_NONE;
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
    void SetUp() override {
        const char* previous = std::getenv("PELMORA_REGISTRY_DIR");
        previous_ = previous ? previous : "";
        folder_ = pelmora::test::makeTempDir("pelmora-registration-");
        ASSERT_FALSE(folder_.empty());
        setenv("PELMORA_REGISTRY_DIR", folder_.c_str(), 1);
    }
    void TearDown() override {
        setenv("PELMORA_REGISTRY_DIR", previous_.c_str(), 1);
        pelmora::test::removeTree(folder_);
    }

    std::string folder_;
    std::string previous_;
};

TEST_F(ModuleRegistration, WritesTheClassKeys) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(stringValue(kProgId), "Torvel DXContext Class");
    EXPECT_EQ(stringValue(std::string(kProgId) + "\\CLSID"),
              "{5E71A0C1-4C2D-4F19-8B6A-2D9E4F1C7A35}");
    EXPECT_EQ(stringValue(std::string(kProgId) + "\\CurVer"), kProgId);
    const std::string clsid = kClassKey;
    EXPECT_EQ(stringValue(clsid), "Torvel DXContext Class");
    EXPECT_EQ(stringValue(clsid + "\\ProgID"), kProgId);
    EXPECT_EQ(stringValue(clsid + "\\VersionIndependentProgID"), kProgId);
    EXPECT_TRUE(keyExists(clsid + "\\Programmable"));
    EXPECT_EQ(stringValue(clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(stringValue(clsid + "\\TypeLib"), kLibraryId);
    // Linked into this test program, the engine's module is the program.
    const std::optional<std::string> server = stringValue(clsid + "\\InprocServer32");
    ASSERT_TRUE(server.has_value());
    EXPECT_TRUE(std::filesystem::equivalent(*server, "/proc/self/exe")) << *server;
}

TEST_F(ModuleRegistration, WritesTheTypeLibraryKeys) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    const std::string library = kLibraryKey;
    const std::string module =
        stringValue(std::string(kClassKey) + "\\InprocServer32").value_or("");
    EXPECT_EQ(stringValue(library), "Torvel Pelmora 1.0 Type Library");
    EXPECT_EQ(stringValue(library + "\\409\\linux64"), module);
    EXPECT_EQ(stringValue(library + "\\HELPDIR"),
              std::filesystem::path(module).parent_path().string());
    EXPECT_EQ(stringValue(library + "\\FLAGS"), "0");
    const std::string interface = kInterfaceKey;
    EXPECT_EQ(stringValue(interface), "IDXContext");
    EXPECT_EQ(stringValue(interface + "\\TypeLib"), kLibraryId);
    EXPECT_EQ(stringValue(interface + "\\TypeLib", "Version"), "1.0");
    EXPECT_EQ(stringValue(interface + "\\ProxyStubClsid32"),
              "{00020424-0000-0000-C000-000000000046}");
}

TEST_F(ModuleRegistration, ReplacesWhateverWasUnderTheClassKey) {
    createKey(std::string(kClassKey) + "\\Stale\\Deeper");
    ASSERT_EQ(DllRegisterServer(), S_OK);
    EXPECT_FALSE(keyExists(std::string(kClassKey) + "\\Stale"));
    EXPECT_TRUE(keyExists(std::string(kClassKey) + "\\ProgID"));
}

TEST_F(ModuleRegistration, RegisteringTwiceGivesTheSameKeys) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    ASSERT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(stringValue(std::string(kClassKey) + "\\ProgID"), kProgId);
}

TEST_F(ModuleRegistration, UnregisteringLeavesTheClsidKeyAndTheTypeLibrary) {
    createKey("CLSID\\{00000000-1111-2222-3333-444444444444}");
    ASSERT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_FALSE(keyExists(kProgId));
    EXPECT_FALSE(keyExists(kClassKey));
    EXPECT_TRUE(keyExists("CLSID"));
    EXPECT_TRUE(keyExists("CLSID\\{00000000-1111-2222-3333-444444444444}"));
    EXPECT_EQ(stringValue(kLibraryKey), "Torvel Pelmora 1.0 Type Library");
    EXPECT_EQ(stringValue(kInterfaceKey), "IDXContext");
    // Nothing left to remove is no failure.
    EXPECT_EQ(DllUnregisterServer(), S_OK);
}

TEST_F(ModuleRegistration, UnregisteringKeepsAProgIdKeyThatHoldsSomethingForeign) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    createKey(std::string(kProgId) + "\\Shell");
    EXPECT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_TRUE(keyExists(std::string(kProgId) + "\\Shell"));
    EXPECT_FALSE(stringValue(kProgId).has_value());
    EXPECT_FALSE(keyExists(std::string(kProgId) + "\\CurVer"));
}

TEST_F(ModuleRegistration, ARegistryThatCannotBeWrittenFailsWithALogLine) {
    // A file where the registry's folder should be.
    const std::string blocked = folder_ + "/not-a-folder";
    std::ofstream(blocked) << "x";
    setenv("PELMORA_REGISTRY_DIR", blocked.c_str(), 1);
    testing::internal::CaptureStdout();
    const HRESULT status = DllRegisterServer();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(FAILED(status));
    EXPECT_EQ(static_cast<uint32_t>(status) & 0xFFFF0000u, 0x80070000u);
    EXPECT_NE(log.find("FAILED HRESULT"), std::string::npos) << log;
}

TEST_F(ModuleRegistration, RegistersTheSharedLibraryAHostLoads) {
    const std::string program = std::string(PELMORA_TEST_PROGRAM_DIR) + "/register_module";
    ASSERT_EQ(std::system(program.c_str()), 0);
    const std::optional<std::string> server =
        stringValue(std::string(kClassKey) + "\\InprocServer32");
    ASSERT_TRUE(server.has_value());
    EXPECT_NE(server->find("/libpelmora.so"), std::string::npos) << *server;
    EXPECT_TRUE(std::filesystem::is_regular_file(*server)) << *server;
}

TEST(TypeLibraryDescription, GivesEachOperationItsHelpString) {
    EXPECT_EQ(pelmora::operationHelpString("newFrame"), "method newFrame");
    EXPECT_EQ(pelmora::operationHelpString("saveSnapshotJPG"), "method saveSnapshotJPG");
    EXPECT_EQ(pelmora::operationHelpString("frameSetWriteZValues"), "method setFrameWriteZValues");
    EXPECT_EQ(pelmora::operationHelpString("frameSetWriteColorValues"),
              "method setFrameWriteColorValues");
    EXPECT_EQ(pelmora::operationHelpString("resetViewport"),
              "method resetViewport clears cached execute buffers");
    EXPECT_EQ(pelmora::operationHelpString("noSuchOperation"), "");
}

}  // namespace
