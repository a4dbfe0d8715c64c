#include "params/readers.hpp"

#include <array>
#include <cstring>

#include "params/text_util.hpp"

namespace velmora::params {

namespace {

constexpr bool is_hex_digit(unsigned char c) {
  return is_digit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
constexpr int hex_value(unsigned char c) {
  return is_digit(c) ? c - '0' : (c >= 'a' ? c - 'a' + 10 : c - 'A' + 10);
}

std::int16_t low16(std::int32_t v) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(v)));
}

}  // namespace

std::int32_t to_integer(const char* text) {
  if (text == nullptr) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (is_blank(*p)) ++p;
  bool negative = false;
  if (*p == '-') {
    negative = true;
    ++p;
  }
  // Arithmetic wraps around silently, as the language's integers always have.
  std::uint32_t value = 0;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    for (p += 2; *p; ++p) {
      if (is_hex_digit(*p)) value = value * 16u + static_cast<std::uint32_t>(hex_value(*p));
    }
  } else if (*p != '#') {
    for (; *p; ++p) {
      if (is_digit(*p)) value = value * 10u + static_cast<std::uint32_t>(*p - '0');
    }
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

bool is_valid_number(const char* text) {
  if (text == nullptr) return true;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (is_blank(*p)) ++p;
  if (*p == '-' || *p == '+') ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    for (p += 2; *p; ++p) {
      if (!is_hex_digit(*p)) return false;
    }
    return true;
  }
  bool seen_point = false;
  for (; *p; ++p) {
    if (*p == '.' && !seen_point) {
      seen_point = true;
      continue;
    }
    if (!is_digit(*p)) return false;
  }
  return true;
}

int number_list(const char* text, std::int32_t* out, int max) {
  if (text == nullptr || max < 1) return 0;
  // Only the first 255 bytes are seen.
  std::array<char, 256> buffer{};
  std::size_t n = 0;
  while (n < 255 && text[n]) {
    buffer[n] = text[n];
    ++n;
  }
  buffer[n] = '\0';
  int count = 0;
  char* piece = buffer.data();
  for (;;) {
    char* comma = std::strchr(piece, ',');
    if (comma) *comma = '\0';
    if (!is_valid_number(piece)) return count;
    out[count++] = to_integer(piece);
    if (count >= max || comma == nullptr) return count;
    piece = comma + 1;
  }
}

bool text_to_point(const char* text, Point& out) {
  std::int32_t n[2];
  if (number_list(text, n, 2) < 2) return false;
  out.h = low16(n[0]);
  out.v = low16(n[1]);
  return true;
}

bool text_to_rect(const char* text, Rect& out) {
  std::int32_t n[4];
  if (number_list(text, n, 4) < 4) return false;
  out.left = low16(n[0]);
  out.top = low16(n[1]);
  out.right = low16(n[2]);
  out.bottom = low16(n[3]);
  return !is_empty(out);
}

bool text_to_color(const char* text, RgbColor& out) {
  if (text == nullptr || *text == '\0') return false;
  std::uint32_t c[3];
  if (text[0] == '#' && std::strlen(text) == 7) {
    for (int i = 0; i < 3; ++i) {
      const auto hi = static_cast<unsigned char>(text[1 + 2 * i]);
      const auto lo = static_cast<unsigned char>(text[2 + 2 * i]);
      if (!is_hex_digit(hi) || !is_hex_digit(lo)) return false;
      c[i] = static_cast<std::uint32_t>(hex_value(hi) * 16 + hex_value(lo));
    }
  } else {
    std::int32_t n[3];
    const int count = number_list(text, n, 3);
    if (count == 1) {
      c[0] = c[1] = c[2] = static_cast<std::uint32_t>(n[0]);
    } else if (count == 3) {
      for (int i = 0; i < 3; ++i) c[i] = static_cast<std::uint32_t>(n[i]);
    } else {
      return false;
    }
  }
  out.red = static_cast<std::uint16_t>((c[0] & 0xFF) * 257);
  out.green = static_cast<std::uint16_t>((c[1] & 0xFF) * 257);
  out.blue = static_cast<std::uint16_t>((c[2] & 0xFF) * 257);
  return true;
}

bool text_to_four_cc(const char* text, std::uint32_t& out) {
  if (text == nullptr) return false;
  const std::size_t n = std::strlen(text);
  if (n == 0 || n > 4) return false;
  std::uint32_t code = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const auto byte = i < n ? static_cast<unsigned char>(text[i]) : static_cast<unsigned char>(' ');
    code = (code << 8) | byte;
  }
  out = code;
  return true;
}

bool is_query_value(std::string_view key, const char* value) {
  return value != nullptr && equals_ignore_case(key, value);
}

// ---- readers by key ------------------------------------------------------------------

const char* text(const Store& s, std::string_view key) { return s.value(key); }

bool has(const Store& s, std::string_view key) { return s.value(key) != nullptr; }

