// The Linux system services: the single-instance lock across processes, companion termination,
// the documents folder, directory result codes and the written file's bytes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "app/SingleInstance.h"
#include "platform/linux/InstanceLock.h"
#include "platform/linux/PosixSystem.h"
#include "platform/linux/ProcessTermination.h"
#include "platform/linux/UserDirectories.h"
#include "platform/linux/Utf.h"
#include "platform/linux/testing/ChildProcess.h"

namespace zrflash::test {
namespace {

namespace fs = std::filesystem;
using namespace platform::linux_port;
using testing_support = platform::linux_port::testing::ChildProcess;

class ScratchFolder {
public:
    ScratchFolder() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path = fs::temp_directory_path() / ("zrflash-test-" + std::to_string(stamp));
        fs::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    std::u16string Wide(const std::string& relative = "") const {
        return Utf8ToUtf16(relative.empty() ? path.string() : (path / relative).string());
    }
    fs::path path;
};

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

Environment EnvironmentOf(std::map<std::string, std::string> values) {
    return [values](const char* name) {
        auto found = values.find(name);
        return found == values.end() ? std::string() : found->second;
    };
}

TEST(InstanceLock, OneHolderAtATimeUntilReleased) {
    ScratchFolder scratch;
    const std::string path = (scratch.path / "instance.lock").string();
    auto first = InstanceLock::Open(path);
    auto second = InstanceLock::Open(path);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->Wait(50));
    EXPECT_FALSE(second->Wait(50));
    EXPECT_FALSE(second->Release(1));  // it holds nothing to give back
    EXPECT_TRUE(first->Release(1));
    EXPECT_TRUE(second->Wait(50));
}

TEST(InstanceLock, ACopyThatDiedHoldingTheLockBlocksNoNewCopy) {
    ScratchFolder scratch;
    const std::string path = (scratch.path / "instance.lock").string();
    const fs::path taken = scratch.path / "taken";
    auto child = testing_support::Fork([&] {
        auto lock = InstanceLock::Open(path);
        if (!lock || !lock->Wait(1000)) return 1;
        std::ofstream(taken) << "1";
        std::this_thread::sleep_for(std::chrono::seconds(30));
        return 0;
    });
    ASSERT_TRUE(child);
    for (int i = 0; i < 400 && !fs::exists(taken); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(fs::exists(taken));
    auto lock = InstanceLock::Open(path);
    EXPECT_FALSE(lock->Wait(50));
    ASSERT_TRUE(child->Kill());
    int signal = 0;
    ASSERT_TRUE(child->WaitEndedBySignal(signal));
    EXPECT_TRUE(lock->Wait(50));
}

TEST(InstanceLock, NamesOneFilePerExecutablePath) {
    const auto a = InstanceLock::LockPathFor(u"/opt/zrflash/zrflash", "/run/user/1000");
    EXPECT_EQ(a, InstanceLock::LockPathFor(u"/opt/zrflash/zrflash", "/run/user/1000"));
    EXPECT_NE(a, InstanceLock::LockPathFor(u"/home/owner/zrflash", "/run/user/1000"));
    EXPECT_EQ(a.rfind("/run/user/1000/zrflash-", 0), 0u);
}

TEST(InstanceLock, LooksForItsFolderInTheRuntimeThenTheTemporaryThenTheCacheFolder) {
    using Folders = std::vector<std::pair<std::string, bool>>;
    const struct {
        std::map<std::string, std::string> environment;
        Folders expected;
    } cases[] = {
        {{{"XDG_RUNTIME_DIR", "/run/user/1000"}, {"HOME", "/home/owner"}},
         {{"/run/user/1000", false}, {"/tmp/zrflash-1000", true}, {"/home/owner/.cache/zrflash", true}}},
        {{{"XDG_RUNTIME_DIR", "run/user"}, {"TMPDIR", "/var/tmp/"}, {"XDG_CACHE_HOME", "/c"}, {"HOME", "/h"}},
         {{"/var/tmp/zrflash-1000", true}, {"/c/zrflash", true}}},
        {{}, {{"/tmp/zrflash-1000", true}}},
    };
    for (const auto& each : cases) {
        Folders folders;
        for (const auto& folder : InstanceLock::FoldersFor(EnvironmentOf(each.environment), 1000)) {
            folders.emplace_back(folder.path, folder.create);
        }
        EXPECT_EQ(folders, each.expected);
    }
}

// Where the program's lock goes when its folders have been tampered with: never through a link,
// never into a folder another user owns or may write, and still somewhere, so the program starts.
TEST(PosixSystem, TheLockLivesOnlyInAFolderPrivateToTheUser) {
    const std::u16string name = u"/opt/zrflash/zrflash";
    const std::string user = std::to_string(::getuid());
    const std::string lockFile = fs::path(InstanceLock::LockPathFor(name, "")).filename().string();
    const struct {
        const char* what;
        bool withRuntimeFolder;
        std::function<void(const fs::path& scratch)> plant;
        std::string expectedFolder;  // within the scratch folder
        std::string untouched;       // must not come to exist
        bool needsRoot = false;
    } cases[] = {
        {"the runtime folder", true, [](const fs::path&) {}, "run", "tmp/zrflash-" + user},
        {"a runtime folder others may enter", true,
         [](const fs::path& scratch) { fs::permissions(scratch / "run", fs::perms(0755)); }, "tmp/zrflash-" + user,
         "home/.cache"},
        {"a link planted at the lock's name", true,
         [&](const fs::path& scratch) {
             fs::create_symlink(scratch / "target", fs::path(InstanceLock::LockPathFor(name, (scratch / "run").string())));
         },
         "tmp/zrflash-" + user, "target"},
        {"a fallback folder others may write", false,
         [&](const fs::path& scratch) {
             fs::create_directory(scratch / "tmp" / ("zrflash-" + user));
             fs::permissions(scratch / "tmp" / ("zrflash-" + user), fs::perms(0777));
         },
         "home/.cache/zrflash", "tmp/zrflash-" + user + "/" + lockFile},
        {"a fallback folder that is a link", false,
         [&](const fs::path& scratch) {
             fs::create_directory(scratch / "elsewhere");
             fs::permissions(scratch / "elsewhere", fs::perms(0700));
             fs::create_directory_symlink(scratch / "elsewhere", scratch / "tmp" / ("zrflash-" + user));
         },
         "home/.cache/zrflash", "elsewhere/" + lockFile},
        {"a fallback folder of another user", false,
         [&](const fs::path& scratch) {
             const fs::path planted = scratch / "tmp" / ("zrflash-" + user);
             fs::create_directory(planted);
             fs::permissions(planted, fs::perms(0700));
             ASSERT_EQ(::chown(planted.c_str(), ::getuid() + 1, ::getgid()), 0);
         },
         "home/.cache/zrflash", "tmp/zrflash-" + user + "/" + lockFile, true},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.what);
        if (each.needsRoot && ::geteuid() != 0) continue;  // only root can give a folder away
        ScratchFolder scratch;
        for (const char* folder : {"run", "tmp", "home"}) fs::create_directory(scratch.path / folder);
        fs::permissions(scratch.path / "run", fs::perms(0700));
        each.plant(scratch.path);
        std::map<std::string, std::string> environment{{"TMPDIR", (scratch.path / "tmp").string()},
                                                       {"HOME", (scratch.path / "home").string()}};
        if (each.withRuntimeFolder) environment["XDG_RUNTIME_DIR"] = (scratch.path / "run").string();
        PosixSystem system(EnvironmentOf(environment));

        auto first = system.OpenNamedSemaphore(name);
        auto second = system.OpenNamedSemaphore(name);
        ASSERT_TRUE(first && second);
        EXPECT_TRUE(first->Wait(0));
        EXPECT_FALSE(second->Wait(0));  // both found the same lock

        const fs::path folder = scratch.path / each.expectedFolder;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(InstanceLock::LockPathFor(name, folder.string()))));
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms(0700));
        // Nothing was made through the link, in the refused folder, or beyond the folder used.
        EXPECT_FALSE(fs::exists(fs::symlink_status(scratch.path / each.untouched)));
    }
}

