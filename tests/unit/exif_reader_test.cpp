// The EXIF reader over byte blocks built here: layout, every field type, the UNDEFINED
// rules, the walk's order and its behaviour on damaged and hostile blocks.
#include "image/exif_reader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "exif_builder.hpp"
#include "image/exif_tags.hpp"
#include "image/exif_values.hpp"

namespace {

using exif_test::Bytes;
using exif_test::jpeg;
using exif_test::jpeg_with;
using exif_test::Tiff;
using velmora::image::exif_text;
using velmora::image::format_exif;

constexpr std::uint16_t kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kSByte = 6,
                        kUndef = 7, kSShort = 8, kSLong = 9, kSRational = 10, kFloat = 11,
                        kDouble = 12;

std::string text_of(const Tiff& t) {
  return exif_text(jpeg_with(t));
}

// One entry in IFD0 of an Intel block, formatted.
std::string one(std::uint16_t tag, std::uint16_t type, std::uint32_t count, Bytes payload,
                bool motorola = false) {
  Tiff t(motorola);
  t.add_ifd();
  t.entry(0, tag, type, count, std::move(payload));
  return text_of(t);
}

TEST(ExifReader, BasicEntriesInBothByteOrders) {
  for (bool motorola : {false, true}) {
    Tiff t(motorola);
    t.add_ifd();
    t.entry(0, 0x0100, kShort, 1, t.u16s({640}))
        .entry(0, 0x0101, kLong, 1, t.u32s({480}))
        .entry(0, 0x010F, kAscii, 6, Tiff::text({"Canon\0", 6}))
        .entry(0, 0x0112, kShort, 1, t.u16s({6}))
        .entry(0, 0x011A, kRational, 1, t.u32s({72, 1}));
    EXPECT_EQ(text_of(t),
              "ImageWidth=640 ImageLength=480 Make='Canon,' Orientation=6 XResolution=72/1 ")
        << (motorola ? "Motorola" : "Intel");
  }
}

TEST(ExifReader, IntegerTypes) {
  Tiff t;
  // BYTE: decimals run together, from the field or from the offset.
  EXPECT_EQ(one(0x0001, kByte, 4, {2, 2, 0, 0}), "TAG1=2200 ");
  EXPECT_EQ(one(0x0001, kByte, 6, {1, 2, 3, 4, 5, 255}), "TAG1=12345255 ");
  EXPECT_EQ(one(0x0001, kByte, 0, {}), "TAG1= ");
  EXPECT_EQ(one(0x0001, kSByte, 3, {0xFF, 0x80, 7}), "TAG1=-1-1287 ");
  // SHORT: count 1, count 0 and 2 (both from the field), 3 and more from the offset.
  EXPECT_EQ(one(0x0102, kShort, 2, t.u16s({8, 65535})), "BitsPerSample=8,65535 ");
  EXPECT_EQ(one(0x0102, kShort, 0, t.u16s({1, 2})), "BitsPerSample=1,2 ");
  EXPECT_EQ(one(0x0102, kShort, 3, t.u16s({8, 8, 8})), "BitsPerSample=8,8,8 ");
  EXPECT_EQ(one(0x0102, kSShort, 3, t.u16s({0xFFFF, 2, 0x8000})), "BitsPerSample=-1,2,-32768 ");
  EXPECT_EQ(one(0x0102, kSShort, 1, t.u16s({0xFFFE})), "BitsPerSample=-2 ");
  // LONG: count 0 and 1 from the field, more from the offset.
  EXPECT_EQ(one(0x0111, kLong, 1, t.u32s({4294967295u})), "StripOffsets=4294967295 ");
  EXPECT_EQ(one(0x0111, kLong, 0, t.u32s({7})), "StripOffsets=7 ");
  EXPECT_EQ(one(0x0111, kLong, 3, t.u32s({1, 2, 3})), "StripOffsets=1,2,3 ");
  EXPECT_EQ(one(0x0111, kSLong, 2, t.u32s({0xFFFFFFFF, 0x80000000})),
            "StripOffsets=-1,-2147483648 ");
}

TEST(ExifReader, MotorolaMultiValueTypes) {
  Tiff m(true);
  EXPECT_EQ(one(0x0102, kShort, 3, m.u16s({1, 256, 4096}), true), "BitsPerSample=1,256,4096 ");
  EXPECT_EQ(one(0x0102, kShort, 2, m.u16s({258, 3}), true), "BitsPerSample=258,3 ");
  EXPECT_EQ(one(0x0111, kLong, 2, m.u32s({65536, 16777216}), true), "StripOffsets=65536,16777216 ");
  EXPECT_EQ(one(0x829A, kRational, 2, m.u32s({1, 250, 3, 4}), true), "ExposureTime=1/250,3/4 ");
  EXPECT_EQ(one(0x0001, kDouble, 1, m.u64s({0x4000000000000000ull}), true), "TAG1=2.000000 ");
}

TEST(ExifReader, RationalAndFloatTypes) {
  Tiff t;
  EXPECT_EQ(one(0x011A, kRational, 2, t.u32s({72, 1, 300, 2})), "XResolution=72/1,300/2 ");
  EXPECT_EQ(one(0x011A, kRational, 0, {}), "XResolution= ");
  EXPECT_EQ(one(0x9204, kSRational, 1, t.u32s({0xFFFFFFFD, 3})), "ExposureBiasValue=-3/3 ");
  // 1.5f, then -0.25f and 100.0f.
  EXPECT_EQ(one(0x0001, kFloat, 1, t.u32s({0x3FC00000})), "TAG1=1.500000 ");
  EXPECT_EQ(one(0x0001, kFloat, 2, t.u32s({0xBE800000, 0x42C80000})), "TAG1=-0.250000,100.000000 ");
  EXPECT_EQ(one(0x0001, kFloat, 0, {}), "TAG1= ");
  // 1/3 and -1e10 as doubles.
  EXPECT_EQ(one(0x0001, kDouble, 2, t.u64s({0x3FD5555555555555ull, 0xC202A05F20000000ull})),
            "TAG1=0.333333,-10000000000.000000 ");
}

TEST(ExifReader, AsciiValues) {
  EXPECT_EQ(one(0x010F, kAscii, 4, Tiff::text({"A\0B\0", 4})), "Make='A,B,' ");
  EXPECT_EQ(one(0x010F, kAscii, 2, Tiff::text({"X\0", 2})), "Make='X,' ");
  EXPECT_EQ(one(0x010F, kAscii, 0, {}), "Make='' ");
  // A value longer than any fixed line is written whole.
  const std::string long_text(1000, 'q');
  Bytes payload = Tiff::text(long_text);
  payload.push_back(0);
  EXPECT_EQ(one(0x010E, kAscii, 1001, payload), "ImageDescription='" + long_text + ",' ");
}

TEST(ExifReader, UnknownTagsAndTypes) {
  Tiff t;
  EXPECT_EQ(one(0x8830, kShort, 1, t.u16s({100})), "TAG34864=100 ");
  EXPECT_EQ(one(0x0100, 13, 1, t.u32s({5})), "ImageWidth=TAG:13 ");
  EXPECT_EQ(one(0x0100, 0xFFFF, 1, t.u32s({5})), "ImageWidth=TAG:-1 ");
  EXPECT_EQ(one(0x0100, 0, 0, {}), "ImageWidth=TAG:0 ");
  // The first row naming a tag wins; rows after the end row are never names.
  EXPECT_EQ(one(0x8828, kShort, 1, t.u16s({1})), "OECF=1 ");
  EXPECT_EQ(one(0xFFFF, kShort, 1, t.u16s({1})), "No tag value=1 ");
  EXPECT_EQ(one(0xFFFD, kShort, 1, t.u16s({1})), "TAG65533=1 ");
}

TEST(ExifReader, UndefinedRules) {
  EXPECT_EQ(one(0x9000, kUndef, 4, Tiff::text("0220")), "ExifVersion=0220 ");
  EXPECT_EQ(one(0xA000, kUndef, 4, Tiff::text("0100")), "FlashPixVersion=0100 ");
  EXPECT_EQ(one(0x9000, kUndef, 4, Tiff::text({"02\0\0", 4})), "ExifVersion=02 ");
  EXPECT_EQ(one(0x9101, kUndef, 4, {1, 2, 3, 0}), "ComponentsConfiguration=YCbCr ");
  EXPECT_EQ(one(0x9101, kUndef, 4, {4, 9, 5, 6}), "ComponentsConfiguration=RGB ");
  EXPECT_EQ(one(0xA300, kUndef, 1, {3}), "FileSource=3 ");
  EXPECT_EQ(one(0xA301, kUndef, 4, {0xFF, 0xFF, 0xFF, 0xFF}), "SceneType=-1 ");
  // No rule for this tag: no line at all.
  EXPECT_EQ(one(0x9C9B, kUndef, 4, {1, 2, 3, 4}), "");
  EXPECT_EQ(one(0x9000, kShort, 1, Tiff().u16s({7})), "ExifVersion=7 ");
}

TEST(ExifReader, CfaPattern) {
  for (bool motorola : {false, true}) {
    Tiff t(motorola);
    Bytes cfa = t.u16s({2, 2});
    cfa.insert(cfa.end(), {0, 1, 1, 2});
    EXPECT_EQ(one(0xA302, kUndef, 8, cfa, motorola), "CFAPattern='0002,0002,0,1,'H=1,2 ");
  }
  // A large pattern is written whole.
  Tiff t;
  Bytes cfa = t.u16s({300, 300});
  cfa.resize(4 + 600, 0xAB);
  std::string expected = "CFAPattern='012c,012c,";
  for (int i = 0; i < 300; ++i) expected += "ab,";
  expected += "'H=";
  for (int i = 0; i < 300; ++i) expected += "ab,";
  expected.back() = ' ';
  EXPECT_EQ(one(0xA302, kUndef, 604, cfa), expected);
  // Repeat sizes pointing past the block: no line.
  EXPECT_EQ(one(0xA302, kUndef, 8, t.u16s({2000, 2000, 1, 2})), "");
}

// Sized first and copied into: GCC 12 for 32-bit targets reports a false out-of-bounds
// copy when an empty text is inserted at the end of the eight code bytes.
Bytes comment(std::string_view code, const Bytes& text) {
  Bytes out(code.size() + text.size());
  std::copy(code.begin(), code.end(), out.begin());
  std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(code.size()));
  return out;
}