bool bounded_text(const Store& s, std::string_view key, char* dest, int n) {
  const char* v = s.value(key);
  if (v == nullptr) return false;
  if (n > 255) n = 255;
  if (n < 0) n = 0;
  const std::size_t len = std::strlen(v);
  if (len < static_cast<std::size_t>(n)) {
    std::memcpy(dest, v, len + 1);
  } else {
    std::memcpy(dest, v, static_cast<std::size_t>(n));
  }
  return true;
}

std::int32_t integer(const Store& s, std::string_view key) { return to_integer(s.value(key)); }

bool validated_integer(const Store& s, std::string_view key, std::int32_t& out) {
  const char* v = s.value(key);
  if (v == nullptr) return false;
  out = to_integer(v);
  return is_valid_number(v);
}

std::int32_t percentage(const Store& s, std::string_view key, std::int32_t reference) {
  const char* v = s.value(key);
  if (v == nullptr) return 0;
  const std::size_t len = std::strlen(v);
  const std::int32_t n = to_integer(v);
  if (len > 0 && v[len - 1] == '%') {
    const auto product = static_cast<std::int32_t>(static_cast<std::uint32_t>(reference) *
                                                   static_cast<std::uint32_t>(n));
    return product / 100;
  }
  return n;
}

int integer_list(const Store& s, std::string_view key, std::int32_t* out, int max) {
  return number_list(s.value(key), out, max);
}

bool boolean(const Store& s, std::string_view key, bool fallback) {
  const char* v = s.value(key);
  if (v == nullptr) return fallback;
  return !(equals_ignore_case(v, "FALSE") || equals_ignore_case(v, "NO"));
}

int keyword(const Store& s, std::string_view key, std::string_view list) {
  const char* v = s.value(key);
  if (v == nullptr) return 0;
  const std::string_view value(v);
  int position = 1;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    const std::string_view entry =
        list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (equals_ignore_case(entry, value)) return position;
    if (comma == std::string_view::npos) return 0;
    start = comma + 1;
    ++position;
  }
}

bool four_cc(const Store& s, std::string_view key, std::uint32_t& out) {
  return text_to_four_cc(s.value(key), out);
}

int four_cc_list(const Store& s, std::string_view key, std::uint32_t* out, int max) {
  const char* v = s.value(key);
  if (max < 1 || v == nullptr || *v == '\0') return 0;
  int count = 0;
  const char* p = v;
  while (*p && count < max) {
    if (*p == ',') ++p;
    char code[5] = {};
    int n = 0;
    while (*p && *p != ',') {
      if (n == 4) return 0;  // a fifth byte spoils the whole list
      code[n++] = *p++;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      value = (value << 8) | (i < n ? static_cast<unsigned char>(code[i]) : 0x20u);
    }
    out[count++] = value;
  }
  return count;
}

bool point(const Store& s, std::string_view key, Point& out) {
  Point p;
  if (!text_to_point(s.value(key), p)) return false;
  out = p;
  return true;
}

bool rect(const Store& s, std::string_view key, Rect& out) {
  std::int32_t n[4];
  if (number_list(s.value(key), n, 4) < 4) return false;
  return text_to_rect(s.value(key), out);
}

bool color(const Store& s, std::string_view key, RgbColor& out) {
  RgbColor c;
  if (!text_to_color(s.value(key), c)) return false;
  out = c;
  return true;
}

bool query_or_integer(const Store& s, std::string_view key, bool& has_value, std::int32_t& out) {
  const char* v = s.value(key);
  if (v == nullptr) return false;
  has_value = !is_query_value(key, v);
  if (has_value) out = to_integer(v);
  return true;
}

bool query_or_point(const Store& s, std::string_view key, bool& has_value, Point& out) {
  const char* v = s.value(key);
  if (v == nullptr) return false;
  has_value = !is_query_value(key, v);
  if (has_value) {
    Point p;
    if (text_to_point(v, p)) out = p;
  }
  return true;
}

// ---- readers by position -------------------------------------------------------------

const char* item(const Store& s, int position) { return s.item(position); }

bool item_integer(const Store& s, int position, std::int32_t& out) {
  const char* v = s.item(position);
  if (v == nullptr) return false;
  out = to_integer(v);
  return true;
}

int item_integer_list(const Store& s, int position, std::int32_t* out, int max) {
  return number_list(s.item(position), out, max);
}

bool item_point(const Store& s, int position, Point& out) {
  Point p;
  if (!text_to_point(s.item(position), p)) return false;
  out = p;
  return true;
}

bool item_rect(const Store& s, int position, Rect& out) {
  std::int32_t n[4];
  if (number_list(s.item(position), n, 4) < 4) return false;
  return text_to_rect(s.item(position), out);
}

bool item_color(const Store& s, int position, RgbColor& out) {
  RgbColor c;
  if (!text_to_color(s.item(position), c)) return false;
  out = c;
  return true;
}

bool is_path_key(std::string_view name) {
  constexpr std::string_view kPathKeys[] = {"SRC", "DEST", "PATH", "LOCATION", "ORIGINAL", "APP",
                                            "DOC"};
  for (auto k : kPathKeys) {
    if (equals_ignore_case(k, name)) return true;
  }
  return false;
}

}  // namespace velmora::params
