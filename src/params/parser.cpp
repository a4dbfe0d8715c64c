#include "params/parser.hpp"

#include <cstring>

#include "params/text_util.hpp"

namespace velmora::params {

namespace {

char escaped_char(char c) {
  switch (c) {
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 's':
      return ' ';
    case 't':
      return '\t';
    default:
      return c;
  }
}

char* skip_blanks(char* p) {
  while (*p && is_blank(static_cast<unsigned char>(*p))) ++p;
  return p;
}

// Tracks whether the byte under the scan is the second byte of a double-byte character,
// equivalent to walking from the item's start over the text as it stands now.
struct DbcsTracker {
  bool second = false;
  void pass(char c) { second = second ? false : is_lead_byte(static_cast<unsigned char>(c)); }
};

}  // namespace

void Store::prepare() {
  items_.assign(kItemGrowth, nullptr);
  item_count_ = 0;
}

void Store::release() {
  std::vector<char*>().swap(items_);
  item_count_ = 0;
  key_count_ = 0;
  cursor_ = nullptr;
  scratch_start_ = scratch_cursor_ = scratch_end_ = nullptr;
}

void Store::reset_record() {
  scratch_cursor_ = scratch_start_;
  key_count_ = 0;
  item_count_ = 0;
  for (std::size_t i = 0; i < items_.size() && i < static_cast<std::size_t>(kItemGrowth); ++i) {
    items_[i] = nullptr;
  }
  for (int i = 0; i < kMaxKeys; ++i) key_names_[i] = key_values_[i] = nullptr;
}

void Store::parse_first(char* text, char* scratch) {
  if (items_.empty()) prepare();
  scratch_start_ = scratch;
  scratch_end_ = scratch + std::strlen(text) + 1;
  record_number_ = 1;
  reset_record();
  cursor_ = text;
  parse_record(text);
}

bool Store::next_record() {
  if (cursor_ == nullptr) return false;
  if (*cursor_ == '|') {
    ++cursor_;
    reset_record();
  }
  cursor_ = skip_blanks(cursor_);
  if (*cursor_ == '\0') return false;
  ++record_number_;
  parse_record(cursor_);
  return true;
}

void Store::store_item(char* position) {
  if (static_cast<std::size_t>(item_count_) >= items_.size())
    items_.resize(item_count_ + kItemGrowth);
  items_[item_count_] = position;
}

// The item is compacted as it is scanned: `r` reads, `w` writes.  Removed quote
// characters and the second byte of an escape simply are not copied, so the parse stays
// linear in the length of the text.  Bytes between w and r after an item's terminator
// belong to no item.
void Store::parse_record(char* r) {
  r = skip_blanks(r);
  for (;;) {
    char* const item_start = r;
    char* w = r;
    store_item(item_start);
    bool seen_equals = false;
    bool at_start = true;
    DbcsTracker dbcs;
    char ended_by = '\0';

    auto put = [&](char c) {
      dbcs.pass(c);
      *w++ = c;
    };
    for (;;) {
      const char c = *r;
      if (c == '\0') break;
      // 0x7C is also the second byte of everyday double-byte characters (katakana po,
      // the full-width minus): only a bar of its own separates.
      if (is_separator(static_cast<unsigned char>(c)) && !dbcs.second) {
        ended_by = c;
        ++r;
        break;
      }
      if ((c == '\'' || c == '"') && at_start) {
        // A quoted stretch: separators inside it do not end the item.
        ++r;
        while (*r && *r != c) {
          if (*r == '\\' && !dbcs.second) {
            if (r[1] == '\0') {
              ++r;  // a lone backslash at the end escapes nothing
              break;
            }
            put(escaped_char(r[1]));
            r += 2;
            continue;
          }
          put(*r++);
        }
        if (*r == c) ++r;
        at_start = false;
        continue;
      }
      if (c == '=' && !seen_equals && !at_start && !dbcs.second) {
        put(*r++);
        define(item_start, w);
        seen_equals = true;
        at_start = true;
        continue;
      }
      at_start = false;
      if (c == '\\' && !dbcs.second) {
        if (r[1] == '\0') {
          ++r;
          continue;
        }
        put(escaped_char(r[1]));
        r += 2;
        continue;
      }
      put(*r++);
    }
    *w = '\0';

    char* const next = skip_blanks(r);
    if (!seen_equals) define(item_start, nullptr);
    ++item_count_;
    if (static_cast<std::size_t>(item_count_) >= items_.size()) {
      items_.resize(items_.size() + kItemGrowth);
    }
    if (ended_by == '\0' || ended_by == '|') {
      cursor_ = next;
      return;
    }
    r = next;
  }
}

void Store::define(char* name_start, char* value) {
  if (!is_ascii_letter(static_cast<unsigned char>(*name_start)) && *name_start != '_') return;
  char* copy = scratch_cursor_;
  char* out = copy;
  for (const char* q = name_start; *q && *q != '=' && !is_blank(static_cast<unsigned char>(*q));
       ++q) {
    const auto c = static_cast<unsigned char>(*q);
    if (!is_key_char(c)) return;
    if (out + 1 >= scratch_end_) return;  // never write past the scratch area
    *out++ = static_cast<char>(to_upper_ascii(c));
  }
  *out = '\0';

  const int found = lookup(copy);
  if (found >= 0) {
    key_values_[found] = value ? value : key_names_[found];
    return;
  }
  // The key table holds 40 keys; a further distinct name is ignored.
  if (key_count_ >= kMaxKeys) return;
  key_names_[key_count_] = copy;
  key_values_[key_count_] = value ? value : copy;
  ++key_count_;
  scratch_cursor_ = out + 1;
}

int Store::lookup(const char* name) const {
  const std::string_view wanted(name);
  for (int i = key_count_ - 1; i >= 0; --i) {
    if (equals_ignore_case(key_names_[i], wanted)) return i;
  }
  return -1;
}

const char* Store::value(std::string_view key) const {
  for (int i = key_count_ - 1; i >= 0; --i) {
    if (equals_ignore_case(key_names_[i], key)) return key_values_[i];
  }
  return nullptr;
}

bool Store::is_bare(std::string_view key) const {
  for (int i = key_count_ - 1; i >= 0; --i) {
    if (equals_ignore_case(key_names_[i], key)) return key_values_[i] == key_names_[i];
  }
  return false;
}

const char* Store::item(int position) const {
  if (position < 1 || position > item_count_) return nullptr;
  return items_[position - 1];
}

const char* Store::key_name(int position) const {
  if (position < 1 || position > key_count_) return nullptr;
  return key_names_[position - 1];
}

const char* Store::key_value(int position) const {
  if (position < 1 || position > key_count_) return nullptr;
  return key_values_[position - 1];
}

bool Store::rest_empty() const {
  if (cursor_ == nullptr) return true;
  for (const char* p = cursor_; *p; ++p) {
    if (!is_separator(static_cast<unsigned char>(*p))) return false;
  }
  return true;
}

}  // namespace velmora::params
