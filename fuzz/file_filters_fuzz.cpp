// Arbitrary parameter text through the choosers' type lists, and arbitrary chosen paths
// through the network notation and the escaping of the answer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/file_filters.hpp"
#include "params/parser.hpp"
#include "params/text_util.hpp"

using namespace velmora;

namespace {

std::string describe(std::string_view extension) {
  // A system that knows a few types, with a long description to press the room.
  if (extension == ".jpg") return "JPEG image";
  if (extension == ".gif") return std::string(300, 'g');
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  std::vector<char> text(bytes.begin(), bytes.end());
  text.push_back('\0');
  std::vector<char> scratch(text.size(), 0);
  params::Store store;
  store.prepare();
  store.parse_first(text.data(), scratch.data());
  for (const std::size_t room :
       {std::size_t{0}, dialogs::kOpenFilterRoom, dialogs::kSaveFilterRoom}) {
    const auto filters = dialogs::build_filters(store, room, describe);
    if (filters.empty() || filters.back().label != "All Files") __builtin_trap();
  }
  store.release();

  const std::string notation = dialogs::network_notation(bytes);
  (void)params::escape_all(notation);
  return 0;
}
