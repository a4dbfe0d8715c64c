#include "dialogs/file_filters.hpp"

#include <array>
#include <cstdint>
#include <optional>

#include "dialogs/file_types.hpp"
#include "params/readers.hpp"
#include "params/text_util.hpp"
#include "platform/text.hpp"

namespace velmora::dialogs {

namespace {

struct BuiltInType {
  std::string_view extension;  // whose registered description labels the entry
  std::string_view patterns;
};

// The picture types offered when the caller names none; a row shows only where the
// system knows its extension.
constexpr std::array<BuiltInType, 17> kPictureTypes{{
    {"dvc", "*.dvc"},
    {"pct", "*.pct;*.pic;*.pict"},
    {"gif", "*.gif"},
    {"png", "*.png"},
    {"TIFF", "*.TIFF"},
    {"psd", "*.psd"},
    {"SGI", "*.SGI"},
    {"bmp", "*.bmp;*.dib"},
    {"jpg", "*.jpg;*.jpeg;*.jfif;*.jpe"},
    {"mac", "*.mac"},
    {"TPIC", "*.TPIC"},
    {"qdgx", "*.qdgx"},
    {"qtif", "*.qti;*.qtif"},
    {"3DMF", "*.3DMF"},
    {"FLC", "*.FLC"},
    {"SPL", "*.SPL"},
    {"FPix", "*.FPix"},
}};

constexpr std::size_t kMaxFileTypes = 40;
constexpr std::string_view kAllFilesLabel = "All Files";
constexpr std::string_view kAllFilesPatterns = "*.*";
// The label of an extension the system has no description for: "カスタム(*.xyz)".
constexpr std::string_view kCustomLabelHead = "\xE3\x82\xAB\xE3\x82\xB9\xE3\x82\xBF\xE3\x83\xA0(*";

// Collects entries while the filter text they make still fits.
class FilterList {
 public:
  explicit FilterList(std::size_t room) {
    // The closing "All Files" entry and the final zero are reserved first.
    const std::size_t reserved = kAllFilesLabel.size() + kAllFilesPatterns.size() + 3;
    left_ = room > reserved ? room - reserved : 0;
  }

  void add(std::string label_utf8, std::string patterns) {
    if (full_) return;
    const std::size_t size =
        platform::utf8_to_native(label_utf8).size() + patterns.size() + 2;  // two zeros
    if (size > left_) {
      full_ = true;  // later entries are left out too, so the order stays the caller's
      return;
    }
    left_ -= size;
    entries_.push_back({std::move(label_utf8), std::move(patterns)});
  }

  std::vector<platform::FileFilter> finish() && {
    entries_.push_back({std::string(kAllFilesLabel), std::string(kAllFilesPatterns)});
    return std::move(entries_);
  }

 private:
  std::vector<platform::FileFilter> entries_;
  std::size_t left_ = 0;
  bool full_ = false;
};

std::string_view trim_blanks(std::string_view item) {
  while (!item.empty() && params::is_blank(static_cast<unsigned char>(item.front()))) {
    item.remove_prefix(1);
  }
  while (!item.empty() && params::is_blank(static_cast<unsigned char>(item.back()))) {
    item.remove_suffix(1);
  }
  return item;
}

void add_extensions(std::string_view list, FilterList& out, const DescribeType& describe) {
  while (true) {
    const std::size_t comma = list.find(',');
    const std::string_view item = trim_blanks(list.substr(0, comma));
    if (!item.empty()) {
      std::string extension = item.front() == '.' ? std::string(item) : "." + std::string(item);
      std::string label = describe(extension);
      if (label.empty()) {
        label = std::string(kCustomLabelHead) + platform::native_to_utf8(extension) + ")";
      }
      out.add(std::move(label), "*" + extension);
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
}

void add_file_types(const params::Store& s, FilterList& out, const DescribeType& describe) {
  std::array<std::uint32_t, kMaxFileTypes> codes{};
  const int count = params::four_cc_list(s, "FILETYPE", codes.data(), kMaxFileTypes);
  for (int i = 0; i < count; ++i) {
    const std::optional<FileType> type = lookup_file_type(codes[static_cast<std::size_t>(i)]);
    if (!type || type->patterns.empty()) continue;
    std::string label = describe("." + std::string(type->extension));
    if (label.empty()) label = std::string(type->extension);
    out.add(std::move(label), std::string(type->patterns));
  }
}

void add_picture_types(FilterList& out, const DescribeType& describe) {
  for (const BuiltInType& row : kPictureTypes) {
    std::string label = describe("." + std::string(row.extension));
    if (!label.empty()) out.add(std::move(label), std::string(row.patterns));
  }
}

bool given(const char* value) {
  return value != nullptr && *value != '\0';
}

}  // namespace

std::vector<platform::FileFilter> build_filters(const params::Store& s, std::size_t room,
                                                const DescribeType& describe) {
  FilterList out(room);
  const char* extensions = params::text(s, "EXTENSION");
  if (params::boolean(s, "SHOWALL", false)) {
    // the list is only "All Files"
  } else if (given(extensions)) {
    add_extensions(extensions, out, describe);
  } else if (given(params::text(s, "FILETYPE"))) {
    add_file_types(s, out, describe);
  } else {
    add_picture_types(out, describe);
  }
  return std::move(out).finish();
}

std::string network_notation(std::string_view native) {
  if (native.size() < 2 || native[0] != '\\' || native[1] != '\\') return std::string(native);
  std::string out;
  out.reserve(native.size() + 1);
  int separators = 0;  // backslashes after the server name
  for (std::size_t i = 2; i < native.size(); ++i) {
    const char c = native[i];
    if (params::is_lead_byte(static_cast<unsigned char>(c)) && i + 1 < native.size()) {
      out.push_back(c);
      out.push_back(native[++i]);  // a second byte is never a separator
      continue;
    }
    if (c != '\\') {
      out.push_back(c);
    } else {
      out += ++separators == 1 ? "::" : ":";
    }
  }
  return out;
}

}  // namespace velmora::dialogs
