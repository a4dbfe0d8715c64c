// The kept folder listing: reused while the folder is unchanged, listed again as soon as
// an entry is added, removed or renamed, and never mixed up between folders.
#include "files/folder_listing.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/xattr.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "files/path_spec.hpp"
#include "platform/folder_scan.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/linux/scan_types.hpp"

namespace velmora::files {
namespace {

namespace stdfs = std::filesystem;

class KeptListing : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (stdfs::temp_directory_path() / "velmora-listing-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    std::optional<std::string> native = platform::linux_backend::native_from_host(dir_.string());
    if (!native) GTEST_SKIP() << "the temporary folder lies on no drive of this process";
    native_ = *native;
    forget_listing();
  }
  void TearDown() override {
    forget_listing();
    std::error_code ec;
    stdfs::remove_all(dir_, ec);
  }
  void touch(const std::string& name) { std::ofstream(dir_ / name) << "x"; }
  Listing list(const std::string& folder) {
    const Listing* out = nullptr;
    EXPECT_EQ(visible_entries(folder, out), 0);
    Listing copy = out ? *out : Listing{};
    std::sort(copy.begin(), copy.end());
    return copy;
  }

  stdfs::path dir_;
  std::string native_;
};

TEST_F(KeptListing, FollowsEveryChangeOfTheFolder) {
  touch("a.txt");
  touch("b.txt");
  EXPECT_EQ(list(native_), (Listing{"a.txt", "b.txt"}));
  EXPECT_EQ(list(native_), (Listing{"a.txt", "b.txt"}));
  touch("c.txt");
  EXPECT_EQ(list(native_), (Listing{"a.txt", "b.txt", "c.txt"}));
  stdfs::remove(dir_ / "a.txt");
  EXPECT_EQ(list(native_), (Listing{"b.txt", "c.txt"}));
  stdfs::rename(dir_ / "b.txt", dir_ / "z.txt");
  EXPECT_EQ(list(native_), (Listing{"c.txt", "z.txt"}));
  stdfs::create_directory(dir_ / "sub");
  EXPECT_EQ(list(native_), (Listing{"c.txt", "sub:", "z.txt"}));
}

TEST_F(KeptListing, ReusedOnlyForTheSameFolderAfterItSettled) {
  stdfs::create_directory(dir_ / "one");
  stdfs::create_directory(dir_ / "two");
  std::ofstream(dir_ / "one" / "x") << "1";
  std::ofstream(dir_ / "two" / "y") << "2";
  std::ofstream(dir_ / "two" / "z") << "3";
  EXPECT_EQ(list(native_ + "\\one"), (Listing{"x"}));
  EXPECT_EQ(list(native_ + "\\two"), (Listing{"y", "z"}));
  EXPECT_EQ(list(native_ + "\\one"), (Listing{"x"}));
}

TEST_F(KeptListing, SeesAnEntryHiddenOrShownWhileTheFolderStampsStayPut) {
  touch("a.txt");
  touch("b.txt");
  // Long after the last change of the folder, as in a working day's session.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(list(native_), (Listing{"a.txt", "b.txt"}));
  const std::string hidden = "0x2";
  ASSERT_EQ(::setxattr((dir_ / "a.txt").c_str(), "user.DOSATTRIB", hidden.data(), hidden.size(), 0),
            0);
  EXPECT_EQ(list(native_), (Listing{"b.txt"}));
  ASSERT_EQ(::removexattr((dir_ / "a.txt").c_str(), "user.DOSATTRIB"), 0);
  EXPECT_EQ(list(native_), (Listing{"a.txt", "b.txt"}));
}

TEST_F(KeptListing, ManyFoldersInTurnEachStayRight) {
  constexpr int kFolders = 40;  // more than are kept at once
  for (int i = 0; i < kFolders; ++i) {
    stdfs::create_directory(dir_ / std::to_string(i));
    std::ofstream(dir_ / std::to_string(i) / ("f" + std::to_string(i))) << "x";
  }
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < kFolders; ++i) {
      const std::string folder = native_ + "\\" + std::to_string(i);
      EXPECT_EQ(list(folder), (Listing{"f" + std::to_string(i)}));
      if (round == 1 && i % 7 == 0) {
        std::ofstream(dir_ / std::to_string(i) / "g") << "y";
        EXPECT_EQ(list(folder), (Listing{"f" + std::to_string(i), "g"}));
        stdfs::remove(dir_ / std::to_string(i) / "g");
      }
    }
  }
}

