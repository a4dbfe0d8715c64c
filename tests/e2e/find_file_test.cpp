// VeUtl_FindFile through fmhost over hermetic drives: order, resume, criteria, volumes.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "file_ops_helpers.hpp"

namespace {

using namespace fs_test;

// The file system's own listing order, read directly.
std::vector<std::pair<std::string, bool>> listing(const stdfs::path& dir) {
  std::vector<std::pair<std::string, bool>> out;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return out;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    out.emplace_back(name, stdfs::is_directory(stdfs::symlink_status(dir / name)));
  }
  ::closedir(d);
  return out;
}

bool ends_with_ci(const std::string& name, const std::string& suffix) {
  if (name.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[name.size() - suffix.size() + i])) !=
        std::tolower(static_cast<unsigned char>(suffix[i]))) {
      return false;
    }
  }
  return true;
}

// What FindFile must report for "*.<ext>", written recursively: matches of a folder
// first, then each sub-folder (dot folders left out) in listing order.
void expected_matches(const stdfs::path& dir, const std::string& shown, const std::string& ext,
                      std::vector<std::string>& out) {
  const auto entries = listing(dir);
  for (const auto& [name, folder] : entries) {
    if (ends_with_ci(name, "." + ext)) out.push_back(shown + "\\\\" + name);
  }
  for (const auto& [name, folder] : entries) {
    if (folder && name[0] != '.') expected_matches(dir / name, shown + "\\\\" + name, ext, out);
  }
}

// Calls FindFile until it reports -43; the first call carries the criteria.
std::vector<std::string> find_all(const Drives& d, const std::string& criteria, int max_calls) {
  std::vector<std::string> args = {"VeUtl_FindFile", criteria};
  for (int i = 1; i < max_calls; ++i) {
    args.push_back("VeUtl_FindFile");
    args.push_back("");
  }
  const auto r = d.run(args);
  std::vector<std::string> found;
  for (const auto& line : lines(r.out)) {
    if (line.rfind("ERROR=", 0) == 0) break;
    found.push_back(line);
  }
  return found;
}

void make_tree(const stdfs::path& root) {
  write_file(root / "a.jpg", "");
  write_file(root / "b.JPG", "");
  write_file(root / "notes.txt", "");
  write_file(root / "Photos" / "c.jpg", "");
  write_file(root / "Photos" / "2014" / "d.jpg", "");
  write_file(root / "Photos" / "2014" / "deep" / "e.jpg", "");
  write_file(root / "Photos" / "z" / "f.jpg", "");
  write_file(root / "Docs" / "report", "");
  write_file(root / "Docs" / "report.txt", "");
  write_file(root / "Docs" / "g.jpeg", "");
  write_file(root / ".git" / "h.jpg", "");
  write_file(root / "Photos" / ".thumbs" / "i.jpg", "");
  write_file(root / "Empty" / "Nested" / "j.jpg", "");
}

TEST(FindFile, WalksDrivesInOrderPreOrderAndEndsWithMinus43ThenMinus50) {
  Drives d("CD");
  make_tree(d.root('C'));
  write_file(d.root('D') / "k.jpg", "");
  write_file(d.root('D') / "sub" / "l.jpg", "");
  std::vector<std::string> expected;
  expected_matches(d.root('C'), "C:", "jpg", expected);
  expected_matches(d.root('D'), "D:", "jpg", expected);
  ASSERT_EQ(expected.size(), 9u);

  std::vector<std::string> args = {"VeUtl_FindFile", "EXTENSION=jpg"};
  for (std::size_t i = 0; i < expected.size() + 1; ++i) {
    args.push_back("VeUtl_FindFile");
    args.push_back("");
  }
  const auto out = lines(d.run(args).out);
  ASSERT_EQ(out.size(), expected.size() + 2);
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(out[i], expected[i]) << i;
  EXPECT_TRUE(is_error(out[expected.size()], -43)) << out[expected.size()];
  EXPECT_TRUE(is_error(out[expected.size() + 1], -50)) << out[expected.size() + 1];
  for (const auto& line : out) EXPECT_EQ(line.find(".git"), std::string::npos) << line;
  for (const auto& line : out) EXPECT_EQ(line.find(".thumbs"), std::string::npos) << line;
}

