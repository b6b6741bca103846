#include "services/FileSettingsStore.h"
#include "services/SettingsFileFormat.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace zktest {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class FileSettingsStoreTest : public ::testing::Test {
protected:
    FileSettingsStoreTest() {
        char pattern[] = "/tmp/zk-settings-XXXXXX";
        root = mkdtemp(pattern);
        fs::permissions(root, fs::perms::all); // reachable by the unprivileged child below
        file = root / "config" / "settings";
    }
    ~FileSettingsStoreTest() override { fs::remove_all(root); }

    zk::FileSettingsStore store{[this] { return file.string(); }};
    fs::path root;
    fs::path file;
};

std::vector<zk::SettingsWrite> batch(std::initializer_list<std::pair<const char*, uint32_t>> values) {
    std::vector<zk::SettingsWrite> writes;
    for (auto [name, value] : values) writes.push_back({name, value});
    return writes;
}

bool allWritten(const std::vector<zk::SettingsWrite>& writes) {
    for (const zk::SettingsWrite& write : writes)
        if (!write.written) return false;
    return true;
}

TEST(SettingsPath, FollowsTheUsersConfigFolder) {
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string restoreConfig = savedConfig ? savedConfig : "";
    setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    EXPECT_EQ(zk::FileSettingsStore::userSettingsPath(), "/x/conf/zephyrkettledrome.org/Zephyrkettledrome/settings");
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "relative/conf", 1);
    EXPECT_EQ(zk::FileSettingsStore::userSettingsPath(),
              "/home/someone/.config/zephyrkettledrome.org/Zephyrkettledrome/settings");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(zk::FileSettingsStore::userSettingsPath(),
              "/home/someone/.config/zephyrkettledrome.org/Zephyrkettledrome/settings");
    if (savedConfig) setenv("XDG_CONFIG_HOME", restoreConfig.c_str(), 1);
}

TEST_F(FileSettingsStoreTest, ReadingCreatesNothingAndWritingCreatesTheFolder) {
    EXPECT_EQ(store.readValue("MidiCC-Master"), 0u);
    EXPECT_FALSE(fs::exists(root / "config"));
    auto writes = batch({{"MidiCC-Master", 8}, {"MidiCC-Right1 ", 1}});
    store.writeValues(writes);
    EXPECT_TRUE(allWritten(writes));
    EXPECT_EQ(store.readValue("MidiCC-Master"), 8u);
    EXPECT_EQ(store.readValue("MidiCC-Right1 "), 1u);
    EXPECT_EQ(store.readValue("MidiCC-Right1"), 0u);
    auto more = batch({{"Dry", 5001}, {"MidiCC-Master", 9}});
    store.writeValues(more);
    EXPECT_EQ(store.readValue("MidiCC-Master"), 9u);
    EXPECT_EQ(store.readValue("MidiCC-Right1 "), 1u); // what else the file held stays
    EXPECT_EQ(fs::directory_iterator(root / "config")->path(), file); // no temporary left behind
}

TEST_F(FileSettingsStoreTest, DamagedFilesLoadWithoutStrayBindingsAndAreRewrittenCleanly) {
    fs::create_directories(file.parent_path());
    const std::string good = "\"MidiCC-Master\" 8\n";
    std::string garbage = good;
    for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 131) & 0xFF);
    for (const std::string& content :
         {good.substr(0, 10), garbage, std::string(zk::FileSettingsStore::kMaxFileBytes + 1, '\n') + good}) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
        const uint32_t master = store.readValue("MidiCC-Master");
        EXPECT_TRUE(master == 0 || content == garbage) << content.size();
        EXPECT_EQ(store.readValue("MidiCC-Dry"), 0u);
        auto writes = batch({{"MidiCC-Dry", 3}});
        store.writeValues(writes);
        EXPECT_TRUE(allWritten(writes));
        const std::string rewritten = slurp(file);
        EXPECT_EQ(zk::formatSettings(zk::parseSettings(rewritten)), rewritten);
        EXPECT_EQ(store.readValue("MidiCC-Dry"), 3u);
    }
}

// Runs `action` in a child process whose file size limit is `limit` bytes, as if the disk
// filled up; as root also without the right to write to the folder when `dropRights`.
int inChild(const std::function<bool()>& action, rlim_t limit, bool dropRights) {
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit size{limit, limit};
        setrlimit(RLIMIT_FSIZE, &size);
        if (dropRights && geteuid() == 0 && setuid(65534) != 0) _exit(3);
        _exit(action() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST_F(FileSettingsStoreTest, AFailedSaveKeepsTheOldFileIntact) {
    auto first = batch({{"MidiCC-Master", 8}, {"MidiCC-Dry", 1}});
    store.writeValues(first);
    const std::string before = slurp(file);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    // A full disk in the middle of the save.
    std::string bigName(4000, 'n');
    EXPECT_EQ(inChild(
                  [&] {
                      std::vector<zk::SettingsWrite> writes = {{"MidiCC-Master", 2}, {bigName, 1}};
                      store.writeValues(writes);
                      return !writes[0].written && !writes[1].written;
                  },
                  64, false),
              0);
    EXPECT_EQ(slurp(file), before);

    // A folder that cannot be written.
    fs::permissions(file.parent_path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                            fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_EQ(inChild(
                  [&] {
                      auto writes = batch({{"MidiCC-Master", 2}});
                      store.writeValues(writes);
                      return !writes[0].written && store.readValue("MidiCC-Master") == 8u;
                  },
                  RLIM_INFINITY, true),
              0);
    EXPECT_EQ(slurp(file), before);
    fs::permissions(file.parent_path(), fs::perms::all);
}

TEST_F(FileSettingsStoreTest, ConcurrentSavesLeaveOneCompleteSet) {
    auto save = [this](uint32_t value) {
        zk::FileSettingsStore other([this] { return file.string(); }); // as a second instance would
        for (int round = 0; round < 20; ++round) {
            std::vector<zk::SettingsWrite> writes;
            for (int i = 0; i < 54; ++i) writes.push_back({"MidiCC-" + std::to_string(i), value});
            other.writeValues(writes);
        }
    };
    std::thread a(save, 11), b(save, 22);
    a.join();
    b.join();
    const zk::SettingsValues values = zk::parseSettings(slurp(file));
    ASSERT_EQ(values.size(), 54u);
    const uint32_t winner = values.begin()->second;
    EXPECT_TRUE(winner == 11 || winner == 22);
    for (const auto& [name, value] : values) EXPECT_EQ(value, winner) << name;
}

} // namespace
} // namespace zktest
