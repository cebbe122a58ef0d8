#include "core/DataFolder.h"
#include "core/Diagnostics.h"
#include "platform/win/DiagnosticSwitches.h"
#include "support/TestSupport.h"

#include <pelmora/host.h>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace pelmora {
namespace {

namespace fs = std::filesystem;
using test::makeTempDir;
using test::readFile;
using test::removeTree;

constexpr const char* kPelmoraKey = "Software\\Torvel, Inc.\\Torvel Design\\Pelmora";
constexpr const char* kProfilingKey = "Software\\Torvel, Inc.\\Torvel Design\\Profiling";
constexpr const char* kHeader =
    "================================ New Pelmora Instance============================\n";
constexpr const char* kTimeLabel = "Current time: ";

// Writes a switch value as a string, or only makes its key when there is no text.
void writeSwitch(const char* keyPath, const char* name, std::optional<std::string> text) {
    if (text) {
        EXPECT_TRUE(test::storeUserString(keyPath, name, *text));
        return;
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

struct ProbeRun {
    int exitCode = -1;
    std::string output;
    bool hung = false;
};

// Runs the log probe, which logs each message, in an environment of its own:
// this one's without the variables that choose the registry and the data
// folder, plus the given ones. Returns what it printed.
ProbeRun runLogProbe(const std::vector<std::string>& messages,
                     const std::map<std::string, std::string>& chosen) {
    static const std::set<std::string> kChosenByTests = {"PELMORA_REGISTRY_DIR", "XDG_DATA_HOME",
                                                         "XDG_CONFIG_HOME", "HOME", "PELMORA_QUIET"};
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (!kChosenByTests.count(name)) environment.push_back(text);
    }
    for (const auto& [name, value] : chosen) environment.push_back(name + "=" + value);
    const std::string program = std::string(PELMORA_TEST_PROGRAM_DIR) + "/log_probe";
    std::vector<char*> argv{const_cast<char*>(program.c_str())}, envp;
    for (const std::string& message : messages) argv.push_back(const_cast<char*>(message.c_str()));
    for (std::string& entry : environment) envp.push_back(entry.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    ProbeRun run;
    run.hung = false;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    // A probe that has not finished within the limit is taken to hang, and killed.
    constexpr int kLimitMilliseconds = 20000;
    struct pollfd readable{pipeEnds[0], POLLIN, 0};
    char buffer[4096];
    while (spawned == 0) {
        if (poll(&readable, 1, kLimitMilliseconds) == 0) {
            run.hung = true;
            kill(child, SIGKILL);
            break;
        }
        const ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
        if (count <= 0) break;
        run.output.append(buffer, static_cast<size_t>(count));
    }
    close(pipeEnds[0]);
    int status = 0;
    if (spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

void setModificationTime(const std::string& path, time_t when) {
    const struct timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// A moment in an earlier month with today's day of the month.
time_t sameDayInAnotherMonth() {
    const time_t now = std::time(nullptr);
    struct tm today;
    localtime_r(&now, &today);
    for (int monthsBack = 1; monthsBack <= 12; ++monthsBack) {
        struct tm earlier = today;
        earlier.tm_mon -= monthsBack;
        earlier.tm_isdst = -1;
        const time_t when = std::mktime(&earlier);
        struct tm check;
        localtime_r(&when, &check);
        if (check.tm_mday == today.tm_mday) return when;
    }
    return now - 365 * 24 * 3600;  // unreachable: some month has every day of the month
}

// One child's world: a registry, a data folder and a home, all empty.
class LogStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = makeTempDir("pelmora-log-");
        ASSERT_FALSE(root_.empty());
        for (const char* folder : {"/registry", "/data", "/home"})
            fs::create_directory(root_ + folder);
        environment_ = {{"PELMORA_REGISTRY_DIR", root_ + "/registry"},
                        {"XDG_DATA_HOME", root_ + "/data"},
                        {"HOME", root_ + "/home"}};
    }
    void TearDown() override { removeTree(root_); }

    std::string logFolder() const { return root_ + "/data/Torvel Design"; }
    std::string logFile() const { return logFolder() + "/Pelmora.log"; }

    void setLogErrors(std::optional<std::string> text) { setPelmoraSwitch("Log Errors", std::move(text)); }

    void setPelmoraSwitch(const char* name, std::optional<std::string> text) {
        const test::ScopedRegistry scope(root_ + "/registry");
        writeSwitch(kPelmoraKey, name, std::move(text));
    }

    ProbeRun probe(const std::vector<std::string>& messages) {
        ProbeRun run = runLogProbe(messages, environment_);
        EXPECT_EQ(run.exitCode, 0);
        return run;
    }

    std::string root_;
    std::map<std::string, std::string> environment_;
};

// Header, time line (ctime's own newline, then a blank line), then the messages.
void expectInstanceBlock(const std::string& text, size_t at, const std::string& messages) {
    ASSERT_EQ(text.compare(at, std::strlen(kHeader), kHeader), 0) << text;
    const size_t timeLine = at + std::strlen(kHeader);
    ASSERT_EQ(text.compare(timeLine, std::strlen(kTimeLabel), kTimeLabel), 0) << text;
    const size_t blank = text.find("\n\n", timeLine);
    ASSERT_NE(blank, std::string::npos) << text;
    EXPECT_EQ(text.substr(blank + 2), messages);
}

TEST_F(LogStartTest, WithoutThePelmoraKeyTheLogIsWrittenInAnExistingFolderAsPrinted) {
    fs::create_directory(logFolder());
    const std::string messages = "first\n100% done, %s %d %n\n";  // percent signs unchanged
    const ProbeRun run = probe({"first\n", "100% done, %s %d %n\n"});
    EXPECT_EQ(run.output, messages);
    expectInstanceBlock(readFile(logFile()), 0, messages);
}

TEST_F(LogStartTest, HomeLocalShareServesWhenXdgDataHomeIsUnset) {
    environment_.erase("XDG_DATA_HOME");
    const std::string folder = root_ + "/home/.local/share/Torvel Design";
    fs::create_directories(folder);
    probe({"from home\n"});
    expectInstanceBlock(readFile(folder + "/Pelmora.log"), 0, "from home\n");
}

TEST_F(LogStartTest, LogErrorsSwitchDecidesAboutTheFile) {
    const std::vector<std::pair<std::optional<std::string>, bool>> cases = {
        {std::string("no"), false}, {std::string(""), false},   {std::nullopt, false},
        {std::string("1"), false},  {std::string("yes"), true}, {std::string("True"), true},
        // Only the first character counts, however long the value is. (Built by
        // appending: GCC 12 at -O3 wrongly sees overlapping copies in "Y" + string.)
        {std::string("Y").append(300, 'x'), true}, {std::string("N").append(300, 'x'), false},
    };
    fs::create_directory(logFolder());
    for (const auto& [text, fileWanted] : cases) {
        const std::string label = text ? "\"" + *text + "\"" : "no value";
        setLogErrors(text);
        fs::remove(logFile());
        const ProbeRun run = probe({"message\n"});
        EXPECT_EQ(run.output, "message\n") << label;
        EXPECT_EQ(fs::exists(logFile()), fileWanted) << label;
    }
}

// Quiet keeps messages off standard output, never out of the log file; the
// variable, when set, overrides the registry either way.
TEST_F(LogStartTest, QuietSwitchOrVariableKeepsMessagesOffStandardOutputOnly) {
    struct Case {
        std::string registry;
        std::optional<std::string> variable;
        bool printed;
    };
    const std::vector<Case> cases = {
        {"", std::nullopt, true},   {"yes", std::nullopt, false}, {"no", std::nullopt, true},
        {"1", std::nullopt, true},  {"", "1", false},             {"", "true", false},
        {"", "0", true},            {"Yes", "0", true},           {"Yes", "", false},
    };
    fs::create_directory(logFolder());
    setLogErrors("yes");  // the Pelmora key without it would turn the file off
    for (const Case& c : cases) {
        SCOPED_TRACE("registry \"" + c.registry + "\", variable " +
                     (c.variable ? "\"" + *c.variable + "\"" : "unset"));
        setPelmoraSwitch("Quiet", c.registry);
        if (c.variable) environment_["PELMORA_QUIET"] = *c.variable;
        else environment_.erase("PELMORA_QUIET");
        fs::remove(logFile());
        const ProbeRun run = probe({"first\n", "second\n"});
        EXPECT_EQ(run.output, c.printed ? "first\nsecond\n" : "");
        expectInstanceBlock(readFile(logFile()), 0, "first\nsecond\n");
    }
}

TEST_F(LogStartTest, TodaysDayOfTheMonthContinuesTheLogAnyOtherStartsAfresh) {
    fs::create_directory(logFolder());
    const std::string earlier = "earlier block\n";

    std::ofstream(logFile()) << earlier;
    setModificationTime(logFile(), sameDayInAnotherMonth());
    probe({"appended\n"});
    std::string text = readFile(logFile());
    ASSERT_EQ(text.compare(0, earlier.size(), earlier), 0) << text;
    expectInstanceBlock(text, earlier.size(), "appended\n");

    std::ofstream(logFile()) << earlier;
    setModificationTime(logFile(), std::time(nullptr) - 2 * 24 * 3600);
    probe({"fresh\n"});
    expectInstanceBlock(readFile(logFile()), 0, "fresh\n");
}

TEST_F(LogStartTest, MissingTorvelDesignFolderMeansNoLogFile) {
    const ProbeRun run = probe({"only on stdout\n"});
    EXPECT_EQ(run.output, "only on stdout\n");
    EXPECT_FALSE(fs::exists(logFolder()))
        << "start-up never makes the folder under the data folder";
}

// The fallback folder is shared by everyone on the machine; the test only
// removes what it made itself.
TEST_F(LogStartTest, WithoutADataFolderTheFixedFallbackIsUsedAndMade) {
    const std::string fallback = "/tmp/Torvel Design";
    const bool existed = fs::exists(fallback);
    if (existed && access(fallback.c_str(), W_OK) != 0)
        GTEST_SKIP() << fallback << " belongs to someone else";
    environment_.erase("XDG_DATA_HOME");  // and the home has no .local/share
    const std::string message = "fallback " + std::to_string(getpid()) + " " + root_ + "\n";
    probe({message});
    const std::string text = readFile(fallback + "/Pelmora.log");
    EXPECT_NE(text.find(kHeader), std::string::npos);
    EXPECT_NE(text.find(message), std::string::npos) << text;
    if (!existed) removeTree(fallback);
}

// Nothing but a plain file of its own is written to: a FIFO would hang the
// start-up of a host, a link could send the log anywhere.
TEST_F(LogStartTest, ALogPathThatIsNoPlainFileIsRefusedWithoutWaiting) {
    fs::create_directory(logFolder());
    const std::string elsewhere = root_ + "/elsewhere";
    std::ofstream(elsewhere) << "untouched";
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"a FIFO", [&] { ASSERT_EQ(mkfifo(logFile().c_str(), 0600), 0); }},
        {"a symbolic link", [&] { fs::create_symlink(elsewhere, logFile()); }},
        {"a folder", [&] { fs::create_directory(logFile()); }},
    };
    for (const auto& [what, plant] : cases) {
        fs::remove_all(logFile());
        plant();
        const ProbeRun run = runLogProbe({"message\n"}, environment_);
        EXPECT_FALSE(run.hung) << what;
        EXPECT_EQ(run.exitCode, 0) << what;
        EXPECT_NE(run.output.find("Pelmora: no log file: " + logFile()), std::string::npos)
            << what << ": " << run.output;
        EXPECT_NE(run.output.find("message\n"), std::string::npos) << what;
        EXPECT_FALSE(fs::is_regular_file(fs::symlink_status(logFile()))) << what;
    }
    EXPECT_EQ(readFile(elsewhere), "untouched");
}

// The fallback folder lies where every user can write, so it is used only
// while it is a private folder of this user's.
TEST(PrivateFolderTest, OnlyAPrivateFolderOfThisUsersIsTrusted) {
    const std::string root = makeTempDir("pelmora-private-");
    ASSERT_FALSE(root.empty());
    const std::string made = root + "/made";
    std::string why;
    ASSERT_TRUE(ensurePrivateFolder(made, &why)) << why;
    struct stat info;
    ASSERT_EQ(stat(made.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(ensurePrivateFolder(made)) << "an existing private folder serves";

    struct Case {
        const char* name;
        std::function<void(const std::string&)> plant;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"link", [&](const std::string& at) { fs::create_directory_symlink(made, at); },
         "is a symbolic link"},
        {"file", [](const std::string& at) { std::ofstream(at) << "x"; }, "is not a folder"},
        {"shared", [](const std::string& at) { fs::create_directory(at); chmod(at.c_str(), 0777); },
         "is writable by other users"},
    };
    for (const Case& c : cases) {
        const std::string at = root + "/" + c.name;
        c.plant(at);
        why.clear();
        EXPECT_FALSE(ensurePrivateFolder(at, &why)) << c.name;
        EXPECT_EQ(why, c.why) << c.name;
    }
    if (geteuid() == 0) {  // only root can give a folder away
        const std::string foreign = root + "/foreign";
        fs::create_directory(foreign);
        chmod(foreign.c_str(), 0700);
        ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(ensurePrivateFolder(foreign, &why));
        EXPECT_EQ(why, "belongs to another user");
    }
    removeTree(root);
}

// Read in this process, from the same kind of registry folder.
TEST_F(LogStartTest, OnlyAProfilingValueStartingWithTrueOrYesTurnsItOn) {
    const test::ScopedRegistry scope(root_ + "/registry");
    EXPECT_FALSE(win::readProfilingSwitch()) << "no key";
    const std::vector<std::pair<std::string, bool>> cases = {
        {"yes", true}, {"Y", true},   {"true", true}, {"T", true},
        {"1", false},  {"no", false}, {"", false},    {"on", false},
        {std::string("y").append(1000, 'e'), true},
    };
    for (const auto& [text, expected] : cases) {
        writeSwitch(kProfilingKey, "Enabled", text);
        EXPECT_EQ(win::readProfilingSwitch(), expected) << '"' << text << '"';
    }
}

TEST(LogMessageTest, FailedCallTraceAndLongMessagesHaveTheirFixedForms) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(traceFailedHresult(static_cast<HRESULT>(0x8007000E), "DXViewport.cpp", 42),
              static_cast<HRESULT>(0x8007000E));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "FAILED HRESULT (0x8007000e) [14] in DXViewport.cpp @ 42\n");

    testing::internal::CaptureStdout();
    logFormat("%s", std::string(3000, 'x').c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(1023, 'x'))
        << "cut to the 1024-byte buffer";
}

}  // namespace
}  // namespace pelmora
