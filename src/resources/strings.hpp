// The module's string tables (English and Japanese) and the indexed message lists that
// give error codes their messages.  Texts are UTF-8 here; callers convert.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/module.hpp"

namespace velmora::resources {

inline constexpr int kOptionsString = 1;
inline constexpr int kNameString = 128;
inline constexpr int kDescriptionString = 129;
inline constexpr int kFirstPrototypeString = 144;  // 144 + function ID

// String `number` of the table of `language`; none when the table has no such string.
std::optional<std::string> module_string(int number, platform::Language language);

// Entry `index` (1-based) of the message list `list` (23000 and following); none when the
// list or entry does not exist.
std::optional<std::string_view> indexed_message(int list, int index, platform::Language language);

}  // namespace velmora::resources
