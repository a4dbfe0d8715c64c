#include "image/engine.hpp"

#include "platform/module.hpp"
#include "platform/text.hpp"
#include "resources/strings.hpp"

namespace velmora::image::engine {

namespace {
int g_use_count = 0;
constexpr std::uint32_t kEngineVersion = 0x07608000;  // 7.6: the modern paths are on
}  // namespace

void enter() { ++g_use_count; }

void leave() {
  if (g_use_count > 0) --g_use_count;
}

int use_count() { return g_use_count; }

std::uint32_t version() { return kEngineVersion; }

std::string indexed_string(int list, int index) {
  const auto text = resources::indexed_message(list, index, platform::ui_language());
  if (!text) return {};
  std::string native = platform::utf8_to_native(*text);
  if (native.size() > 255) native.resize(255);
  return native;
}

}  // namespace velmora::image::engine
