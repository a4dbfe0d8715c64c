// What the dialog handlers share: texts cut to their fields and carried to the dialog
// seam in UTF-8, and the code a host without a display answers.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "host/errors.hpp"
#include "params/parser.hpp"

namespace velmora::dialogs {

// Field sizes of the dialog records, terminator included.
inline constexpr std::size_t kMessageField = 255;
inline constexpr std::size_t kLabelField = 31;
inline constexpr std::size_t kTitleField = 64;

// Native text cut to fit a zero-terminated field of `field` bytes, never inside a
// double-byte character.
std::string cut_to_field(std::string_view native, std::size_t field);

// The key's value cut to its field, in UTF-8; empty when the key is missing.
std::string field_text(const params::Store& s, std::string_view key, std::size_t field);

}  // namespace velmora::dialogs