TEST(FindFile, CriteriaForms) {
  Drives d("C");
  make_tree(d.root('C'));
  std::vector<std::string> jpg;
  expected_matches(d.root('C'), "C:", "jpg", jpg);

  // A leading dot is dropped; FILETYPE=JPEG means *.jpg; JFIF too.
  EXPECT_EQ(find_all(d, "EXTENSION=.jpg", 20), jpg);
  EXPECT_EQ(find_all(d, "FILETYPE=JPEG", 20), jpg);
  EXPECT_EQ(find_all(d, "FILETYPE=JFIF", 20), jpg);
  // NAME=report searches report.*, which also takes the name without a dot.
  auto reports = find_all(d, "NAME=report", 20);
  std::sort(reports.begin(), reports.end());
  EXPECT_EQ(reports,
            (std::vector<std::string>{"C:\\\\Docs\\\\report", "C:\\\\Docs\\\\report.txt"}));
  // Wildcards in the name.
  EXPECT_EQ(find_all(d, "NAME=g EXTENSION=jp?g", 20),
            (std::vector<std::string>{"C:\\\\Docs\\\\g.jpeg"}));
  // Codes nobody registered, and lower-case codes, are refused.
  EXPECT_TRUE(is_error(d.call("VeUtl_FindFile", "FILETYPE=jpeg"), -50));
  EXPECT_TRUE(is_error(d.call("VeUtl_FindFile", "FILETYPE=TOOLONG"), -50));
  // No criteria and no search: refused.
  EXPECT_TRUE(is_error(d.call("VeUtl_FindFile", "VOLUME=C"), -50));
}

TEST(FindFile, NewCriteriaMidSearchStartOver) {
  Drives d("C");
  make_tree(d.root('C'));
  std::vector<std::string> jpg;
  expected_matches(d.root('C'), "C:", "jpg", jpg);
  const auto out =
      lines(d.run({"VeUtl_FindFile", "EXTENSION=jpg", "VeUtl_FindFile", "", "VeUtl_FindFile",
                   "EXTENSION=jpg", "VeUtl_FindFile", "", "VeUtl_FindFile", "NAME=notes"})
                .out);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0], jpg[0]);
  EXPECT_EQ(out[1], jpg[1]);
  EXPECT_EQ(out[2], jpg[0]);
  EXPECT_EQ(out[3], jpg[1]);
  EXPECT_EQ(out[4], "C:\\\\notes.txt");
}

TEST(FindFile, AnUnusableNewSearchEndsTheRunningOne) {
  Drives d("C");
  make_tree(d.root('C'));
  const auto out = lines(d.run({"VeUtl_FindFile", "EXTENSION=jpg", "VeUtl_FindFile",
                                "FILETYPE=none", "VeUtl_FindFile", ""})
                             .out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_TRUE(is_error(out[1], -50));
  EXPECT_TRUE(is_error(out[2], -50));
}

TEST(FindFile, VolumeRestrictsTheSearch) {
  Drives d("CD");
  write_file(d.root('C') / "c.jpg", "");
  write_file(d.root('D') / "x" / "d.jpg", "");
  d.add("E", stdfs::temp_directory_path(), ",label=PHOTOS,type=removable");
  write_file(d.root('E') / "e.jpg", "");

  EXPECT_EQ(find_all(d, "EXTENSION=jpg VOLUME=D", 5),
            (std::vector<std::string>{"D:\\\\x\\\\d.jpg"}));
  EXPECT_EQ(find_all(d, "EXTENSION=jpg VOLUME=d:", 5),
            (std::vector<std::string>{"D:\\\\x\\\\d.jpg"}));
  EXPECT_EQ(find_all(d, "EXTENSION=jpg VOLUME=photos", 5),
            (std::vector<std::string>{"E:\\\\e.jpg"}));
  EXPECT_TRUE(is_error(d.call("VeUtl_FindFile", "EXTENSION=jpg VOLUME=NOLABEL"), -43));
  EXPECT_EQ(find_all(d, "EXTENSION=jpg", 5),
            (std::vector<std::string>{"C:\\\\c.jpg", "D:\\\\x\\\\d.jpg", "E:\\\\e.jpg"}));
}

TEST(FindFile, LocalOnlyLeavesNetworkDrivesOut) {
  Drives d("C");
  d.add("N", stdfs::temp_directory_path(), ",type=network");
  write_file(d.root('C') / "c.jpg", "");
  write_file(d.root('N') / "n.jpg", "");
  EXPECT_EQ(find_all(d, "EXTENSION=jpg", 5),
            (std::vector<std::string>{"C:\\\\c.jpg", "N:\\\\n.jpg"}));
  EXPECT_EQ(find_all(d, "EXTENSION=jpg LOCALONLY", 5), (std::vector<std::string>{"C:\\\\c.jpg"}));
}

TEST(FindFile, LinksAreReportedButNeverEntered) {
  Drives d("C");
  write_file(d.root('C') / "A" / "a.jpg", "");
  stdfs::create_directory_symlink(d.root('C') / "A", d.root('C') / "A" / "loop.jpg");
  stdfs::create_directory_symlink(d.root('C'), d.root('C') / "A" / "up");
  auto found = find_all(d, "EXTENSION=jpg", 10);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"C:\\\\A\\\\a.jpg", "C:\\\\A\\\\loop.jpg"}));
}

TEST(FindFile, StarDotStarNeverReportsDotEntries) {
  Drives d("C");
  write_file(d.root('C') / "S" / "only", "");
  const auto found = find_all(d, "NAME=* EXTENSION=*", 10);
  EXPECT_EQ(found, (std::vector<std::string>{"C:\\\\S", "C:\\\\S\\\\only"}));
}

}  // namespace
