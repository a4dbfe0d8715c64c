// The value text of one IFD entry, by field type, as it follows "NAME=".
#pragma once
#include <cstddef>
#include <string>

#include "image/exif_tiff.hpp"

namespace velmora::image {

// The most text one EXIF block may produce.  A genuine block (at most 64 KB) yields a
// few hundred KB at most; a hostile one could otherwise ask for gigabytes by pointing
// thousands of entries at the same large array.
inline constexpr std::size_t kMaxExifText = std::size_t{2} << 20;

enum class ValueText {
  written,   // the value text was appended (possibly empty)
  skipped,   // the entry gives no line: UNDEFINED without a rule, or data outside the block
  too_long,  // the text would pass kMaxExifText; the walk ends
};

ValueText append_value(const TiffData& tiff, const IfdEntry& entry, std::string& line);

// Type 7: only the tags with a rule have a text (exif_undefined.cpp).
ValueText append_undefined(const TiffData& tiff, const IfdEntry& entry, std::string& line);

// Tag 0x9286 with its character code (exif_user_comment.cpp).
ValueText append_user_comment(const TiffData& tiff, const IfdEntry& entry, std::string& line);

}  // namespace velmora::image