TEST(ExifReader, UserCommentCodes) {
  const std::string_view ascii{"ASCII\0\0\0", 8}, jis{"JIS\0\0\0\0\0", 8},
      none{"\0\0\0\0\0\0\0\0", 8};
  EXPECT_EQ(one(0x9286, kUndef, 16, comment(ascii, Tiff::text({"Hello\0\0\0", 8}))),
            "UserComment='Hello' ");
  EXPECT_EQ(one(0x9286, kUndef, 11, comment(ascii, Tiff::text("Hello!!"))), "UserComment='Hel' ");
  EXPECT_EQ(one(0x9286, kUndef, 4, Tiff::text("ABCD")), "UserComment= ");
  EXPECT_EQ(one(0x9286, kUndef, 12, comment(none, Tiff::text("abcd"))), "UserComment='abcd' ");
  // JIS text is copied without conversion (these are CP932 bytes).
  EXPECT_EQ(one(0x9286, kUndef, 12, comment(jis, {0x93, 0xFA, 0x96, 0x7B})),
            "UserComment='\x93\xFA\x96\x7B' ");
  // An unknown code is part of the text, and the text is still limited to count - 8.
  EXPECT_EQ(one(0x9286, kUndef, 12, Tiff::text("Just a note.")), "UserComment='Just' ");
  // A count under 8 leaves no text.
  EXPECT_EQ(one(0x9286, kUndef, 6, comment(ascii, {})), "UserComment='' ");
  // A long comment is written whole.
  const std::string long_text(700, 'z');
  EXPECT_EQ(one(0x9286, kUndef, 708, comment(ascii, Tiff::text(long_text))),
            "UserComment='" + long_text + "' ");
}

