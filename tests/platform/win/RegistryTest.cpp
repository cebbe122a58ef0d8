#include "platform/win/Registry.h"
#include "platform/win/RegistryHive.h"
#include "platform/win/RegistryKey.h"
#include "platform/win/RegistryText.h"
#include "support/TestSupport.h"

#include <pelmora/host.h>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace pelmora::win {
namespace {

namespace fs = std::filesystem;
using test::makeTempDir;
using test::readFile;
using test::removeTree;

constexpr const char* kKeyPath = "Software\\Torvel, Inc.\\Torvel Design\\Pelmora";

// Every test gets its own registry folder; the store finds it through the
// environment on each call.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { openAtStart_ = Registry::instance().openKeyCount(); }
    void TearDown() override {
        EXPECT_EQ(Registry::instance().openKeyCount(), openAtStart_) << "a key was left open";
    }

    std::string hiveFile() const { return registry_.folder() + "/HKEY_CURRENT_USER.reg"; }

    HKEY createKey(const char* path, DWORD* disposition = nullptr) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, disposition),
                  ERROR_SUCCESS);
        return key;
    }

    void setString(HKEY key, const char* name, const char* text) {
        EXPECT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>(std::strlen(text) + 1)),
                  ERROR_SUCCESS);
    }

    // The value's bytes, read in one call; empty on any failure.
    std::vector<BYTE> query(HKEY key, const char* name, DWORD* type = nullptr) {
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return {};
        std::vector<BYTE> data(size);
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size), ERROR_SUCCESS);
        return data;
    }

    test::ScopedRegistry registry_;
    size_t openAtStart_ = 0;
};

std::vector<BYTE> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
// A REG_SZ value's bytes: the text and its terminating 0.
std::vector<BYTE> stringBytes(const std::string& text) { return bytesOf(text + '\0'); }

TEST_F(RegistryTest, KeysAreCreatedWithTheirAncestorsOpenedAndDeleted) {
    DWORD disposition = 0;
    HKEY made = createKey(kKeyPath, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    HKEY again = createKey(kKeyPath, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    EXPECT_NE(made, again);
    EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Torvel, Inc.", 0, KEY_READ, &opened),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Elsewhere", 0, KEY_READ, &opened),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(opened, nullptr);

    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(made, nullptr, 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(readOnly, "X", 0, REG_NONE, nullptr, 0), ERROR_ACCESS_DENIED);
    RegCloseKey(readOnly);

    HKEY child = createKey("Software\\Torvel, Inc.\\Torvel Design\\Pelmora\\Child");
    setString(child, "Name", "value");
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath), ERROR_ACCESS_DENIED)
        << "a key with subkeys stays";
    EXPECT_EQ(RegDeleteValueA(child, "NAME"), ERROR_SUCCESS);
    EXPECT_TRUE(query(child, "Name").empty());
    EXPECT_EQ(RegDeleteValueA(child, "Name"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(made, "Child"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(child, "Name", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyA(made, "Child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    RegCloseKey(child);

    EXPECT_EQ(RegCloseKey(made), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(made), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueExA(made, "X", 0, REG_NONE, nullptr, 0), ERROR_INVALID_HANDLE);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE})
        EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS) << "the roots stay usable";
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\Leading", 0, KEY_READ, &opened),
              ERROR_INVALID_PARAMETER);
}

struct TypedValue {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
};

