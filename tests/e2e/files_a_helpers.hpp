// Hermetic drives for the volume, folder and FileInfo tests: temporary folders named
// to fmhost through VELMORA_DRIVES (drive letters with labels and types, and server
// shares), with helpers to make files, hidden files and parameters.
#pragma once

#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fmhost_runner.hpp"

namespace files_a {

namespace stdfs = std::filesystem;

class Machine {
 public:
  Machine() {
    std::string tmpl = (stdfs::temp_directory_path() / "velmora-filesa-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    base_ = tmpl;
  }
  ~Machine() {
    std::error_code ec;
    for (auto it = stdfs::recursive_directory_iterator(base_, ec);
         it != stdfs::recursive_directory_iterator(); it.increment(ec)) {
      // Links may lead out of the folder; granting rights through them would change
      // whatever they point at.
      if (it->is_symlink(ec)) continue;
      stdfs::permissions(it->path(), stdfs::perms::owner_all, stdfs::perm_options::add, ec);
    }
    stdfs::remove_all(base_, ec);
  }
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // A drive: letter, optional ",label=..,type=..,fs=.." options.  Returns its folder.
  stdfs::path drive(char letter, const std::string& options = "") {
    stdfs::path dir = base_ / std::string(1, letter);
    stdfs::create_directories(dir);
    add_entry(std::string(1, letter) + "=" + dir.string() + options);
    return dir;
  }
  // A mounted share \\server\share.
  stdfs::path share(const std::string& server, const std::string& name) {
    stdfs::path dir = base_ / ("share-" + server + "-" + name);
    stdfs::create_directories(dir);
    add_entry("//" + server + "/" + name + "=" + dir.string());
    return dir;
  }
  const stdfs::path& base() const { return base_; }

  RunResult run(const std::vector<std::string>& args) const {
    return run_fmhost(args, {{"VELMORA_DRIVES", table_}, {"VELMORA_LANG", "en"}});
  }
  // One call; its output line.
  std::string call(const std::string& function, const std::string& parameter) const {
    RunResult r = run({function, parameter});
    std::vector<std::string> out = lines(r.out);
    return out.empty() ? "<no output, status " + std::to_string(r.status) + ">" : out.front();
  }
  // Calls from a script file through one fmhost process; one output line per call.
  std::vector<std::string> script(const std::string& text) const {
    stdfs::path file = base_ / "calls.txt";
    std::ofstream(file, std::ios::binary) << text;
    return lines(run({"--script", file.string()}).out);
  }

 private:
  void add_entry(const std::string& entry) {
    if (!table_.empty()) table_ += ';';
    table_ += entry;
  }
  stdfs::path base_;
  std::string table_;
};

inline void write_file(const stdfs::path& p, const std::string& content = "") {
  stdfs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << content;
}

// Marks a file the way Samba and Wine keep DOS attributes (text form).
inline bool set_dos_attributes(const stdfs::path& p, const std::string& text) {
  return ::setxattr(p.c_str(), "user.DOSATTRIB", text.data(), text.size(), 0) == 0;
}

// A Windows path as a parameter value: backslashes doubled for the parameter language.
inline std::string param(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '\\' || c == '\'' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

inline bool starts_with(const std::string& s, const std::string& prefix) {
  return s.rfind(prefix, 0) == 0;
}

// The value of KEY=... in an answer line ('' quotes kept), or "<absent>".
inline std::string item(const std::string& line, const std::string& key) {
  std::string needle = " " + key + "=";
  std::size_t at = (" " + line).find(needle);
  if (at == std::string::npos) return "<absent>";
  std::size_t start = at + needle.size() - 1;
  std::size_t end = start;
  if (end < line.size() && line[end] == '\'') {
    ++end;
    while (end < line.size() && line[end] != '\'') end += line[end] == '\\' ? 2 : 1;
    ++end;
  } else {
    end = line.find(' ', start);
  }
  return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace files_a
