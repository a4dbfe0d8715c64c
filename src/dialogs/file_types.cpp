// The file type table, as constant data: one row per code, rows sharing a type point at
// the same pattern text.
#include "dialogs/file_types.hpp"

#include <algorithm>
#include <array>

namespace velmora::dialogs {
namespace {

struct Row {
  std::uint32_t code;
  FileType type;
};

constexpr std::uint32_t cc(const char (&s)[5]) {
  return *four_cc(std::string_view(s, 4));
}

constexpr FileType kSgi{"sgi", "*.sgi;*.rgb"};
constexpr FileType kWav{"wav", "*.wav"};
constexpr FileType kBmp{"bmp", "*.bmp;*.dib"};
constexpr FileType kEps{"eps", "*.eps"};
constexpr FileType kFlc{"flc", "*.flc;*.fli"};
constexpr FileType kGif{"gif", "*.gif"};
constexpr FileType kMp3{"mp3", "*.mp3;*.swa"};
constexpr FileType kMpgParts{
    "mpg", "*.mpg;*.mpeg;*.m1s;*.m15;*.m1a;*.m1v;*.m64;*.m75;*.mp2;*.mpa;*.mpm;*.mpv"};
constexpr FileType kPng{"png", "*.png"};
constexpr FileType kSd2{"sd2", "*.sd2"};
constexpr FileType kSwf{"swf", "*.swf"};
constexpr FileType kAvi{"avi", "*.avi"};
constexpr FileType kDoc{"doc", "*.doc"};

// Sorted by code so that a lookup is a binary search (checked below).
constexpr std::array kTable = std::to_array<Row>({
    {cc(".SGI"), kSgi},
    {cc(".WAV"), kWav},
    {cc("3DMF"), {"3dmf", "*.3dmf;*.3dm;*.qd3d;*.qd3"}},
    {cc("8BPS"), {"psd", "*.psd"}},
    {cc("AIFC"), {"aifc", "*.aif;*.aifc;*.aiff"}},
    {cc("AIFF"), {"aif", "*.aif;*.aiff;*.aifc"}},
    {cc("BMP "), kBmp},
    {cc("BMPf"), kBmp},
    {cc("EPSF"), kEps},
    {cc("EPSP"), kEps},
    {cc("FLC "), kFlc},
    {cc("FLI "), kFlc},
    {cc("FMP5"), {"fp5", "*.fp5"}},
    {cc("FPix"), {"fpx", "*.fpx"}},
    {cc("GIF "), kGif},
    {cc("GIFf"), kGif},
    {cc("JFIF"), {"jpg", "*.jpg"}},
    {cc("JPEG"), {"jpg", "*.jpg;*.jpeg"}},
    {cc("MP3 "), kMp3},
    {cc("MPEG"),
     {"mpg",
      "*.mpg;*.mpeg;*.m1s;*.m15;*.m1a;*.m1v;*.m64;*.m75;*.mp2;*.mpa;*.mpm;*.mpv;*.mp3;*.swa"}},
    {cc("MPG3"), kMp3},
    {cc("MPGa"), kMpgParts},
    {cc("MPGv"), kMpgParts},
    {cc("MPGx"), kMpgParts},
    {cc("Midi"), {"mid", "*.mid;*.mifi;*.smf;*.kar"}},
    {cc("MooV"), {"mov", "*.mov;*.qt"}},
    {cc("Mp3 "), kMp3},
    {cc("PDF "), {"pdf", "*.pdf"}},
    {cc("PICS"), {"", ""}},
    {cc("PICT"), {"pct", "*.pct;*.pict;*.pic"}},
    {cc("PLAY"), kMp3},
    {cc("PNG "), kPng},
    {cc("PNGf"), kPng},
    {cc("PNTG"), {"mac", "*.mac;*.pntg;*.pnt"}},
    {cc("SD2 "), kSd2},
    {cc("SGI "), kSgi},
    {cc("SLD8"), {"ppt", "*.ppt"}},
    {cc("SWF "), kSwf},
    {cc("SWFL"), kSwf},
    {cc("Sd2f"), kSd2},
    {cc("SwaT"), kMp3},
    {cc("TEXT"), {"txt", "*.txt;*.sdp"}},
    {cc("TIFF"), {"tif", "*.tif;*.tiff"}},
    {cc("TPIC"), {"tga", "*.tga"}},
    {cc("ULAW"), {"ulw", "*.ulw;*.au;*.snd"}},
    {cc("VfW "), kAvi},
    {cc("Vfw "), kAvi},
    {cc("W8BN"), kDoc},
    {cc("WAVE"), kWav},
    {cc("WDBN"), kDoc},
    {cc("XLS8"), {"xls", "*.xls"}},
    {cc("dvc!"), {"dv", "*.dv;*.dif"}},
    {cc("qtif"), {"qtif", "*.qtif;*.qif;*.qti"}},
    {cc("sfil"), {"snd", "*.snd"}},
    {cc("trak"), {"cda", "*.cda"}},
});

static_assert(kTable.size() == 55);
static_assert(std::ranges::is_sorted(kTable, {}, &Row::code), "rows must be sorted by code");
static_assert(std::ranges::adjacent_find(kTable, {}, &Row::code) == kTable.end(),
              "a code appears twice");

}  // namespace

std::optional<FileType> lookup_file_type(std::uint32_t code) {
  const auto it = std::ranges::lower_bound(kTable, code, {}, &Row::code);
  if (it == kTable.end() || it->code != code) return std::nullopt;
  return it->type;
}

std::size_t file_type_code_count() {
  return kTable.size();
}

}  // namespace velmora::dialogs