TEST_F(RegistryTest, EveryValueTypeRoundTripsAndSurvivesAFreshLoad) {
    const std::vector<TypedValue> values = {
        {"String", REG_SZ, stringBytes("100% \"quoted\"\n")},
        {"Expand", REG_EXPAND_SZ, stringBytes("%HOME%\\x")},
        {"Binary", REG_BINARY, {0x00, 0xFF, 0x25, 0x22, 0x5B, 0x0A}},
        {"Dword", REG_DWORD, {0xEF, 0xBE, 0xAD, 0xDE}},
        {"List", REG_MULTI_SZ, bytesOf(std::string("one\0two\0\0", 9))},
        {"Qword", REG_QWORD, {0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01}},
        {"Nothing", REG_NONE, {}},
        {"", REG_SZ, stringBytes("default")},
    };
    HKEY key = createKey(kKeyPath);
    for (const TypedValue& value : values)
        EXPECT_EQ(RegSetValueExA(key, value.name, 0, value.type, value.data.data(),
                                 static_cast<DWORD>(value.data.size())),
                  ERROR_SUCCESS)
            << value.name;
    RegCloseKey(key);

    // Another folder holding only a copy of the file sees the same values.
    const std::string copy = makeTempDir("pelmora-registry-copy-");
    fs::copy_file(hiveFile(), copy + "/HKEY_CURRENT_USER.reg");
    setenv("PELMORA_REGISTRY_DIR", copy.c_str(), 1);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key), ERROR_SUCCESS);
    for (const TypedValue& value : values) {
        DWORD type = 0xFFFF;
        EXPECT_EQ(query(key, value.name, &type), value.data) << value.name;
        EXPECT_EQ(type, value.type) << value.name;
    }
    RegCloseKey(key);
    removeTree(copy);
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreCaseAndKeepTheirSpelling) {
    HKEY key = createKey("Software\\Torvel");
    setString(key, "Log Errors", "yes");
    setString(key, "LOG ERRORS", "no");  // the same value
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\torvel\\", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(query(key, "log errors"), stringBytes("no"));
    RegCloseKey(key);
    const std::string text = readFile(hiveFile());
    EXPECT_NE(text.find("[Software\\Torvel]"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Log Errors\" = REG_SZ \"no%00\""), std::string::npos) << text;
}

TEST_F(RegistryTest, QuerySizingFollowsThePlatform) {
    HKEY key = createKey(kKeyPath);
    const char unterminated[] = {'a', 'b', 'c'};
    ASSERT_EQ(RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated),
                             sizeof unterminated),
              ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u) << "the terminating 0 is part of a string's size";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    BYTE small[2] = {0x77, 0x77};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);

    BYTE exact[4] = {};
    size = sizeof exact;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, exact, &size), ERROR_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<const char*>(exact), "abc");

    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, exact, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key, "Short", 0, REG_DWORD, exact, 2), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key, "Odd", 0, 5, exact, 4), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(RegistryTest, WritesLeaveOnlyWholeHiveFiles) {
    HKEY key = createKey(kKeyPath);
    for (int i = 0; i < 50; ++i)
        setString(key, ("Value " + std::to_string(i)).c_str(), std::to_string(i * i).c_str());
    RegCloseKey(key);

    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(registry_.folder()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}))
        << "no temporary file is left behind";

    RegistryKey root;
    const std::string text = readFile(hiveFile());
    EXPECT_TRUE(parseHive(text, root).complete) << text;
    ASSERT_NE(root.find({"Software", "Torvel, Inc.", "Torvel Design", "Pelmora"}), nullptr);
    EXPECT_EQ(root.find({"Software", "Torvel, Inc.", "Torvel Design", "Pelmora"})->values().size(),
              50u);
}

TEST_F(RegistryTest, MalformedFileIsReadUpToItsFirstBadLineAndReported) {
    {
        std::ofstream file(hiveFile());
        file << "; hand edited\n"
                "[Software\\Good]\n"
                "\"Kept\" = REG_SZ \"yes%00\"\n"
                "\"Broken\" = REG_DWORD \"%01\"\n"
                "\"Lost\" = REG_SZ \"no%00\"\n";
    }
    testing::internal::CaptureStdout();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Good", 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(query(key, "Kept"), stringBytes("yes"));
    EXPECT_TRUE(query(key, "Lost").empty());
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("is malformed at line 4"), std::string::npos) << log;
    EXPECT_EQ(log.find("malformed"), log.rfind("malformed")) << "reported once: " << log;

    // The next write repairs the file and keeps the original beside it.
    testing::internal::CaptureStdout();
    setString(key, "New", "1");
    testing::internal::GetCapturedStdout();
    RegCloseKey(key);
    RegistryKey root;
    EXPECT_TRUE(parseHive(readFile(hiveFile()), root).complete);
    EXPECT_NE(readFile(hiveFile() + ".bad").find("\"Lost\""), std::string::npos);
}

