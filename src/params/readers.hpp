// Typed value readers over the parameter store.  Readers never fail loudly: they answer
// absent, false, 0 or a default, and the handler picks the error code.
#pragma once
#include <cstdint>
#include <string_view>

#include "params/parser.hpp"
#include "params/types.hpp"

namespace velmora::params {

// ---- conversions of a value text -------------------------------------------------
std::int32_t to_integer(const char* text);
bool is_valid_number(const char* text);
// Reads at most `max` comma-separated numbers from the first 255 bytes; answers the count.
int number_list(const char* text, std::int32_t* out, int max);
bool text_to_point(const char* text, Point& out);
// Stores the rectangle when four numbers are read; answers true only if it is not empty.
bool text_to_rect(const char* text, Rect& out);
bool text_to_color(const char* text, RgbColor& out);
bool text_to_four_cc(const char* text, std::uint32_t& out);
// A key given bare, or with its own name as value in any letter case.
bool is_query_value(std::string_view key, const char* value);

// ---- readers by key --------------------------------------------------------------
const char* text(const Store& s, std::string_view key);
// Copies at most n (<= 255) bytes; a value of n bytes or more gets no terminator.
bool bounded_text(const Store& s, std::string_view key, char* dest, int n);
std::int32_t integer(const Store& s, std::string_view key);
bool validated_integer(const Store& s, std::string_view key, std::int32_t& out);
std::int32_t percentage(const Store& s, std::string_view key, std::int32_t reference);
int integer_list(const Store& s, std::string_view key, std::int32_t* out, int max);
bool boolean(const Store& s, std::string_view key, bool fallback);
// 1-based position of the value in a comma list such as "STOP,NOTE"; 0 when none.
int keyword(const Store& s, std::string_view key, std::string_view list);
bool four_cc(const Store& s, std::string_view key, std::uint32_t& out);
int four_cc_list(const Store& s, std::string_view key, std::uint32_t* out, int max);
bool point(const Store& s, std::string_view key, Point& out);
bool rect(const Store& s, std::string_view key, Rect& out);
bool color(const Store& s, std::string_view key, RgbColor& out);
bool query_or_integer(const Store& s, std::string_view key, bool& has_value, std::int32_t& out);
bool query_or_point(const Store& s, std::string_view key, bool& has_value, Point& out);
bool has(const Store& s, std::string_view key);

// ---- readers by 1-based item position ---------------------------------------------
const char* item(const Store& s, int position);
bool item_integer(const Store& s, int position, std::int32_t& out);
int item_integer_list(const Store& s, int position, std::int32_t* out, int max);
bool item_point(const Store& s, int position, Point& out);
bool item_rect(const Store& s, int position, Rect& out);
bool item_color(const Store& s, int position, RgbColor& out);

// "SRC", "DEST", "PATH", "LOCATION", "ORIGINAL", "APP", "DOC", case ignored.
bool is_path_key(std::string_view name);

}  // namespace velmora::params