TEST(ExifReader, UserCommentUnicode) {
  const std::string_view unicode{"UNICODE\0", 8};
  // "Hi" little-endian, big-endian, with and without byte-order marks.
  EXPECT_EQ(one(0x9286, kUndef, 12, comment(unicode, {'H', 0, 'i', 0})), "UserComment='Hi' ");
  EXPECT_EQ(one(0x9286, kUndef, 12, comment(unicode, {0, 'H', 0, 'i'}), true), "UserComment='Hi' ");
  EXPECT_EQ(one(0x9286, kUndef, 14, comment(unicode, {0xFE, 0xFF, 0, 'H', 0, 'i'})),
            "UserComment='Hi' ");
  EXPECT_EQ(one(0x9286, kUndef, 14, comment(unicode, {0xFF, 0xFE, 'H', 0, 'i', 0}), true),
            "UserComment='Hi' ");
  // Up to the first zero unit.
  EXPECT_EQ(one(0x9286, kUndef, 16, comment(unicode, {'O', 0, 'K', 0, 0, 0, 'x', 0})),
            "UserComment='OK' ");
  // Japanese text becomes native CP932 bytes: U+65E5 U+672C is 0x93FA 0x967B.
  EXPECT_EQ(one(0x9286, kUndef, 12, comment(unicode, {0xE5, 0x65, 0x2C, 0x67})),
            "UserComment='\x93\xFA\x96\x7B' ");
  EXPECT_EQ(one(0x9286, kUndef, 8, comment(unicode, {})), "UserComment='' ");
}