TEST_F(RegistryTest, GarbageNeverCrashesTheReader) {
    const std::vector<std::string> samples = {
        "[",
        "[]x",
        "\"",
        "\"a\" = ",
        "\"a\" = REG_SZ \"%",
        "\"a\" = REG_SZ \"%G0\"",
        "[a\\\\b]",
        "[a\\]",
        "\"a\" = REG_SZ \"\x01\"",
        "\"a\" = REG_FOO \"\"",
    };
    for (const std::string& sample : samples) {
        RegistryKey root;
        EXPECT_FALSE(parseHive("[Fine]\n" + sample + "\n", root).complete) << sample;
        EXPECT_NE(root.find({"Fine"}), nullptr) << sample;
    }
}

// Runs body in a child process; true when it exits with status 0.
template <class Body>
pid_t startChild(Body&& body) {
    const pid_t child = fork();
    if (child == 0) _exit(body() ? 0 : 1);
    return child;
}

bool exitedCleanly(pid_t child) {
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceKeepEveryValue) {
    constexpr int kValuesEach = 300;
    // The parent holds the key open across the children's writes.
    HKEY open = createKey(kKeyPath);
    setString(open, "First", "parent");
    auto writer = [](const char* prefix) {
        return [prefix] {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
                return false;
            bool ok = true;
            for (int i = 0; i < kValuesEach; ++i) {
                const std::string name = prefix + std::to_string(i);
                ok = ok && RegSetValueExA(key, name.c_str(), 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&i), sizeof i) == 0;
            }
            RegCloseKey(key);
            return ok;
        };
    };
    const pid_t first = startChild(writer("first "));
    const pid_t second = startChild(writer("second "));
    EXPECT_TRUE(exitedCleanly(first));
    EXPECT_TRUE(exitedCleanly(second));
    // A write after theirs keeps what they wrote.
    setString(open, "Last", "parent");
    EXPECT_EQ(query(open, "second 299"), (std::vector<BYTE>{0x2B, 0x01, 0, 0}));
    EXPECT_EQ(query(open, "First"), stringBytes("parent"));
    RegCloseKey(open);

    RegistryKey root;
    ASSERT_TRUE(parseHive(readFile(hiveFile()), root).complete);
    const RegistryKey* key = root.find({"Software", "Torvel, Inc.", "Torvel Design", "Pelmora"});
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->values().size(), 2u * kValuesEach + 2);
}

