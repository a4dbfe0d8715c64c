// Access to the picture engine: entered around every call with a use count, asked for
// its version, and the indexed-string service that gives error codes their messages.
#pragma once
#include <cstdint>
#include <string>

namespace velmora::image::engine {

// Entered before every external function call and left after it.
void enter();
void leave();
int use_count();

// The version answer: major and minor in the high 16 bits (0x0760xxxx is 7.6).
std::uint32_t version();

// Entry `index` of indexed string list `list` in native text (code page 932), at most 255
// bytes; empty when there is none.
std::string indexed_string(int list, int index);

struct Session {
  Session() { enter(); }
  ~Session() { leave(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

}  // namespace velmora::image::engine
