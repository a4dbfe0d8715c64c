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

  // While walking the segments in front of the block.
  Bytes head{0xFF, 0xD8};
  for (int i = 0; i < 3; ++i) {
    const Bytes app2 = exif_test::segment(0xE2, Bytes(65533, 0x11));
    head.insert(head.end(), app2.begin(), app2.end());
  }
  const Bytes exif = sample_jpeg_head();
  head.insert(head.end(), exif.begin() + 2, exif.end());
  CountingSource later(head, head.size());
  ASSERT_EQ(load_exif(later, tiff), LocateStatus::found);
  later.fail_from_ = 150000;
  EXPECT_EQ(load_exif(later, tiff), LocateStatus::read_failed);
  EXPECT_TRUE(tiff.empty());
}

// The walk steps over segments by their lengths: EXIF behind many large segments costs
// a few bytes per segment, and nothing behind the start of the picture data is read.
TEST(ExifLocate, WalksSegmentsByTheirLengths) {
  Bytes head{0xFF, 0xD8};
  for (int i = 0; i < 320; ++i) {  // 20 MB of colour profile segments
    const Bytes app2 = exif_test::segment(0xE2, Bytes(65533, 0x22));
    head.insert(head.end(), app2.begin(), app2.end());
  }
  head.push_back(0xFF);  // fill byte in front of a marker
  const Bytes exif = sample_jpeg_head();
  head.insert(head.end(), exif.begin() + 2, exif.end());
  CountingSource behind(head, head.size());
  Bytes tiff;
  ASSERT_EQ(load_exif(behind, tiff), LocateStatus::found);
  EXPECT_LE(behind.bytes_read, 320u * 12 + 1024);

  // An APP1 whose bytes look like EXIF inside another segment's data, or behind the
  // start of scan, is not the block.
  Bytes hidden = exif_test::jpeg({exif_test::segment(0xE2, exif_test::exif_segment({1, 2, 3}))});
  hidden.erase(hidden.end() - 2, hidden.end());
  const Bytes sos = exif_test::segment(0xDA, Bytes(10, 0));
  hidden.insert(hidden.end(), sos.begin(), sos.end());
  const Bytes after = exif_test::exif_segment({4, 5, 6});
  hidden.insert(hidden.end(), after.begin(), after.end());
  hidden.resize(hidden.size() + 20 * 1024 * 1024, 0x33);
  CountingSource picture(hidden, hidden.size());
  EXPECT_EQ(load_exif(picture, tiff), LocateStatus::absent);
  EXPECT_LE(picture.bytes_read, 64u);

  // Stray bytes between segments are passed over to the next marker, up to a limit
  // that keeps a damaged file from being scanned through.
  for (const std::size_t stray : {std::size_t{2}, std::size_t{300000}, std::size_t{3 << 20}}) {
    Bytes junk{0xFF, 0xD8};
    junk.resize(2 + stray, 0x12);
    junk.insert(junk.end(), exif.begin() + 2, exif.end());
    CountingSource damaged(junk, junk.size());
    EXPECT_EQ(load_exif(damaged, tiff),
              stray < (1u << 20) ? LocateStatus::found : LocateStatus::absent)
        << stray;
    EXPECT_LE(damaged.bytes_read, (1u << 20) + 4096u) << stray;
  }
}

TEST(ExifLocate, AbsentBlocks) {
  Bytes tiff{1, 2, 3};
  CountingSource empty(Bytes{}, 0);
  EXPECT_EQ(load_exif(empty, tiff), LocateStatus::absent);
  EXPECT_TRUE(tiff.empty());
  CountingSource png(Bytes{0x89, 'P', 'N', 'G'}, 4);
  EXPECT_EQ(load_exif(png, tiff), LocateStatus::absent);
  // A JPEG without EXIF is walked to its end marker, and no further.
  Bytes jfif = exif_test::jpeg({exif_test::segment(0xE0, exif_test::Tiff::text("JFIF"))});
  CountingSource plain(jfif, 3 * 64 * 1024 + 5);
  EXPECT_EQ(load_exif(plain, tiff), LocateStatus::absent);
  EXPECT_LE(plain.bytes_read, plain.size() + 64);
}

}  // namespace
