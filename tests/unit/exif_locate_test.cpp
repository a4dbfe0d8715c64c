// Finding and loading the EXIF block through a ByteSource: how much of a file is read,
// and what a failing read gives.
#include "image/exif_locate.hpp"

#include <gtest/gtest.h>

#include <cstring>

#include "exif_builder.hpp"
#include "image/exif_reader.hpp"

namespace {

using exif_test::Bytes;
using velmora::image::ByteSource;
using velmora::image::load_exif;
using velmora::image::LocateStatus;

// A large virtual file: `head` followed by zero bytes up to `size`; counts what is read
// and can be told to fail from a given offset on.
class CountingSource final : public ByteSource {
 public:
  CountingSource(Bytes head, std::uint64_t size) : head_(std::move(head)), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    if (offset + n > size_ || offset + n > fail_from_) return false;
    bytes_read += n;
    for (std::size_t i = 0; i < n; ++i) {
      dst[i] = offset + i < head_.size() ? head_[offset + i] : 0;
    }
    return true;
  }
  std::uint64_t bytes_read = 0;
  std::uint64_t fail_from_ = ~std::uint64_t{0};

 private:
  Bytes head_;
  std::uint64_t size_;
};

Bytes sample_jpeg_head() {
  exif_test::Tiff t;
  t.add_ifd();
  t.entry(0, 0x0100, 3, 1, t.u16s({4000}));
  Bytes file = exif_test::jpeg({exif_test::segment(0xE0, exif_test::Tiff::text("JFIF")),
                                exif_test::exif_segment(t.build())});
  file.erase(file.end() - 2, file.end());  // no EOI: the picture data would follow
  return file;
}

TEST(ExifLocate, ReadsOnlyTheHeadOfALargeFile) {
  for (std::uint64_t size : {200ull * 1024, 20ull * 1024 * 1024, 4ull << 30}) {
    CountingSource source(sample_jpeg_head(), size);
    Bytes tiff;
    ASSERT_EQ(load_exif(source, tiff), LocateStatus::found);
    EXPECT_LE(source.bytes_read, 2u * 64 * 1024) << size;
    std::string text(velmora::image::format_tiff(tiff, nullptr, 0) + 2, '\0');
    text.resize(velmora::image::format_tiff(tiff, text.data(), text.size()));
    EXPECT_EQ(text, "ImageWidth=4000 ");
  }
}

TEST(ExifLocate, ReadFailuresAreReported) {
  // At the start, and while reading the block itself.
  CountingSource at_start(sample_jpeg_head(), 1 << 20);
  at_start.fail_from_ = 0;
  Bytes tiff;
  EXPECT_EQ(load_exif(at_start, tiff), LocateStatus::read_failed);

  Bytes head = sample_jpeg_head();
  head.resize(2, 0);
  head.resize(100000, 0x11);  // the scan has to read on
  CountingSource later(head, 300000);
  later.fail_from_ = 150000;
  EXPECT_EQ(load_exif(later, tiff), LocateStatus::read_failed);
  EXPECT_TRUE(tiff.empty());
}

TEST(ExifLocate, AbsentBlocks) {
  Bytes tiff{1, 2, 3};
  CountingSource empty(Bytes{}, 0);
  EXPECT_EQ(load_exif(empty, tiff), LocateStatus::absent);
  EXPECT_TRUE(tiff.empty());
  CountingSource png(Bytes{0x89, 'P', 'N', 'G'}, 4);
  EXPECT_EQ(load_exif(png, tiff), LocateStatus::absent);
  // A JPEG without EXIF is scanned to its end, and no further.
  Bytes jfif = exif_test::jpeg({exif_test::segment(0xE0, exif_test::Tiff::text("JFIF"))});
  CountingSource plain(jfif, 3 * 64 * 1024 + 5);
  EXPECT_EQ(load_exif(plain, tiff), LocateStatus::absent);
  EXPECT_LE(plain.bytes_read, plain.size() + 64);
}

}  // namespace