TEST(PosixSystem, TheProgramsSingleInstanceTestRefusesASecondCopy) {
    ScratchFolder scratch;
    fs::permissions(scratch.path, fs::perms(0700));
    PosixSystem system(EnvironmentOf({{"XDG_RUNTIME_DIR", scratch.path.string()}}));
    EXPECT_NE(system.ModulePath(4096).find(u"linux_unit"), std::u16string::npos);
    EXPECT_EQ(system.ModulePath(5).size(), 4u);
    app::SingleInstance first(system);
    app::SingleInstance second(system);
    EXPECT_FALSE(first.IsAnotherInstanceRunning());
    EXPECT_TRUE(second.IsAnotherInstanceRunning());
    first.Finalize();
    second.Finalize();
    app::SingleInstance later(system);
    EXPECT_FALSE(later.IsAnotherInstanceRunning());
}

TEST(ProcessTermination, ReadsTheCompanionCommandLines) {
    struct Case {
        const char16_t* line;
        bool valid;
        const char* image;
        bool force;
    };
    const Case cases[] = {
        {u"TASKKILL /F /IM zrview11.exe", true, "zrview11.exe", true},
        {u"taskkill /im zrview14.exe", true, "zrview14.exe", false},
        {u"TASKKILL /F", false, "", false},
        {u"TASKKILL /F /IM zrview11.exe /T", false, "", false},
        {u"rm -rf /", false, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.line));
        const auto command = ParseTaskKill(c.line);
        ASSERT_EQ(command.has_value(), c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(command->image, c.image);
        EXPECT_EQ(command->force, c.force);
    }
}

