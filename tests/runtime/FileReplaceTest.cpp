// The textfile writer against what may stand at its path. POSIX only: the cases need links and pipes.
#include "runtime/FileReplace.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class FileReplaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vantrex-replace-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_path = m_folder / "vantrex.prom";
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Names in the folder, at any depth, that only a temporary file would have.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> found;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(m_folder)) {
            if (entry.path().filename().string().starts_with(".")) {
                found.push_back(entry.path().string());
            }
        }
        return found;
    }

    fs::path m_folder;
    fs::path m_path;
};

std::string Contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

constexpr fs::perms kNewFileMode =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;
// Nobody's user id: another user than the one running the test.
constexpr uid_t kOtherUser = 65534;

struct PlacementCase {
    const char* name;
    std::function<void(const fs::path& folder, const fs::path& path)> plant;
    const char* holder; // the file that must hold the text afterwards; empty: refused
    LinkAtPath link = LinkAtPath::FollowToRegularFile;
    const char* refusal = "not a regular file";
    fs::perms mode = kNewFileMode; // the holder's afterwards
    bool asRoot = false;           // planting needs root: a link given to another user
};

class FileReplacePlacementTest : public FileReplaceTest,
                                 public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(FileReplacePlacementTest, WhatStandsAtThePathDecidesWhereTheTextGoes) {
    const PlacementCase& c = GetParam();
    if (c.asRoot && geteuid() != 0) {
        GTEST_SKIP() << "only root can give a link to another user";
    }
    fs::create_directory(m_folder / "elsewhere");
    c.plant(m_folder, m_path);
    const fs::file_type before = fs::symlink_status(m_path).type();
    std::string error;
    const bool written = ReplaceWholeFile(m_path.string(), "vantrex_up 1\n", c.link, error);
    EXPECT_EQ(written, *c.holder != '\0') << error;
    if (written) {
        const fs::path holder = m_folder / c.holder;
        EXPECT_EQ(Contents(holder), "vantrex_up 1\n");
        EXPECT_EQ(fs::status(holder).permissions() & fs::perms::all, c.mode);
    } else {
        EXPECT_EQ(error, "cannot write '" + m_path.string() + "': " + c.refusal);
    }
    // A link stays a link and a special file stays what it was.
    if (before != fs::file_type::not_found) {
        EXPECT_EQ(fs::symlink_status(m_path).type(), before);
    }
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

void Fifo(const fs::path& path) {
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
}

// A file only its owner may read, as root's secrets are.
void OwnerOnlyFile(const fs::path& path) {
    std::ofstream(path) << "secret\n";
    fs::permissions(path, kOwnerOnly);
}

// A link at path to target that another user owns, as one planted by the user a textfile folder
// belongs to.
void OtherUsersLink(const fs::path& target, const fs::path& path) {
    fs::create_symlink(target, path);
    ASSERT_EQ(lchown(path.c_str(), kOtherUser, kOtherUser), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Placements, FileReplacePlacementTest,
    ::testing::Values(PlacementCase{"Nothing", [](const fs::path&, const fs::path&) {}, "vantrex.prom"},
                      PlacementCase{
                          "RegularFile",
                          [](const fs::path&, const fs::path& path) { std::ofstream(path) << "old\n"; },
                          "vantrex.prom"},
                      PlacementCase{"LinkToRegularFile",
                                    [](const fs::path& folder, const fs::path& path) {
                                        std::ofstream(folder / "elsewhere" / "real.prom") << "old\n";
                                        fs::create_symlink(folder / "elsewhere" / "real.prom", path);
                                    },
                                    "elsewhere/real.prom"},
                      PlacementCase{"LinkRefused",
                                    [](const fs::path& folder, const fs::path& path) {
                                        std::ofstream(folder / "elsewhere" / "real.prom") << "old\n";
                                        fs::create_symlink(folder / "elsewhere" / "real.prom", path);
                                    },
                                    "", LinkAtPath::Refuse, "a symbolic link"},
                      PlacementCase{"Fifo", [](const fs::path&, const fs::path& path) { Fifo(path); }, ""},
                      PlacementCase{"LinkToFifo",
                                    [](const fs::path& folder, const fs::path& path) {
                                        Fifo(folder / "elsewhere" / "pipe");
                                        fs::create_symlink(folder / "elsewhere" / "pipe", path);
                                    },
                                    ""},
                      PlacementCase{"LinkToNothing",
                                    [](const fs::path& folder, const fs::path& path) {
                                        fs::create_symlink(folder / "elsewhere" / "missing", path);
                                    },
                                    ""},
                      PlacementCase{"Folder",
                                    [](const fs::path&, const fs::path& path) { fs::create_directory(path); },
                                    ""},
                      PlacementCase{"RegularFileKeepsItsMode",
                                    [](const fs::path&, const fs::path& path) { OwnerOnlyFile(path); },
                                    "vantrex.prom", LinkAtPath::FollowToRegularFile, "", kOwnerOnly},
                      PlacementCase{"LinkedFileKeepsItsMode",
                                    [](const fs::path& folder, const fs::path& path) {
                                        OwnerOnlyFile(folder / "elsewhere" / "real.prom");
                                        fs::create_symlink(folder / "elsewhere" / "real.prom", path);
                                    },
                                    "elsewhere/real.prom", LinkAtPath::FollowToRegularFile, "", kOwnerOnly},
                      PlacementCase{"LinkOfAnotherUser",
                                    [](const fs::path& folder, const fs::path& path) {
                                        OwnerOnlyFile(folder / "elsewhere" / "secret");
                                        OtherUsersLink(folder / "elsewhere" / "secret", path);
                                    },
                                    "", LinkAtPath::FollowToRegularFile,
                                    "a symbolic link owned by another user", kNewFileMode, true},
                      PlacementCase{"OwnLinkToALinkOfAnotherUser",
                                    [](const fs::path& folder, const fs::path& path) {
                                        OwnerOnlyFile(folder / "elsewhere" / "secret");
                                        OtherUsersLink("secret", folder / "elsewhere" / "planted");
                                        fs::create_symlink(folder / "elsewhere" / "planted", path);
                                    },
                                    "", LinkAtPath::FollowToRegularFile,
                                    "a symbolic link owned by another user", kNewFileMode, true}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

TEST_F(FileReplaceTest, FailedWriteLeavesNoTemporaryAndSaysWhy) {
    // A file size limit makes the write fail part-way, as a full disk would.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool written =
        ReplaceWholeFile(m_path.string(), std::string(65536, 'x'), LinkAtPath::Refuse, error);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &previous), 0);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, "cannot write '" + m_path.string() + "': File too large");
    EXPECT_FALSE(fs::exists(m_path));
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

TEST_F(FileReplaceTest, ConcurrentWritersBothSucceedAndTheFileIsOneWhole) {
    constexpr int kRounds = 50;
    const std::string texts[2] = {std::string(100000, 'a'), std::string(100000, 'b')};
    int failures[2] = {0, 0};
    std::string errors[2];
    const auto writer = [&](int which) {
        for (int round = 0; round < kRounds; ++round) {
            failures[which] +=
                ReplaceWholeFile(m_path.string(), texts[which], LinkAtPath::Refuse, errors[which]) ? 0 : 1;
        }
    };
    std::thread first(writer, 0);
    std::thread second(writer, 1);
    first.join();
    second.join();
    EXPECT_EQ(failures[0], 0) << errors[0];
    EXPECT_EQ(failures[1], 0) << errors[1];
    const std::string left = Contents(m_path);
    EXPECT_TRUE(left == texts[0] || left == texts[1]);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

} // namespace