// The walk's own way in: the folder's identity taken while its path was resolved.  Its
// parent renamed away and a new folder made in its place raise no notice on the old
// folder's watch, yet the path now names another folder.
TEST_F(KeptListing, AFolderSwappedInUnderTheSamePathIsListedAfresh) {
  stdfs::create_directories(dir_ / "p" / "f");
  std::ofstream(dir_ / "p" / "f" / "old") << "x";
  const auto walk = [&] {
    PathSpec spec;
    EXPECT_EQ(resolve_path(native_ + "\\p\\f", spec), 0);
    EXPECT_TRUE(spec.is_folder);
    const Listing* out = nullptr;
    EXPECT_EQ(visible_entries(spec.name, out, spec.identity), 0);
    return out ? *out : Listing{};
  };
  EXPECT_EQ(walk(), Listing{"old"});
  EXPECT_EQ(walk(), Listing{"old"});
  stdfs::rename(dir_ / "p", dir_ / "q");
  stdfs::create_directories(dir_ / "p" / "f");
  std::ofstream(dir_ / "p" / "f" / "new") << "x";
  EXPECT_EQ(walk(), Listing{"new"});
}

// Kinds come from the folder's own entry types: a link is listed as what it leads to, a
// link leading nowhere not at all (a directory search cannot report it), and a folder
// hidden by its stored attribute is left out like a file.
TEST_F(KeptListing, LinksShowWhatTheyLeadToAndHiddenFoldersStayOut) {
  stdfs::create_directory(dir_ / "real");
  stdfs::create_directory(dir_ / "secret");
  touch("a.txt");
  stdfs::create_directory_symlink("real", dir_ / "to-dir");
  stdfs::create_symlink("a.txt", dir_ / "to-file");
  stdfs::create_symlink("nowhere", dir_ / "dangling");
  const std::string system = "0x4";
  ASSERT_EQ(
      ::setxattr((dir_ / "secret").c_str(), "user.DOSATTRIB", system.data(), system.size(), 0), 0);
  EXPECT_EQ(list(native_), (Listing{"a.txt", "real:", "to-dir:", "to-file"}));
}

// A file system that reports no entry types (DT_UNKNOWN) gets each entry's status asked
// instead: listings and walks see the same kinds either way.
TEST_F(KeptListing, KindsAreTheSameWhereTheFileSystemReportsNoEntryTypes) {
  stdfs::create_directory(dir_ / "real");
  touch("a.txt");
  stdfs::create_directory_symlink("real", dir_ / "to-dir");
  stdfs::create_symlink("nowhere", dir_ / "dangling");
  const auto walk = [&] {
    std::vector<platform::ScanEntry> entries;
    EXPECT_TRUE(platform::scan_folder(native_, entries));
    std::vector<std::string> kinds;
    for (const auto& e : entries) {
      kinds.push_back(e.name + (e.folder ? " folder" : "") + (e.link ? " link" : ""));
    }
    std::sort(kinds.begin(), kinds.end());
    return kinds;
  };
  const std::vector<std::string> expected = {"a.txt", "dangling link", "real folder",
                                             "to-dir folder link"};
  EXPECT_EQ(walk(), expected);
  EXPECT_EQ(list(native_), (Listing{"a.txt", "real:", "to-dir:"}));
  platform::linux_backend::set_entry_types_ignored(true);
  forget_listing();
  EXPECT_EQ(walk(), expected);
  EXPECT_EQ(list(native_), (Listing{"a.txt", "real:", "to-dir:"}));
  platform::linux_backend::set_entry_types_ignored(false);
}

TEST_F(KeptListing, EmptyAndMissingFolders) {
  EXPECT_EQ(list(native_), Listing{});
  const Listing* out = nullptr;
  EXPECT_NE(visible_entries(native_ + "\\missing", out), 0);
}

}  // namespace
}  // namespace velmora::files
