// The Windows backend's network, codec and dialog-template services, each against the
// system (under Wine): only 127.0.0.1 is ever contacted.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/codecs.hpp"
#include "platform/encoders.hpp"
#include "platform/fs.hpp"
#include "platform/ftp.hpp"
#include "platform/processes.hpp"
#include "platform/text.hpp"
#include "platform/url_fetch.hpp"
#include "platform/windows/dialog_template.hpp"

namespace velmora::platform {
namespace {

// A port on 127.0.0.1 that nothing listens on: bound, never listening, then closed.
constexpr std::uint16_t kClosedPort = 1;

TEST(WinNetwork, FailuresAreTheInternetLibrarysNumbers) {
  std::vector<std::pair<FtpStatus, FtpContext>> seen;
  auto session = open_ftp_session([&](FtpStatus s, FtpContext c) { seen.emplace_back(s, c); });
  FtpLogin login;
  login.host = "127.0.0.1";
  login.port = kClosedPort;
  login.timeout_ms = 5000;
  EXPECT_EQ(session->connect(login), kFtpCannotConnect);
  // What the session reported belongs to the connection.
  for (const auto& [status, context] : seen) EXPECT_EQ(context, FtpContext::kConnection);

  auto secure = open_ftp_session(nullptr);
  login.secure = true;
  EXPECT_EQ(secure->connect(login), kFtpSecureChannelError);
  auto bad = open_ftp_session(nullptr);
  login.secure = false;
  login.host = "a b";
  EXPECT_EQ(bad->connect(login), kFtpInvalidUrl);
  // A session that never connected refuses its work instead of pretending.
  std::vector<FtpEntry> entries;
  EXPECT_NE(bad->list("/", entries), 0u);
  std::string folder;
  EXPECT_NE(bad->current_folder(folder), 0u);

  std::vector<std::uint8_t> bytes{1};
  EXPECT_EQ(fetch_url("gopher://127.0.0.1/x", 100, bytes), FetchResult::bad_address);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(fetch_url("http://127.0.0.1:1/x.jpg", 100, bytes), FetchResult::cannot_connect);
}

// Bytes in memory as a codec input, refusing every read past `readable`.
class Bytes final : public CodecInput {
 public:
  Bytes(std::vector<std::uint8_t> b, std::size_t readable)
      : b_(std::move(b)), readable_(readable) {}
  std::uint64_t size() const override { return b_.size(); }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    if (offset + n > readable_ || offset + n > b_.size()) return false;
    std::memcpy(dst, b_.data() + offset, n);
    return true;
  }