TEST(ExifReader, SubIfdsAndChainOrder) {
  Tiff t;
  const int ifd0 = t.add_ifd(), exif = t.add_ifd(), gps = t.add_ifd(), interop = t.add_ifd(),
            ifd1 = t.add_ifd(), inner_interop = t.add_ifd();
  t.entry(ifd0, 0x010F, kAscii, 2, Tiff::text({"C\0", 2}))
      .pointer(ifd0, 0x8769, exif)
      .pointer(ifd0, 0x8825, gps)
      .pointer(ifd0, 0xA005, interop)
      .entry(ifd0, 0x0110, kAscii, 2, Tiff::text({"M\0", 2}));
  t.entry(exif, 0x9000, kUndef, 4, Tiff::text("0230"))
      .raw(exif, 0x927C, kUndef, 100, 8)     // MakerNote: hidden
      .pointer(exif, 0xA005, inner_interop)  // inside a sub-IFD: neither printed nor walked
      .entry(exif, 0xA002, kLong, 1, t.u32s({4000}));
  t.entry(gps, 0x0000, kByte, 4, {2, 2, 0, 0})
      .entry(gps, 0x0001, kAscii, 2, Tiff::text({"N\0", 2}));
  t.entry(interop, 0x0001, kAscii, 4, Tiff::text({"R98\0", 4}))
      .entry(interop, 0x0002, kUndef, 4, Tiff::text("0100"));
  t.entry(ifd1, 0x0103, kShort, 1, t.u16s({6}));
  t.entry(inner_interop, 0x0001, kAscii, 4, Tiff::text({"XXX\0", 4}));
  t.chain({ifd0, ifd1});
  EXPECT_EQ(text_of(t), "Make='C,' Exif_IFD_Pointer=" + std::to_string(t.ifd_offset(exif)) +
                            " Model='M,' ExifVersion=0230 ExifImageWidth=4000 GPSVersion=2200 "
                            "GPSLatitudeRef='N,' InterOperabilityIndex='R98,' "
                            "InterOperabilityVersion=0100 Compression=6 ");
}

TEST(ExifReader, MakerNoteInMainIfdIsWalkedAsExifIfd) {
  // The pointer that comes last wins.
  Tiff t;
  const int ifd0 = t.add_ifd(), exif = t.add_ifd(), note = t.add_ifd();
  t.pointer(ifd0, 0x8769, exif).pointer(ifd0, 0x927C, note);
  t.entry(exif, 0x0100, kShort, 1, t.u16s({1}));
  t.entry(note, 0x0101, kShort, 1, t.u16s({2}));
  EXPECT_EQ(text_of(t),
            "Exif_IFD_Pointer=" + std::to_string(t.ifd_offset(exif)) + " ImageLength=2 ");
}

