// The parameter store: one call's parameter text cut, in place, into records,
// items and upper-cased keys.  Value readers (readers.hpp) query it.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora::params {

inline constexpr int kMaxKeys = 40;
inline constexpr int kItemGrowth = 40;

class Store {
 public:
  // Creates a fresh item table of 40 entries.
  void prepare();
  // Forgets the item table.
  void release();

  // Parses the first record of `text` (zero-terminated, edited in place).  `scratch`
  // receives the upper-cased key names; it must hold strlen(text) + 1 bytes.
  void parse_first(char* text, char* scratch);
  // Parses the next record; false when the text holds no further record.
  bool next_record();

  // Value of a key (ASCII case ignored, last definition wins); nullptr when absent.
  const char* value(std::string_view key) const;
  // True when the key is defined and its value is its own name (a bare word).
  bool is_bare(std::string_view key) const;
  // Item by 1-based position; nullptr outside 1..item_count().
  const char* item(int position) const;
  // Upper-cased key name by 1-based position; nullptr outside 1..key_count().
  const char* key_name(int position) const;
  // Value of the key at a 1-based position; nullptr outside 1..key_count().
  const char* key_value(int position) const;
  int key_count() const { return key_count_; }
  int item_count() const { return item_count_; }
  int record_number() const { return record_number_; }
  bool first_record() const { return record_number_ == 1; }
  // True when nothing but blanks and "|" follows the record parsed last.
  bool rest_empty() const;

 private:
  void reset_record();
  void parse_record(char* p);
  void define(char* name_start, char* value);
  int lookup(const char* name) const;
  void store_item(char* position);

  std::vector<char*> items_;
  int item_count_ = 0;
  const char* key_names_[kMaxKeys] = {};
  const char* key_values_[kMaxKeys] = {};
  int key_count_ = 0;
  char* cursor_ = nullptr;
  char* scratch_start_ = nullptr;
  char* scratch_cursor_ = nullptr;
  char* scratch_end_ = nullptr;
  int record_number_ = 0;
};

}  // namespace velmora::params