TEST(ProcessTermination, EndsTheCompanionByItsImageNameAndNoOther) {
    ScratchFolder scratch;
    const fs::path companion = scratch.path / "zrview12.exe";
    // Not one of the program's companions: a program started by a test running beside this one
    // ends every companion on the machine.
    const fs::path bystander = scratch.path / "zrview13.exe";
    fs::copy_file("/bin/sleep", companion);
    fs::copy_file("/bin/sleep", bystander);
    auto target = testing_support::Spawn(companion.string(), {companion.string(), "30"});
    auto other = testing_support::Spawn(bystander.string(), {bystander.string(), "30"});
    ASSERT_TRUE(target && other);
    // Until exec has given both their names (a loaded machine may take a while).
    const auto named = [](int id, const fs::path& program) {
        for (int attempt = 0; attempt < 200; ++attempt) {
            std::ifstream commandLine("/proc/" + std::to_string(id) + "/cmdline");
            std::string first;
            std::getline(commandLine, first, '\0');
            if (first == program.string()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    };
    ASSERT_TRUE(named(target->Id(), companion) && named(other->Id(), bystander));
    PosixSystem system;
    system.StartHidden(u"TASKKILL /F /IM zrview12.exe");
    int signal = 0;
    ASSERT_TRUE(target->EndsWithin(2000, signal));
    EXPECT_EQ(signal, SIGKILL);
    EXPECT_FALSE(other->EndsWithin(200, signal));
    other->Kill();
    other->WaitEndedBySignal(signal);
}

TEST(UserDirectories, ReadsTheDocumentsLine) {
    struct Case {
        const char* contents;
        std::optional<std::string> folder;
    };
    const Case cases[] = {
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Документы\"\n", "/home/owner/Документы"},
        {"# comment\nXDG_DOCUMENTS_DIR=\"/srv/docs\"\n", "/srv/docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"\n", "/home/owner/My \"Docs\""},
        {"XDG_DOCUMENTS_DIR=\"relative/docs\"\n", std::nullopt},
        {"XDG_DOCUMENTS_DIR=\"$HOME/unterminated\n", std::nullopt},
        {"XDG_MUSIC_DIR=\"$HOME/Music\"\n", std::nullopt},
        {"XDG_DOCUMENTS_DIR=\"$HOMEWORK\"\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contents);
        EXPECT_EQ(DocumentsFromUserDirs(c.contents, "/home/owner"), c.folder);
    }
}

TEST(PosixSystem, FindsAndCreatesTheDocumentsFolder) {
    ScratchFolder scratch;
    const std::string home = (scratch.path / "home").string();
    fs::create_directories(home);
    PosixSystem plain(EnvironmentOf({{"HOME", home}}));
    EXPECT_EQ(plain.DocumentsFolder(), Utf8ToUtf16(home + "/Documents"));
    EXPECT_TRUE(fs::is_directory(home + "/Documents"));

    fs::create_directories(home + "/.config");
    std::ofstream(home + "/.config/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/Документы/\"\n";
    PosixSystem localised(EnvironmentOf({{"HOME", home}}));
    EXPECT_EQ(localised.DocumentsFolder(), Utf8ToUtf16(home + "/Документы"));

    PosixSystem given(EnvironmentOf({{"HOME", home}, {"XDG_DOCUMENTS_DIR", home + "/given"}}));
    EXPECT_EQ(given.DocumentsFolder(), Utf8ToUtf16(home + "/given"));

    std::ofstream(home + "/file") << "x";
    PosixSystem blocked(EnvironmentOf({{"HOME", home}, {"XDG_DOCUMENTS_DIR", home + "/file"}}));
    EXPECT_EQ(blocked.DocumentsFolder(), u"");
}

TEST(PosixSystem, MakeDirectoryGivesTheWindowsResultCodes) {
    ScratchFolder scratch;
    std::ofstream(scratch.path / "file") << "x";
    PosixSystem system;
    EXPECT_EQ(system.MakeDirectory(scratch.Wide("zr12_01")), platform::kDirectoryCreated);
    EXPECT_EQ(system.MakeDirectory(scratch.Wide("zr12_01")), platform::kAlreadyExists);
    EXPECT_EQ(system.MakeDirectory(scratch.Wide("missing/zr12_01")), 3u);  // path not found
    EXPECT_EQ(system.MakeDirectory(scratch.Wide("file/zr12_01")), 267u);   // not a directory
}

TEST(PosixSystem, WritesTheLinesExactlyAndReportsWhatFails) {
    ScratchFolder scratch;
    PosixSystem system;
    const std::string lines = "000102030405060708090A0B0C0D0E0F\r\nFFFEFDFCFBFAF9F8F7F6F5F4F3F2F1F0\r\n";
    auto created = system.CreateNewOutputFile(scratch.Wide("backup.hex"));
    ASSERT_TRUE(created.file);
    EXPECT_FALSE(created.alreadyExists);
    EXPECT_TRUE(created.file->Write(lines.substr(0, 34)));
    EXPECT_TRUE(created.file->Write(lines.substr(34)));
    EXPECT_TRUE(created.file->Close());
    EXPECT_EQ(Contents(scratch.path / "backup.hex"), lines);

    EXPECT_FALSE(system.CreateNewOutputFile(scratch.Wide("missing/backup.hex")).file);
    EXPECT_FALSE(system.CreateNewOutputFile(scratch.Wide("missing/backup.hex")).alreadyExists);

    // A disk that takes no more bytes (here: the process's file size limit) refuses them.
    auto limited = system.CreateNewOutputFile(scratch.Wide("limited.hex"));
    ASSERT_TRUE(limited.file);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedSignal = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = limited.file->Write(lines);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, savedSignal);
    EXPECT_FALSE(written);

    EXPECT_TRUE(system.RemoveFile(scratch.Wide("backup.hex")));
    EXPECT_FALSE(system.RemoveFile(scratch.Wide("backup.hex")));
}

// A backup already there is never opened again, nor is a link planted under a backup's name.
TEST(PosixSystem, NeverOpensAFileThatIsAlreadyThere) {
    ScratchFolder scratch;
    PosixSystem system;
    auto first = system.CreateNewOutputFile(scratch.Wide("backup.hex"));
    ASSERT_TRUE(first.file);
    EXPECT_TRUE(first.file->Write("AB\r\n"));
    EXPECT_TRUE(first.file->Close());

    const auto again = system.CreateNewOutputFile(scratch.Wide("backup.hex"));
    EXPECT_FALSE(again.file);
    EXPECT_TRUE(again.alreadyExists);
    EXPECT_EQ(Contents(scratch.path / "backup.hex"), "AB\r\n");

    std::filesystem::create_symlink(scratch.path / "elsewhere.hex", scratch.path / "link.hex");
    const auto link = system.CreateNewOutputFile(scratch.Wide("link.hex"));
    EXPECT_FALSE(link.file);
    EXPECT_TRUE(link.alreadyExists);
    EXPECT_FALSE(std::filesystem::exists(scratch.path / "elsewhere.hex"));
}

TEST(PosixSystem, SleepsAtLeastAsLongAsAsked) {
    PosixSystem system;
    const auto start = std::chrono::steady_clock::now();
    system.Sleep(20);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

TEST(Utf, KeepsCyrillicAndReplacesWhatIsNotUtf8) {
    EXPECT_EQ(Utf8ToUtf16("Пинцет ЖР-12"), u"Пинцет ЖР-12");
    EXPECT_EQ(Utf16ToUtf8(u"Пинцет ЖР-12"), "Пинцет ЖР-12");
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xD0"), u"\uFFFD");            // cut short
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace zrflash::test