TEST(ExifReader, NoExifBlock) {
  EXPECT_EQ(exif_text(Bytes{}), "");
  EXPECT_EQ(exif_text(Bytes{0xFF}), "");
  EXPECT_EQ(exif_text(Tiff::text("GIF89a not a jpeg at all")), "");
  EXPECT_EQ(exif_text(jpeg({exif_test::segment(0xE0, Tiff::text("JFIF"))})), "");
  // Byte order mark or magic number wrong, IFD0 offset 0.
  Tiff t;
  t.add_ifd();
  t.entry(0, 0x0100, kShort, 1, t.u16s({1}));
  Bytes block = t.build();
  block[0] = block[1] = 'X';
  EXPECT_EQ(exif_text(jpeg({exif_test::exif_segment(block)})), "");
  block = t.build();
  block[2] = 43;
  EXPECT_EQ(exif_text(jpeg({exif_test::exif_segment(block)})), "");
  block = t.build();
  block[4] = 0;
  EXPECT_EQ(exif_text(jpeg({exif_test::exif_segment(block)})), "");
}

TEST(ExifReader, FindsExifBehindOtherSegments) {
  Tiff t;
  t.add_ifd();
  t.entry(0, 0x0100, kShort, 1, t.u16s({9}));
  const Bytes xmp = exif_test::segment(
      0xE1, Tiff::text("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/> Exif but not the id"));
  EXPECT_EQ(exif_text(jpeg({exif_test::segment(0xE0, Tiff::text("JFIF")), xmp,
                            exif_test::exif_segment(t.build())})),
            "ImageWidth=9 ");
  // Only the first EXIF segment counts.
  Tiff other;
  other.add_ifd();
  other.entry(0, 0x0100, kShort, 1, other.u16s({7}));
  EXPECT_EQ(
      exif_text(jpeg({exif_test::exif_segment(t.build()), exif_test::exif_segment(other.build())})),
      "ImageWidth=9 ");
}

TEST(ExifReader, FindsExifAcrossReadChunks) {
  Tiff t;
  t.add_ifd();
  t.entry(0, 0x0100, kShort, 1, t.u16s({5}));
  const Bytes exif = exif_test::exif_segment(t.build());
  // Put the segment head astride the scan's 64 KB pieces, at every alignment.
  for (std::size_t shift = 65526; shift <= 65537; ++shift) {
    Bytes file{0xFF, 0xD8};
    file.resize(shift, 0x00);
    file.insert(file.end(), exif.begin(), exif.end());
    EXPECT_EQ(exif_text(file), "ImageWidth=5 ") << shift;
  }
  // Far into a big file, behind segments of every kind and fill bytes before a marker.
  Bytes file{0xFF, 0xD8};
  for (std::uint8_t marker : {0xE0, 0xE2, 0xED, 0xFE, 0xDB, 0xC4}) {
    const Bytes seg = exif_test::segment(marker, Bytes(50000, 0xFF));
    file.insert(file.end(), seg.begin(), seg.end());
  }
  file.insert(file.end(), {0xFF, 0xFF, 0xFF});
  file.insert(file.end(), exif.begin(), exif.end());
  EXPECT_EQ(exif_text(file), "ImageWidth=5 ");
}

TEST(ExifReader, ScanNeverReadsPastTheEnd) {
  // A marker at the very end, or an identifier cut short.
  EXPECT_EQ(exif_text(Bytes{0xFF, 0xD8, 0xFF}), "");
  EXPECT_EQ(exif_text(Bytes{0xFF, 0xD8, 0xFF, 0xE1}), "");
  EXPECT_EQ(exif_text(Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10, 'E', 'x', 'i', 'f', 0}), "");
  EXPECT_EQ(exif_text(Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10, 'E', 'x', 'i', 'f', 0, 0}), "");
  // A segment claiming more than the file holds is read to the end of the file.
  Tiff t;
  t.add_ifd();
  t.entry(0, 0x0100, kShort, 1, t.u16s({5}));
  Bytes file = jpeg_with(t);
  file[4] = 0xFF, file[5] = 0xFF;
  file.resize(file.size() - 2);
  EXPECT_EQ(exif_text(file), "ImageWidth=5 ");
}

