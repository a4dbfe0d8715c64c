#include "dialogs/file_filters.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace velmora::dialogs {
namespace {

class Parsed {
 public:
  explicit Parsed(const std::string& text) : buffer_(text.begin(), text.end()) {
    buffer_.push_back('\0');
    scratch_.assign(text.size() + 1, 0);
    store.prepare();
    store.parse_first(buffer_.data(), scratch_.data());
  }
  params::Store store;

 private:
  std::vector<char> buffer_;
  std::vector<char> scratch_;
};

// A system that knows three picture types.
std::string describe(std::string_view extension) {
  static const std::map<std::string, std::string, std::less<>> known{
      {".jpg", "JPEG image"}, {".png", "PNG image"}, {".gif", "GIF image"}};
  const auto it = known.find(extension);
  return it == known.end() ? std::string() : it->second;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries filters_of(const std::string& parameters, std::size_t room = kOpenFilterRoom) {
  Parsed p(parameters);
  Entries out;
  for (const platform::FileFilter& f : build_filters(p.store, room, describe)) {
    out.emplace_back(f.label, f.patterns);
  }
  return out;
}

const std::pair<std::string, std::string> kAll{"All Files", "*.*"};

TEST(FileFilters, ExtensionsAreLabelledByTheirDescription) {
  EXPECT_EQ(filters_of("EXTENSION=jpg,.png"),
            (Entries{{"JPEG image", "*.jpg"}, {"PNG image", "*.png"}, kAll}));
  // Unknown extensions get the custom label; blanks around items and empty items go.
  EXPECT_EQ(filters_of("EXTENSION='xyz, .gif,,'"),
            (Entries{{"\xE3\x82\xAB\xE3\x82\xB9\xE3\x82\xBF\xE3\x83\xA0(*.xyz)", "*.xyz"},
                     {"GIF image", "*.gif"},
                     kAll}));
}

TEST(FileFilters, FileTypesGoThroughTheLookup) {
  EXPECT_EQ(filters_of("FILETYPE=JPEG,GIF"),
            (Entries{{"JPEG image", "*.jpg;*.jpeg"}, {"GIF image", "*.gif"}, kAll}));
  // Codes are case-sensitive; PICS is known but has no files; TIFF has no description.
  EXPECT_EQ(filters_of("FILETYPE=jpeg,PICS,TIFF"), (Entries{{"tif", "*.tif;*.tiff"}, kAll}));
  // A code of five characters spoils the list: no built-in types either.
  EXPECT_EQ(filters_of("FILETYPE=JPEG,GIFFF"), (Entries{kAll}));
}

TEST(FileFilters, PrecedenceAndTheBuiltInList) {
  EXPECT_EQ(filters_of("SHOWALL=1 EXTENSION=jpg FILETYPE=GIF"), (Entries{kAll}));
  EXPECT_EQ(filters_of("EXTENSION=png FILETYPE=GIF"), (Entries{{"PNG image", "*.png"}, kAll}));
  // The built-in rows in their order, only those the system describes.
  EXPECT_EQ(filters_of("MESSAGE=x"), (Entries{{"GIF image", "*.gif"},
                                              {"PNG image", "*.png"},
                                              {"JPEG image", "*.jpg;*.jpeg;*.jfif;*.jpe"},
                                              kAll}));
}

TEST(FileFilters, EntriesThatOverflowTheTextAreLeftOut) {
  std::string many = "EXTENSION=";
  for (int i = 0; i < 200; ++i) many += "e" + std::to_string(i) + ",";
  const Entries open = filters_of(many, kOpenFilterRoom);
  const Entries save = filters_of(many, kSaveFilterRoom);
  ASSERT_GE(open.size(), 2u);
  EXPECT_LT(open.size(), save.size());
  EXPECT_EQ(open.back(), kAll);
  EXPECT_EQ(save.back(), kAll);
  // Kept in the caller's order, and the whole text (zeros included) fits its room.
  EXPECT_EQ(open[1].second, "*.e1");
  for (const auto& [entries, room] : {std::pair{open, kOpenFilterRoom}, {save, kSaveFilterRoom}}) {
    std::size_t size = 1;
    for (const auto& [label, patterns] : entries) {
      // The custom label is 4 two-byte characters in the native code page.
      size += label.size() - (label.front() == 'A' ? 0 : 4) + patterns.size() + 2;
    }
    EXPECT_LE(size, room);
  }
  EXPECT_EQ(filters_of("EXTENSION=jpg", 10), (Entries{kAll}));
}

TEST(NetworkNotation, ServerPathsUseDoubleColons) {
  EXPECT_EQ(network_notation("\\\\srv\\pub\\dir\\a.txt"), "srv::pub:dir:a.txt");
  EXPECT_EQ(network_notation("\\\\srv\\pub\\dir\\"), "srv::pub:dir:");
  EXPECT_EQ(network_notation("C:\\Data\\a.txt"), "C:\\Data\\a.txt");
  // 0x5C as the second byte of a double-byte character is no separator.
  EXPECT_EQ(network_notation("\\\\srv\\pub\\\x95\x5C\\b"), "srv::pub:\x95\x5C:b");
}

}  // namespace
}  // namespace velmora::dialogs
