// The Windows backend against the system itself (run under Wine by make test-windows):
// files and folders with their Windows error numbers, code page 932, the rasters handed
// to the encoders, drives, programs, shortcuts and the clipboard.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "platform/clipboard.hpp"
#include "platform/file_ops.hpp"
#include "platform/file_read.hpp"
#include "platform/file_write.hpp"
#include "platform/folder_scan.hpp"
#include "platform/fs.hpp"
#include "platform/processes.hpp"
#include "platform/shortcut.hpp"
#include "platform/text.hpp"
#include "platform/volumes.hpp"
#include "platform/windows/encode_raster.hpp"

namespace velmora::platform {
namespace {

// A fresh folder under the system's temporary folder, removed with everything in it.
class WinFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    root_ = utf16_to_native(std::u16string(reinterpret_cast<const char16_t*>(temp))) +
            "velmora-win-" + std::to_string(GetCurrentProcessId()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_TRUE(create_folder(root_)) << last_error();
  }
  void TearDown() override {
    std::string cmd = "rmdir /s /q \"" + root_ + "\" >nul 2>&1";
    std::system(cmd.c_str());
  }
  std::string path(const std::string& name) const { return root_ + "\\" + name; }
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) {
    std::ifstream in(path(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  std::string root_;
};

TEST_F(WinFiles, SearchesSkipDotsAndReportWindowsNumbers) {
  write("b.txt", "12345");
  write("report", "");
  ASSERT_TRUE(create_folder(path("sub")));
  FileEntry first;
  auto search = find_first(path("*.*"), first);
  ASSERT_NE(search, nullptr);
  std::set<std::string> names{first.name};
  FileEntry e;
  while (search->next(e)) names.insert(e.name);
  EXPECT_EQ(last_error(), winerr::kNoMoreFiles);
  EXPECT_EQ(names, (std::set<std::string>{"b.txt", "report", "sub"}));
  EXPECT_TRUE(search->close());

  // "name.*" also finds the name without a dot, and a size comes with the entry.
  ASSERT_NE(find_first(path("report.*"), first), nullptr);
  EXPECT_EQ(first.name, "report");
  ASSERT_NE(find_first(path("B.TXT"), first), nullptr);
  EXPECT_EQ(first.name, "b.txt");
  EXPECT_EQ(first.size, 5u);
  EXPECT_FALSE(first.is_folder());

  EXPECT_EQ(find_first(path("*.none"), first), nullptr);
  EXPECT_EQ(last_error(), winerr::kFileNotFound);
  EXPECT_EQ(find_first(path("missing\\*"), first), nullptr);
  EXPECT_EQ(last_error(), winerr::kPathNotFound);
  // An empty folder: only "." and "..", which nobody sees.
  EXPECT_EQ(find_first(path("sub\\*"), first), nullptr);
  EXPECT_EQ(last_error(), winerr::kFileNotFound);
}

TEST_F(WinFiles, LookupGivesTheNameOnDiskAndNativeAttributes) {
  write("Mixed.TXT", "abc");
  FileEntry e;
  ASSERT_TRUE(lookup(path("mixed.txt"), e));
  EXPECT_EQ(e.name, "Mixed.TXT");
  EXPECT_EQ(e.size, 3u);
  ASSERT_TRUE(
      SetFileAttributesW(reinterpret_cast<LPCWSTR>(native_to_utf16(path("Mixed.TXT")).c_str()),
                         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  std::uint32_t a = 0;
  ASSERT_TRUE(get_attributes(path("Mixed.TXT"), a));
  EXPECT_EQ(a & (attr::kReadOnly | attr::kHidden), attr::kReadOnly | attr::kHidden);
  // Read-only files are not deleted.
  EXPECT_FALSE(delete_file(path("Mixed.TXT")));
  EXPECT_EQ(last_error(), winerr::kAccessDenied);
  EXPECT_FALSE(lookup(path("gone.txt"), e));
  EXPECT_EQ(last_error(), winerr::kFileNotFound);
  FileIdentity one, two;
  ASSERT_TRUE(identity(path("Mixed.TXT"), one));
  ASSERT_TRUE(identity(path("mixed.txt"), two));
  EXPECT_EQ(one, two);
}

TEST_F(WinFiles, CopyMoveCreateAndRemoveNeverOverwrite) {
  write("a.txt", "original");
  ASSERT_TRUE(copy_file(path("a.txt"), path("b.txt")));
  EXPECT_EQ(read("b.txt"), "original");
  FileEntry a, b;
  ASSERT_TRUE(lookup(path("a.txt"), a));
  ASSERT_TRUE(lookup(path("b.txt"), b));
  EXPECT_EQ(a.modification, b.modification);

  write("c.txt", "other");
  EXPECT_FALSE(copy_file(path("a.txt"), path("c.txt")));
  EXPECT_EQ(last_error(), winerr::kFileExists);
  EXPECT_EQ(read("c.txt"), "other");
  EXPECT_FALSE(move_item(path("a.txt"), path("c.txt")));
  EXPECT_EQ(last_error(), winerr::kAlreadyExists);
  EXPECT_EQ(read("a.txt"), "original");

  ASSERT_TRUE(create_folder(path("f")));
  EXPECT_FALSE(create_folder(path("f")));
  EXPECT_EQ(last_error(), winerr::kAlreadyExists);
  EXPECT_FALSE(create_folder(path("none\\g")));
  EXPECT_EQ(last_error(), winerr::kPathNotFound);
  ASSERT_TRUE(move_item(path("a.txt"), path("f\\a.txt")));
  EXPECT_FALSE(exists(path("a.txt")));
  EXPECT_FALSE(remove_folder(path("f")));
  EXPECT_EQ(last_error(), winerr::kDirNotEmpty);
  EXPECT_FALSE(remove_folder(path("c.txt")));
  EXPECT_EQ(last_error(), winerr::kDirectory);
  EXPECT_FALSE(delete_file(path("f")));
  EXPECT_EQ(last_error(), winerr::kAccessDenied);
  ASSERT_TRUE(delete_file(path("f\\a.txt")));
  EXPECT_TRUE(remove_folder(path("f")));
}

TEST_F(WinFiles, ScansReadsAndWholeFileReplacement) {
  write("x.bin", std::string("\x00\x01\x02\x03\x04\x05", 6));
  ASSERT_TRUE(create_folder(path("d")));
  std::vector<ScanEntry> entries;
  ASSERT_TRUE(scan_folder(root_, entries));
  ASSERT_EQ(entries.size(), 2u);
  for (const ScanEntry& s : entries) EXPECT_EQ(s.folder, s.name == "d") << s.name;
  EXPECT_FALSE(scan_folder(path("missing"), entries));
  EXPECT_EQ(last_error(), winerr::kPathNotFound);
  EXPECT_FALSE(scan_folder(path("x.bin"), entries));
  EXPECT_EQ(last_error(), winerr::kDirectory);

  InputFile in;
  ASSERT_TRUE(in.open(path("x.bin")));
  EXPECT_EQ(in.size(), 6u);
  std::uint8_t two[2] = {};
  ASSERT_TRUE(in.read_at(4, two, 2));
  EXPECT_EQ(two[0], 4);
  EXPECT_EQ(two[1], 5);
  EXPECT_FALSE(in.read_at(5, two, 2));  // past the end
  EXPECT_FALSE(in.open(path("d")));     // a folder is no file to read

  const std::uint8_t bytes[] = {'n', 'e', 'w'};
  ASSERT_TRUE(replace_file(path("x.bin"), bytes));
  EXPECT_EQ(read("x.bin"), "new");
  EXPECT_FALSE(replace_file(path("none\\y.bin"), bytes));
  EXPECT_EQ(last_error(), winerr::kPathNotFound);
  // Nothing is left beside the file.
  ASSERT_TRUE(scan_folder(root_, entries));
  EXPECT_EQ(entries.size(), 2u);
  for (const ScanEntry& s : entries) EXPECT_TRUE(s.name == "x.bin" || s.name == "d") << s.name;

  std::string whole;
  EXPECT_FALSE(read_file(path("x.bin"), whole, 2));
  EXPECT_EQ(last_error(), winerr::kNotEnoughMemory);
  ASSERT_TRUE(read_file(path("x.bin"), whole, 100));
  EXPECT_EQ(whole, "new");
}

TEST_F(WinFiles, AFileLargerThanTheProcessCanAddressIsRefusedWhole) {
  if (sizeof(void*) > 4) GTEST_SKIP() << "a 64-bit process would try to read 4 GB";
  // 4 GB and three bytes, sparse: cut to 32 bits its size is 3.
  {
    const std::u16string name = native_to_utf16(path("big.bin"));
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(name.c_str()), GENERIC_WRITE, 0,
                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end{};
    end.QuadPart = (1LL << 32) + 3;
    const bool sized = SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    ASSERT_TRUE(sized);
  }
  std::string whole = "old";
  EXPECT_FALSE(read_file(path("big.bin"), whole, UINT64_MAX));
  EXPECT_EQ(last_error(), winerr::kNotEnoughMemory);
}

TEST(WinText, CodePage932KeepsBackslashesAndMarksWhatItCannotHold) {
  const std::string hyo = "\x95\x5C";  // its second byte is a backslash
  EXPECT_EQ(native_to_utf8("C:\\" + hyo + "\\a"), "C:\\表\\a");
  EXPECT_EQ(utf8_to_native("C:\\表\\a"), "C:\\" + hyo + "\\a");
  EXPECT_EQ(utf8_to_native("x\u00e9y"), "x?y");
  EXPECT_EQ(native_to_utf8("\x80"
                           "a\xA0\xFD" +
                           hyo),
            "?a??表");
  EXPECT_EQ(native_to_utf16(hyo), u"表");
  EXPECT_EQ(utf16_to_native(u"ソフト"), "\x83\x5C\x83\x74\x83\x67");
  std::string full;
  ASSERT_TRUE(full_path_name("C:\\a\\..\\b\\.\\c.txt", full));
  EXPECT_EQ(full, "C:\\b\\c.txt");
}

TEST(WinRaster, DepthsBecomePackedGreyIndexedOrDirectRows) {
  // Three pixels: white, mid grey, black, plus a red one.
  const std::uint32_t px[4] = {0xFFFFFFFF, 0xFF808080, 0xFF000000, 0xFFFF0000};
  EncodeRequest r;
  r.pixels = px;
  r.width = 4;
  r.height = 1;
  win::Raster raster;
  ASSERT_TRUE(win::make_raster(r, win::RasterRequest::grey, 2, {}, raster));
  // Levels 3, 2 (0x80 rounds up), 0, 1 (red's luminance 76) at two bits each.
  EXPECT_EQ(raster.stride, 4u);
  EXPECT_EQ(raster.bytes[0], 0b11100001);

  ASSERT_TRUE(win::make_raster(r, win::RasterRequest::indexed, 1, {}, raster));
  EXPECT_EQ(raster.palette, (std::vector<std::uint32_t>{0xFFFFFF, 0x000000}));
  EXPECT_EQ(raster.bytes[0], 0b00110000);  // mid grey (luminance 128) counts as light

  // Few colours keep their exact values.
  ASSERT_TRUE(win::make_raster(r, win::RasterRequest::indexed, 2, {}, raster));
  EXPECT_EQ(raster.palette, (std::vector<std::uint32_t>{0xFFFFFF, 0x808080, 0x000000, 0xFF0000}));
  EXPECT_EQ(raster.bytes[0], 0b00011011);
  // More colours than the depth holds: none without a palette made for the picture, else
  // each pixel takes the nearest entry (mid grey is nearer white than black).
  const std::uint32_t five[5] = {0xFFFFFFFF, 0xFF808080, 0xFF000000, 0xFFFF0000, 0xFF0000F0};
  EncodeRequest many = r;
  many.pixels = five;
  many.width = 5;
  std::vector<std::uint32_t> own;
  EXPECT_FALSE(win::own_colours(many, 4, own));
  EXPECT_FALSE(win::make_raster(many, win::RasterRequest::indexed, 2, {}, raster));
  const std::vector<std::uint32_t> made = {0xFFFFFF, 0x000000, 0xFF0000, 0x0000FF};
  ASSERT_TRUE(win::make_raster(many, win::RasterRequest::indexed, 2, made, raster));
  EXPECT_EQ(raster.palette, made);
  EXPECT_EQ(raster.bytes[0], 0b00000110);
  EXPECT_EQ(raster.bytes[1], 0b11000000);

  ASSERT_TRUE(win::make_raster(r, win::RasterRequest::bgr24, 24, {}, raster));
  EXPECT_EQ(raster.stride, 12u);  // rows end on a 4-byte boundary
  EXPECT_EQ(raster.bytes[9], 0x00);
  EXPECT_EQ(raster.bytes[11], 0xFF);  // red last in BGR order
}

TEST(WinSystem, DrivesProgramsAndTheComputer) {
  const std::uint32_t mask = logical_drive_mask();
  EXPECT_NE(mask & (1u << 2), 0u);  // C:
  const auto roots = logical_drive_strings();
  ASSERT_FALSE(roots.empty());
  EXPECT_EQ(roots.size(), static_cast<std::size_t>(__builtin_popcount(mask)));
  EXPECT_EQ(drive_type("C:\\"), DriveType::Fixed);
  EXPECT_EQ(drive_type("C:"), DriveType::Fixed);
  std::uint64_t total = 0, available = 0;
  ASSERT_TRUE(disk_free_space("C:\\", total, available));
  EXPECT_GE(total, available);
  // A fixed disk is never ejected, and an unused letter names no drive.
  EXPECT_FALSE(eject_drive('C'));
  EXPECT_EQ(last_error(), winerr::kNotSupported);
  for (char letter = 'Z'; letter >= 'D'; --letter) {
    if ((mask & (1u << (letter - 'A'))) != 0) continue;
    EXPECT_FALSE(eject_drive(letter));
    EXPECT_EQ(last_error(), winerr::kInvalidDrive);
    break;
  }
  EXPECT_TRUE(computer_name().has_value());

  // This very program is among the processes, under its own file.
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::string exe =
      utf16_to_native(std::u16string(reinterpret_cast<const char16_t*>(self), n));
  bool found = false;
  for (const ProcessEntry& p : list_processes()) {
    if (p.id == GetCurrentProcessId()) {
      found = true;
      EXPECT_EQ(program_identity(p.executable), program_identity(exe));
    }
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(launch_program("C:\\no\\such\\program.exe", std::nullopt), shellerr::kPathNotFound);
  int asked = -1;
  EXPECT_EQ(close_windows({}, asked), CloseOutcome::Asked);
  EXPECT_EQ(asked, 0);
}

TEST(WinShortcut, TargetsFromFilesAndBytes) {
  const std::string data = std::string(VELMORA_TEST_DATA) + "/files/";
  auto target = shortcut_target(data + "report.lnk");
  ASSERT_TRUE(target.has_value());
  EXPECT_EQ(*target, "C:\\Docs\\report.txt");
  std::ifstream in(data + "report.lnk", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(shortcut_target_from_bytes(bytes), target);
  // A header that promises more than the file holds is no shortcut.
  EXPECT_FALSE(shortcut_target(data + "broken.lnk").has_value());
  EXPECT_FALSE(shortcut_target_from_bytes(bytes.substr(0, 40)).has_value());
  EXPECT_FALSE(shortcut_target(data + "missing.lnk").has_value());
}

TEST(WinClipboard, NamedFormatsRoundTrip) {
  Clipboard& clipboard = system_clipboard();
  const ClipboardItem pict{"Mac-PICT", {1, 2, 3, 4, 5}};
  const ClipboardItem dib{std::string(kClipboardDib), std::vector<std::uint8_t>(40 + 4, 0)};
  ClipboardItem header = dib;
  header.data[0] = 40;  // a BITMAPINFOHEADER of a 1 x 1, 32-bit picture
  header.data[4] = 1;
  header.data[8] = 1;
  header.data[12] = 1;
  header.data[14] = 32;
  ASSERT_TRUE(clipboard.replace({pict, header}));
  std::vector<std::string> formats;
  ASSERT_TRUE(clipboard.formats(formats));
  EXPECT_NE(std::find(formats.begin(), formats.end(), "Mac-PICT"), formats.end());
  EXPECT_NE(std::find(formats.begin(), formats.end(), std::string(kClipboardDib)), formats.end());
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(clipboard.read("Mac-PICT", back));
  EXPECT_EQ(back, pict.data);
  ASSERT_TRUE(clipboard.read(kClipboardDib, back));
  ASSERT_GE(back.size(), 40u);
  EXPECT_EQ(back[14], 32);
  EXPECT_FALSE(clipboard.read("No-Such-Format", back));
}

}  // namespace
}  // namespace velmora::platform