TEST(ExifReader, ReadsStayInsideTheBlock) {
  Tiff t;
  t.add_ifd();
  t.raw(0, 0x0111, kLong, 4, 0xFFFFFFF0)         // array far outside
      .raw(0, 0x011A, kRational, 1, 0x7FFFFFFF)  // pair outside
      .raw(0, 0x010F, kAscii, 0x40000000, 8)     // count running past the end
      .raw(0, 0x0102, kShort, 0xFFFFFFFF, 8)     // count * size overflowing 32 bits
      .raw(0, 0x9286, kUndef, 200, 8)            // comment longer than the block
      .raw(0, 0x0001, kDouble, 0x20000000, 0)    // count * 8 overflowing 32 bits
      .entry(0, 0x0100, kShort, 1, t.u16s({77}));
  EXPECT_EQ(text_of(t), "ImageWidth=77 ");

  // Data that lies in the file but outside the EXIF segment is not the block's.
  Tiff u;
  u.add_ifd();
  u.raw(0, 0x010E, kAscii, 8, 200).entry(0, 0x0100, kShort, 1, u.u16s({1}));
  Bytes file = jpeg_with(u);
  file.insert(file.end() - 2, 400, 'a');
  EXPECT_EQ(exif_text(file), "ImageWidth=1 ");
}

TEST(ExifReader, DamagedIfds) {
  // An IFD whose entry count runs past the end: the entries inside are read.
  Tiff t;
  t.add_ifd();
  t.entry(0, 0x0100, kShort, 1, t.u16s({3})).entry(0, 0x0101, kShort, 1, t.u16s({4}));
  Bytes block = t.build();
  block[8] = 200;  // entry count
  EXPECT_EQ(exif_text(jpeg({exif_test::exif_segment(block)})), "ImageWidth=3 ImageLength=4 ");
  // IFD offsets past the end, for the chain and for each sub-IFD.
  Tiff s;
  s.add_ifd();
  s.raw(0, 0x8769, kLong, 1, 0x00FFFFFF).raw(0, 0x8825, kLong, 1, 0xFFFFFFFE);
  s.raw(0, 0xA005, kLong, 1, 0xFFFFFFFF).entry(0, 0x0100, kShort, 1, s.u16s({2}));
  block = s.build();
  block[block.size() - 1] = 0x7F;  // next IFD link far away (Intel: high byte last)
  EXPECT_EQ(exif_text(jpeg({exif_test::exif_segment(block)})),
            "Exif_IFD_Pointer=16777215 ImageWidth=2 ");
}

TEST(ExifReader, CyclesEnd) {
  // IFD0 -> IFD1 -> IFD0 ...
  Tiff t;
  const int a = t.add_ifd(), b = t.add_ifd();
  t.entry(a, 0x0100, kShort, 1, t.u16s({1}));
  t.entry(b, 0x0101, kShort, 1, t.u16s({2}));
  t.chain({a, b, a});
  EXPECT_EQ(text_of(t), "ImageWidth=1 ImageLength=2 ");
  // IFD0 linking to itself, and its Exif pointer naming itself: walked once.
  Tiff s;
  s.add_ifd();
  s.entry(0, 0x0100, kShort, 1, s.u16s({1})).pointer(0, 0x8769, 0).pointer(0, 0x8825, 0);
  s.chain({0, 0});
  EXPECT_EQ(text_of(s), "ImageWidth=1 Exif_IFD_Pointer=8 ");
}

