// Path notations: classification and conversion by byte scans that step over the
// second bytes of double-byte characters.
#include "files/path_notation.hpp"

#include <algorithm>

#include "params/text_util.hpp"

namespace velmora::files {

namespace {

// Calls f(index, byte) for every single-byte character or lead byte of the text.
template <typename F>
void for_each_char(std::string_view text, F&& f) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    f(i, c);
    if (params::is_lead_byte(c) && i + 1 < text.size()) ++i;
  }
}

}  // namespace

PathForm classify(std::string_view text) {
  int colons = 0, backslashes = 0;
  std::size_t colon_at[3] = {0, 0, 0};
  std::size_t first_backslash = 0;
  for_each_char(text, [&](std::size_t i, unsigned char c) {
    if (c == ':') {
      if (colons < 3) colon_at[colons] = i;
      ++colons;
    } else if (c == '\\') {
      if (backslashes == 0) first_backslash = i;
      ++backslashes;
    }
  });
  if (colons >= 2 && colon_at[1] == colon_at[0] + 1) return PathForm::Network;
  if (colons == 1 && colon_at[0] == 1 && backslashes > 0 && first_backslash == 2) {
    return PathForm::DrivePath;
  }
  if (colons > 0) return PathForm::Colon;
  if (backslashes > 0) return PathForm::Backslash;
  return PathForm::Bare;
}

std::string network_to_native(std::string_view text) {
  std::size_t first_colon = std::string_view::npos, third_colon = std::string_view::npos;
  std::size_t at = std::string_view::npos;
  int colons = 0;
  for_each_char(text, [&](std::size_t i, unsigned char c) {
    if (c == ':') {
      ++colons;
      if (colons == 1) first_colon = i;
      if (colons == 3) third_colon = i;
    } else if (c == '@' && at == std::string_view::npos && colons == 0) {
      at = i;
    }
  });
  if (first_colon == std::string_view::npos) return std::string(text);
  std::string_view server = text.substr(0, at != std::string_view::npos ? at : first_colon);
  std::size_t share_start = first_colon + 2;
  std::string_view share = share_start > text.size()
                               ? std::string_view()
                               : text.substr(share_start, third_colon == std::string_view::npos
                                                              ? std::string_view::npos
                                                              : third_colon - share_start);
  std::string out = "\\\\";
  out += server;
  out += '\\';
  if (!share.empty()) {
    out += share;
    out += '\\';
  }
  if (third_colon != std::string_view::npos) {
    std::string_view rest = text.substr(third_colon + 1);
    std::size_t base = out.size();
    out += rest;
    for_each_char(rest, [&](std::size_t i, unsigned char c) {
      if (c == ':') out[base + i] = '\\';
    });
  }
  return out;
}

void split_colon_notation(std::string_view text, std::string& label, std::string& rest) {
  std::string converted(text);
  std::size_t first_colon = std::string_view::npos;
  for_each_char(text, [&](std::size_t i, unsigned char c) {
    if (c != ':') return;
    if (first_colon == std::string_view::npos) {
      first_colon = i;
    } else {
      converted[i] = '\\';
    }
  });
  label.clear();
  if (first_colon == std::string_view::npos) {
    rest = converted;
    return;
  }
  if (first_colon <= 1) {
    if (converted.size() <= 2 || converted[2] != '\\') {
      converted.insert(std::min<std::size_t>(2, converted.size()), 1, '\\');
    }
    rest = converted;
    return;
  }
  label = converted.substr(0, first_colon);
  std::size_t after = first_colon + 1;
  if (after < converted.size() && converted[after] == '\\') ++after;
  rest = converted.substr(after);
}

std::string to_network_notation(std::string_view native) {
  if (native.size() < 2 || native[0] != '\\' || native[1] != '\\') return std::string(native);
  std::string_view rest = native.substr(2);
  std::string out;
  bool first = true;
  for_each_char(rest, [&](std::size_t i, unsigned char c) {
    if (c == '\\') {
      out += first ? "::" : ":";
      first = false;
      return;
    }
    out.push_back(rest[i]);
    if (params::is_lead_byte(c) && i + 1 < rest.size()) out.push_back(rest[i + 1]);
  });
  return out;
}

bool is_share_root(std::string_view native) {
  if (native.size() < 3 || native[0] != '\\' || native[1] != '\\') return false;
  int more = 0;
  for_each_char(native.substr(2), [&](std::size_t, unsigned char c) {
    if (c == '\\') ++more;
  });
  return more == 1;
}

bool ends_with_backslash(std::string_view native) {
  if (native.empty() || native.back() != '\\') return false;
  return !params::is_second_byte(native.data(), native.data() + native.size() - 1);
}

std::size_t name_start(std::string_view native) {
  std::size_t start = 0;
  for_each_char(native, [&](std::size_t i, unsigned char c) {
    if (c == '\\') start = i + 1;
  });
  return start;
}

std::size_t find_backslash(std::string_view native, std::size_t from) {
  std::size_t found = std::string_view::npos;
  for_each_char(native, [&](std::size_t i, unsigned char c) {
    if (found == std::string_view::npos && i >= from && c == '\\') found = i;
  });
  return found;
}

void add_backslash(std::string& native) {
  if (!ends_with_backslash(native)) native.push_back('\\');
}

}  // namespace velmora::files
