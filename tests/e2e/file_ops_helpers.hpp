// Hermetic drives for the file-operation and FindFile tests: a temporary folder per
// drive letter, handed to fmhost through VELMORA_DRIVES, and small file helpers.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "fmhost_runner.hpp"

namespace fs_test {

namespace stdfs = std::filesystem;

// A parameter value: between single quotes, backslashes and quotes escaped.
inline std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\\' || c == '\'' || c == '"') out += '\\';
    out += c;
  }
  return out + "'";
}

inline void write_file(const stdfs::path& p, const std::string& content) {
  stdfs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << content;
}

inline std::string read_file(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Bytes that differ from position to position, so that a shifted or short copy shows.
inline std::string pattern_bytes(std::size_t n, unsigned seed = 1) {
  std::string s(n, '\0');
  std::mt19937 gen(seed);
  for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

// Temporary drive folders, removed again at the end of the test.
class Drives {
 public:
  // `letters` such as "CD"; `base` is where the folders are made (another file system
  // for cross-device tests).
  explicit Drives(const std::string& letters,
                  const stdfs::path& base = stdfs::temp_directory_path()) {
    add(letters, base);
  }
  ~Drives() {
    std::error_code ec;
    for (auto& r : roots_) {
      // Read-only leftovers must not stop the clean-up. chmod follows links, and the
      // trees hold links leading out of the drive (to the temporary folder itself), so
      // links are never touched.
      for (auto it = stdfs::recursive_directory_iterator(r, ec);
           it != stdfs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink(ec)) ::chmod(it->path().c_str(), 0755);
      }
      stdfs::remove_all(r, ec);
    }
  }
  Drives(const Drives&) = delete;
  Drives& operator=(const Drives&) = delete;

  void add(const std::string& letters, const stdfs::path& base, const std::string& extra = "") {
    for (char letter : letters) {
      std::string tmpl = (base / "velmora-filesb-XXXXXX").string();
      if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
      roots_.emplace_back(tmpl);
      if (!table_.empty()) table_ += ';';
      table_ += std::string(1, letter) + "=" + tmpl + extra;
      letters_ += letter;
    }
  }

  const stdfs::path& root(char letter) const { return roots_.at(letters_.find(letter)); }
  const std::string& table() const { return table_; }

  // Runs fmhost with name/parameter pairs over these drives.
  RunResult run(const std::vector<std::string>& args) const {
    return run_fmhost(args, {{"VELMORA_DRIVES", table_}, {"VELMORA_LANG", "en"}});
  }
  // One call; its output line.
  std::string call(const std::string& function, const std::string& parameter) const {
    const auto r = run({function, parameter});
    auto out = lines(r.out);
    return out.empty() ? std::string("<no output, status ") + std::to_string(r.status) + ">"
                       : out.front();
  }

 private:
  std::vector<stdfs::path> roots_;
  std::string letters_;
  std::string table_;
};

inline bool is_error(const std::string& line, int code) {
  return line.rfind("ERROR=" + std::to_string(code), 0) == 0 &&
         (line.size() == 6 + std::to_string(code).size() ||
          line[6 + std::to_string(code).size()] == ' ');
}

// A folder on another file system (tmpfs), when the machine has one.
inline stdfs::path other_file_system() {
  struct stat a {
  }, b{};
  if (::stat(stdfs::temp_directory_path().c_str(), &a) != 0) return {};
  if (::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev) return {};
  if (::access("/dev/shm", W_OK) != 0) return {};
  return "/dev/shm";
}

}  // namespace fs_test
