// The traversal behind VeUtl_FindFile: drives in list order (or one volume), each walked
// depth first in pre-order, one match at a time.  The position is kept as a stack of the
// sub-folders still to visit, so resuming costs nothing and a whole search reads every
// folder once.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/shared_state.hpp"

namespace velmora::files {

struct FindCriteria {
  std::string name;       // name part of the pattern; empty for any
  std::string extension;  // without the dot; empty for any
  std::string volume;     // "C:", "PHOTOS:", "srv::pub:" (with its final colon)
  bool volume_given = false;
  bool local_only = false;  // leave out network drives
};

class FindSearch : public host::PersistentState {
 public:
  // Forgets any running search and starts a new one (no folder read yet).
  void start(const FindCriteria& criteria);
  void stop();
  bool running() const { return running_; }
  // The full native path of the next match; false when there is none, which ends the
  // search.
  bool next(std::string& path);

  const FindCriteria& criteria() const { return criteria_; }
  const std::string& pattern() const { return pattern_; }

 private:
  struct Frame {
    std::string folder;
    std::vector<std::string> subfolders;  // still to visit, in the order listed
    std::size_t next = 0;
  };

  void choose_roots();
  bool advance();
  void visit(const std::string& folder);

  FindCriteria criteria_;
  std::string pattern_;
  bool running_ = false;
  std::vector<std::string> roots_;  // "C:", "\\srv\pub"
  std::size_t root_ = 0;
  std::vector<Frame> stack_;
  std::string current_;  // the folder whose matches are being reported
  std::vector<std::string> matches_;
  std::size_t match_ = 0;
};

// "*.jpg", "report.*", "*.*": the name (or *), a dot, the extension (or *).
std::string find_pattern(const FindCriteria& criteria);

// A path for an answer: server paths in network notation (\\srv\pub\a -> srv::pub:a).
std::string network_notation(std::string_view native_path);

}  // namespace velmora::files
