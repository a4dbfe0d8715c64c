// Arbitrary bytes through the parameter parser, every record, and every reader.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "params/builder.hpp"
#include "params/parser.hpp"
#include "params/readers.hpp"
#include "params/text_util.hpp"

using namespace velmora;
using namespace velmora::params;

namespace {

void read_everything(const Store& s) {
  static const char* const kKeys[] = {"A", "PATH", "RECT", "POINT", "COLOR", "TAG", "K0", "X"};
  for (const char* key : kKeys) {
    (void)text(s, key);
    char field[256];
    (void)bounded_text(s, key, field, 255);
    (void)integer(s, key);
    std::int32_t n = 0;
    (void)validated_integer(s, key, n);
    (void)percentage(s, key, 640);
    std::int32_t list[8];
    (void)integer_list(s, key, list, 8);
    (void)boolean(s, key, true);
    (void)keyword(s, key, "STOP,NOTE,CAUTION,QUESTION");
    std::uint32_t code = 0;
    (void)four_cc(s, key, code);
    std::uint32_t codes[8];
    (void)four_cc_list(s, key, codes, 8);
    Point p;
    (void)point(s, key, p);
    Rect r;
    (void)rect(s, key, r);
    RgbColor c;
    (void)color(s, key, c);
    bool has_value = false;
    (void)query_or_integer(s, key, has_value, n);
    (void)query_or_point(s, key, has_value, p);
    if (const char* v = text(s, key)) (void)escape(v);
  }
  for (int i = 0; i <= s.item_count() + 1; ++i) {
    Rect r;
    Point p;
    RgbColor c;
    std::int32_t n = 0;
    (void)item_rect(s, i, r);
    (void)item_point(s, i, p);
    (void)item_color(s, i, c);
    (void)item_integer(s, i, n);
    if (const char* v = item(s, i)) (void)escape(v);
  }
  for (int i = 0; i <= s.key_count() + 1; ++i) {
    if (const char* name = s.key_name(i)) (void)s.value(name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  const std::size_t n = std::strlen(text.data());
  std::vector<char> scratch(n + 1);
  Store store;
  store.prepare();
  store.parse_first(text.data(), scratch.data());
  int records = 0;
  do {
    read_everything(store);
  } while (store.next_record() && ++records < 10000);
  store.release();
  return 0;
}
