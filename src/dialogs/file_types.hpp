// LookupFileType: a four-character file type code to the extension name and the
// file-name patterns of that type.  Serves the file dialogs, FindFile and CompressImage.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora::dialogs {

struct FileType {
  std::string_view extension;  // without the dot; empty for a known type with no files
  std::string_view patterns;   // "*.jpg;*.jpeg"; empty when extension is
};

// Packs up to four characters big-endian, padding short codes with spaces ("GIF" is
// "GIF ").  Longer texts are not codes: nullopt.
constexpr std::optional<std::uint32_t> four_cc(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  std::uint32_t code = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
    code = (code << 8) | c;
  }
  return code;
}

// The entry of a code (exact, case-sensitive); nullopt for a code nobody registered.
std::optional<FileType> lookup_file_type(std::uint32_t code);

// Number of codes the table knows (for the table's own checks).
std::size_t file_type_code_count();

}  // namespace velmora::dialogs