 private:
  std::vector<std::uint8_t> b_;
  std::size_t readable_;
};

std::vector<std::uint8_t> encoded(EncodeFormat format, std::int32_t dpi) {
  std::vector<std::uint32_t> px(6 * 4, 0xFF336699);
  EncodeRequest r;
  r.pixels = px.data();
  r.width = 6;
  r.height = 4;
  r.depth = 24;
  r.hres = r.vres = dpi << 16;
  std::vector<std::uint8_t> out;
  EXPECT_EQ(encode_picture(format, r, out), EncodeStatus::ok);
  return out;
}

TEST(WinCodecs, ProbesReadHeadersAndRefuseDamage) {
  std::vector<std::uint8_t> png = encoded(EncodeFormat::png, 150);
  Bytes whole(png, png.size());
  CodecProbe probe;
  ASSERT_EQ(probe_picture(CodecFormat::png, whole, 0, probe), CodecStatus::ok);
  EXPECT_EQ(probe.width, 6);
  EXPECT_EQ(probe.height, 4);
  EXPECT_NEAR(probe.hres / 65536.0, 150.0, 0.02);  // kept as whole dots per metre
  EXPECT_EQ(probe_picture(CodecFormat::png, whole, 1, probe), CodecStatus::bad_index);
  // The wrong decoder, a cut file and an input that fails its reads are damage, not a crash.
  EXPECT_NE(probe_picture(CodecFormat::gif, whole, 0, probe), CodecStatus::ok);
  Bytes cut(std::vector<std::uint8_t>(png.begin(), png.begin() + 20), 20);
  EXPECT_EQ(probe_picture(CodecFormat::png, cut, 0, probe), CodecStatus::bad_data);
  Bytes failing(png, 8);
  DecodedPicture picture;
  EXPECT_NE(decode_picture(CodecFormat::png, failing, 0, 0, 0, picture), CodecStatus::ok);
  EXPECT_TRUE(picture.pixels.empty());

  // A JFIF header without units says nothing about the resolution: 72.
  std::vector<std::uint8_t> jpeg = encoded(EncodeFormat::jpeg, 96);
  ASSERT_GT(jpeg.size(), 18u);
  ASSERT_EQ(std::memcmp(jpeg.data() + 6, "JFIF", 4), 0);
  jpeg[13] = 0;
  Bytes aspect(jpeg, jpeg.size());
  ASSERT_EQ(probe_picture(CodecFormat::jpeg, aspect, 0, probe), CodecStatus::ok);
  EXPECT_EQ(probe.hres, 72 << 16);
  jpeg[13] = 2;  // per centimetre: 118 dots are 300 dpi (rounded)
  jpeg[14] = 0;
  jpeg[15] = 118;
  jpeg[16] = 0;
  jpeg[17] = 118;
  Bytes metric(jpeg, jpeg.size());
  ASSERT_EQ(probe_picture(CodecFormat::jpeg, metric, 0, probe), CodecStatus::ok);
  EXPECT_NEAR(probe.hres / 65536.0, 299.72, 0.01);
}

// Reads the WORDs of a built template back, field by field.
struct Reader {
  const std::vector<WORD>& w;
  std::size_t at = 0;
  WORD word() { return w.at(at++); }
  DWORD dword() {
    const DWORD lo = word();
    return lo | (static_cast<DWORD>(word()) << 16);
  }
  std::wstring text() {
    std::wstring s;
    for (WORD c = word(); c != 0; c = word()) s.push_back(static_cast<wchar_t>(c));
    return s;
  }
};

TEST(WinDialogTemplate, ItemsAreAlignedAndKeepTheirIdsAndClasses) {
  const std::vector<win::DialogItem> items = {
      {BS_DEFPUSHBUTTON, 0x0080, {}, 10, 20, 50, 14, 1, L"OK"},
      {0, 0, L"msctls_trackbar32", 1, 2, 3, 4, 1201, L""},
      {SS_LEFT, 0x0082, {}, 5, 6, 7, 8, 1003, L"\u8868"},
  };
  const std::vector<WORD> bytes = win::dialog_bytes(L"Title", 200, 100, true, items);
  Reader r{bytes};
  EXPECT_NE(r.dword() & WS_SYSMENU, 0u);
  r.dword();
  EXPECT_EQ(r.word(), 3);
  r.word();
  r.word();
  EXPECT_EQ(r.word(), 200);
  EXPECT_EQ(r.word(), 100);
  EXPECT_EQ(r.word(), 0);  // menu
  EXPECT_EQ(r.word(), 0);  // class
  EXPECT_EQ(r.text(), L"Title");
  r.word();
  EXPECT_EQ(r.text(), L"MS Shell Dlg");
  for (const win::DialogItem& item : items) {
    if (r.at % 2 != 0) {
      EXPECT_EQ(r.word(), 0);  // padding to a DWORD
    }
    EXPECT_EQ(r.at % 2, 0u);
    EXPECT_EQ(r.dword(), static_cast<DWORD>(WS_CHILD | WS_VISIBLE | item.style));
    r.dword();
    EXPECT_EQ(static_cast<short>(r.word()), item.x);
    EXPECT_EQ(static_cast<short>(r.word()), item.y);
    EXPECT_EQ(static_cast<short>(r.word()), item.width);
    EXPECT_EQ(static_cast<short>(r.word()), item.height);
    EXPECT_EQ(r.word(), item.id);
    if (item.class_atom != 0) {
      EXPECT_EQ(r.word(), 0xFFFF);
      EXPECT_EQ(r.word(), item.class_atom);
    } else {
      EXPECT_EQ(r.text(), item.class_name);
    }
    EXPECT_EQ(r.text(), item.text);
    EXPECT_EQ(r.word(), 0);  // no creation data
  }
  EXPECT_EQ(r.at, bytes.size());
}

TEST(WinPrograms, AFileThatIsNoProgramIsRefused) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::string path =
      utf16_to_native(std::u16string(reinterpret_cast<const char16_t*>(temp))) +
      "velmora-not-a-program-" + std::to_string(GetCurrentProcessId()) + ".exe";
  HANDLE f = CreateFileW(reinterpret_cast<LPCWSTR>(native_to_utf16(path).c_str()), GENERIC_WRITE, 0,
                         nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD wrote = 0;
  WriteFile(f, "just text", 9, &wrote, nullptr);
  CloseHandle(f);
  const SysError e = launch_program(path, std::nullopt);
  EXPECT_TRUE(e == shellerr::kBadFormat || e == shellerr::kAccessDenied) << e;
  EXPECT_EQ(launch_program("C:\\no\\such.exe", std::string("doc.txt")), shellerr::kPathNotFound);
  DeleteFileW(reinterpret_cast<LPCWSTR>(native_to_utf16(path).c_str()));
}

}  // namespace
}  // namespace velmora::platform