TEST(ExifReader, HostileBlocksProduceBoundedText) {
  // Thousands of entries all pointing at one large array of big doubles.
  Tiff t;
  t.add_ifd();
  Bytes doubles;
  for (int i = 0; i < 4000; ++i) {
    const Bytes d = t.u64s({0x7FEFFFFFFFFFFFFFull});  // the largest double
    doubles.insert(doubles.end(), d.begin(), d.end());
  }
  t.entry(0, 0x0001, kDouble, 4000, doubles);
  const std::uint32_t array_at = 8 + 2 + 12 * 2000 + 4;
  for (int i = 1; i < 2000; ++i) t.raw(0, 0x0001, kDouble, 4000, array_at);
  const std::string text = text_of(t);
  EXPECT_LE(text.size(), velmora::image::kMaxExifText);
  EXPECT_GT(text.size(), velmora::image::kMaxExifText / 2);
  EXPECT_EQ(text.back(), ' ');  // whole lines only
}

TEST(ExifReader, MeasuringAndFillingAgree) {
  Tiff t;
  const int ifd0 = t.add_ifd(), exif = t.add_ifd();
  for (std::uint16_t tag = 0x0100; tag < 0x0140; ++tag) {
    t.entry(ifd0, tag, kShort, 3, t.u16s({tag, 2, 3}));
  }
  t.pointer(ifd0, 0x8769, exif);
  t.entry(exif, 0x9000, kUndef, 4, Tiff::text("0230"));
  t.entry(exif, 0xA420, kAscii, 33, Bytes(33, 'u'));  // the last entry of the block
  const Bytes file = jpeg_with(t);
  const std::size_t length = format_exif(file, nullptr, 0);
  std::string buffer(length + 2, '\x7F');
  ASSERT_EQ(format_exif(file, buffer.data(), buffer.size()), length);
  EXPECT_EQ(buffer[length], '\0');
  const std::string suffix = "ExifVersion=0230 ImageUniqueID='" + std::string(33, 'u') + "' ";
  EXPECT_TRUE(std::string(buffer.data(), length).ends_with(suffix));

  // A buffer too small keeps whole lines only, zero-terminated.
  std::string small(30, '\x7F');
  const std::size_t written = format_exif(file, small.data(), small.size());
  EXPECT_EQ(std::string(small.data(), written), "ImageWidth=256,2,3 ");
  EXPECT_EQ(small[written], '\0');
}

TEST(ExifTags, TablesMatchTheirDocumentedShape) {
  using velmora::image::tag_name;
  using velmora::image::TagTable;
  EXPECT_EQ(tag_name(TagTable::main, 0x000B), "ACDComment");
  EXPECT_EQ(tag_name(TagTable::main, 0xA420), "ImageUniqueID");
  EXPECT_EQ(tag_name(TagTable::main, 0x8825), "GPS_IFD_Pointer");
  EXPECT_EQ(tag_name(TagTable::main, 0x1000), "RelatedImageFileFormat");
  EXPECT_EQ(tag_name(TagTable::gps, 0x001E), "GPSDifferential");
  EXPECT_EQ(tag_name(TagTable::gps, 0x0100), "");
  EXPECT_EQ(tag_name(TagTable::interop, 0x1002), "RelatedImageHeight");
  EXPECT_EQ(tag_name(TagTable::interop, 0x0000), "");
  EXPECT_EQ(tag_name(TagTable::main, 0xFFFE), "Computed value");
  EXPECT_EQ(tag_name(TagTable::gps, 0xFFFE), "Computed value");
  EXPECT_EQ(velmora::image::tag_rows(TagTable::main).size(), 248u);
  EXPECT_EQ(velmora::image::tag_rows(TagTable::gps).size(), 34u);
  EXPECT_EQ(velmora::image::tag_rows(TagTable::interop).size(), 8u);
}

TEST(ExifTags, LookupAnswersTheFirstRowOfALinearWalk) {
  using velmora::image::TagTable;
  for (TagTable table : {TagTable::main, TagTable::gps, TagTable::interop}) {
    for (std::uint32_t tag = 0; tag <= 0xFFFF; ++tag) {
      std::string_view expected;
      for (const auto& row : velmora::image::tag_rows(table)) {
        if (row.tag == velmora::image::kEndOfTable) break;
        if (row.tag == tag) {
          expected = row.name;
          break;
        }
      }
      ASSERT_EQ(velmora::image::tag_name(table, static_cast<std::uint16_t>(tag)), expected) << tag;
    }
  }
}

}  // namespace