TEST_F(RegistryTest, DepthNameAndSizeLimitsGiveInvalidParameter) {
    auto chain = [](size_t levels, size_t nameLength = 1) {
        std::string path;
        const std::string name(nameLength, 'k');
        for (size_t i = 0; i < levels; ++i) {
            if (i) path += '\\';
            path += name;
        }
        return path;
    };
    HKEY key = nullptr;
    auto create = [&](const std::string& path) {
        HKEY made = nullptr;
        const LSTATUS status = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                               KEY_ALL_ACCESS, nullptr, &made, nullptr);
        if (status == ERROR_SUCCESS) RegCloseKey(made);
        return status;
    };
    testing::internal::CaptureStdout();
    EXPECT_EQ(create(chain(513)), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(create(std::string(256, 'n')), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(create(chain(512)), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, chain(511).c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(create(chain(512) + "\\x"), ERROR_INVALID_PARAMETER);
    HKEY deeper = nullptr;
    EXPECT_EQ(RegCreateKeyExA(key, "a\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deeper,
                              nullptr),
              ERROR_INVALID_PARAMETER)
        << "the depth counts from the hive root, not from the key opened";
    RegCloseKey(key);

    key = createKey(kKeyPath);
    const std::vector<BYTE> mebibyte(size_t(1) << 20, 0x5A);
    EXPECT_EQ(RegSetValueExA(key, "Big", 0, REG_BINARY, mebibyte.data(), DWORD(mebibyte.size())),
              ERROR_SUCCESS);
    const std::vector<BYTE> tooBig(mebibyte.size() + 1, 0x5A);
    EXPECT_EQ(RegSetValueExA(key, "Bigger", 0, REG_BINARY, tooBig.data(), DWORD(tooBig.size())),
              ERROR_INVALID_PARAMETER);
    const std::string longName(16384, 'v');
    EXPECT_EQ(RegSetValueExA(key, longName.c_str(), 0, REG_NONE, nullptr, 0),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(query(key, "Big").size(), mebibyte.size());
    RegCloseKey(key);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("RegSetValueExA: the value is larger than 1 MiB (error 87)"),
              std::string::npos)
        << log;

    // A chain of keys costs about one line, not one line per level.
    EXPECT_LT(fs::file_size(hiveFile()), (size_t(1) << 20) + 16 * 1024);
    RegistryKey root;
    EXPECT_TRUE(parseHive(readFile(hiveFile()), root).complete);
    RegistryPath deepest(512, "k");
    EXPECT_NE(root.find(deepest), nullptr);
}

TEST_F(RegistryTest, HostileHiveFilesAreReadWithoutRecursionOrOverflow) {
    // A key line deeper than the limit stops the reading there.
    std::string deepLine = "[";
    for (int i = 0; i < 20000; ++i) deepLine += i ? "\\d" : "d";
    deepLine += "]";
    RegistryKey root;
    const HiveParseResult parsed = parseHive("[Fine]\n" + deepLine + "\n[Lost]\n", root);
    EXPECT_FALSE(parsed.complete);
    EXPECT_EQ(parsed.firstBadLine, 2u);
    EXPECT_NE(root.find({"Fine"}), nullptr);
    EXPECT_EQ(root.find({"d"}), nullptr);

    // So does a value over the size limit, however it is spelt.
    const std::string huge = "\"v\" = REG_BINARY \"" + std::string((size_t(1) << 20) + 1, 'x') + "\"";
    EXPECT_FALSE(parseHive(huge + "\n", root).complete);

    // A tree deeper than any file may hold still goes without a deep call chain.
    auto deep = std::make_unique<RegistryKey>();
    deep->create(RegistryPath(200000, "level"), nullptr);
    deep.reset();
}

TEST_F(RegistryTest, TheHiveIsReadAgainOnlyWhenItsFileChanged) {
    HKEY key = createKey(kKeyPath);
    setString(key, "Value", "one");
    RegCloseKey(key);

    RegistryHive hive("HKEY_CURRENT_USER");
    auto valueNow = [&] {
        hive.refresh();
        const RegistryKey* found = hive.root().find({"Software", "Torvel, Inc.", "Torvel Design", "Pelmora"});
        const RegistryValue* value = found ? found->value("Value") : nullptr;
        return value ? std::string(value->data.begin(), value->data.end() - 1) : std::string();
    };
    EXPECT_EQ(valueNow(), "one");
    EXPECT_EQ(valueNow(), "one");
    EXPECT_EQ(hive.reads(), 1u) << "an unchanged file is not parsed again";

    // Another process writes the same number of bytes.
    EXPECT_TRUE(exitedCleanly(startChild([] {
        HKEY own = nullptr;
        return RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_WRITE, &own) == 0 &&
               RegSetValueExA(own, "Value", 0, REG_SZ, reinterpret_cast<const BYTE*>("two"), 4) == 0;
    })));
    EXPECT_EQ(valueNow(), "two");
    EXPECT_EQ(hive.reads(), 2u);

    // An edit in place, of the same size, restoring the modification time to
    // within a nanosecond of the old one.
    struct stat before;
    ASSERT_EQ(stat(hiveFile().c_str(), &before), 0);
    std::string text = readFile(hiveFile());
    text.replace(text.find("two"), 3, "six");
    std::ofstream(hiveFile(), std::ios::binary | std::ios::in | std::ios::out) << text;
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    times[1].tv_nsec = (times[1].tv_nsec + 1) % 1000000000;
    ASSERT_EQ(utimensat(AT_FDCWD, hiveFile().c_str(), times, 0), 0);
    EXPECT_EQ(valueNow(), "six");
    EXPECT_EQ(hive.reads(), 3u);
}

}  // namespace
}  // namespace pelmora::win
