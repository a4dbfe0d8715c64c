// The names written before "=" for the tags of each kind of IFD.  Lookup is linear and
// the first matching row wins, so the row order is part of the contract (the main table
// names 0x8828 twice).
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace velmora::image {

struct TagName {
  std::uint16_t tag;
  std::string_view name;
};

// A row with this tag ends a table; it names nothing.
inline constexpr std::uint16_t kEndOfTable = 0xFFFD;

enum class TagTable { main, gps, interop };

// Every row of a table, the end row included.
std::span<const TagName> tag_rows(TagTable table);

// The name of `tag` in `table`; empty when no row names it.
std::string_view tag_name(TagTable table, std::uint16_t tag);

}  // namespace velmora::image
