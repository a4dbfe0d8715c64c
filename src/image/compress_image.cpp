// VeImg_CompressImage and VeImg_CompressImageDialog: a picture from the clipboard or a
// file, recompressed with the standard compression settings.  The result goes back to
// the clipboard, or to a file beside the source named for the output type; the source
// file is removed only once that file is complete.
#include <string>

#include "dialogs/file_types.hpp"
#include "files/path_notation.hpp"
#include "host/handlers.hpp"
#include "image/clipboard_picture.hpp"
#include "image/compression.hpp"
#include "image/export_types.hpp"
#include "image/exporter.hpp"
#include "image/pict.hpp"
#include "image/picture_source.hpp"
#include "params/builder.hpp"
#include "params/readers.hpp"
#include "params/text_util.hpp"
#include "platform/compression_dialog.hpp"
#include "platform/file_ops.hpp"
#include "platform/fs.hpp"
#include "platform/module.hpp"

namespace velmora::image {

namespace {

// Every camera photo up to 32 MP at its natural size (about 260 MB at the peak).
constexpr std::int64_t kMaxRecompressedPixels = std::int64_t{1} << 25;

struct CompressJob {
  bool from_clipboard = false;
  std::string source_file;  // full native path (file sources)
  Description description;
  Pixmap picture;
};

bool names_clipboard(const char* src) {
  return src == nullptr || params::equals_ignore_case(src, "clipboard:");
}

Err open_job(const params::Store& s, CompressJob& job) {
  const char* src = params::text(s, "SRC");
  PictureSource source;
  job.from_clipboard = names_clipboard(src);
  if (job.from_clipboard) {
    std::vector<std::uint8_t> pict;
    if (const Err err = read_clipboard_picture(pict); err != kNoErr) return err;
    if (const Err err = source.open_memory(std::move(pict)); err != kNoErr) return err;
  } else {
    if (!platform::full_path_name(src, job.source_file)) {
      return static_cast<Err>(platform::last_error());
    }
    const std::string_view name(job.source_file);
    const bool eps =
        name.size() >= 4 && params::equals_ignore_case(name.substr(name.size() - 4), ".eps");
    if (const Err err = source.open_file(job.source_file, eps, 0); err != kNoErr) return err;
  }
  if (const Err err = source.describe(job.description); err != kNoErr) return err;
  // Recompressing holds the whole picture at its size, twice over while it goes through
  // the codec: a picture beyond this is refused before anything is decoded.
  const PixRect& b = job.description.bounds;
  if (static_cast<std::int64_t>(b.width()) * b.height() > kMaxRecompressedPixels) return kMemFull;
  return source.decode(job.picture);
}

// The source's path with the extension of the output type.  Only a "." in the last
// component starts an extension: a dotted folder name is never cut.
std::string output_path(const std::string& source, std::uint32_t type) {
  const auto entry = dialogs::lookup_file_type(type);
  if (!entry || entry->extension.empty()) return source;
  const std::size_t name = files::name_start(source);
  const std::size_t dot = source.rfind('.');
  if (dot == std::string::npos || dot < name) {
    return source;
  }
  return source.substr(0, dot + 1) + std::string(entry->extension);
}

// The output file's bytes.  When the codec writes the output type itself, the original
// pixels are encoded once with the settings, rather than compressed twice.
Err output_bytes(CompressJob& job, const CompressSettings& settings, std::uint32_t type,
                 std::vector<std::uint8_t>& out) {
  ExportSettings e;
  e.type = type;
  e.quality = settings.quality;
  e.depth = settings.depth;
  e.hres = job.description.hres;
  e.vres = job.description.vres;
  const CodecEntry* codec = find_codec(settings.codec);
  if (codec == nullptr) return kNoCodec;
  if (!has_exporter(type)) return kNoExporter;
  if (codec->file_type == type) return encode_picture_file(job.picture, e, out);
  Pixmap compressed;
  if (const Err err = compress_world(job.picture, settings, compressed); err != kNoErr) return err;
  job.picture = Pixmap();  // only the compressed pixels are written
  return encode_picture_file(compressed, e, out);
}

Err remove_source(const std::string& path) {
  if (platform::delete_file(path)) return kNoErr;
  const platform::SysError reason = platform::last_error();
  if (reason == platform::winerr::kFileNotFound) return kNoErr;  // already gone
  return reason == platform::winerr::kAccessDenied ? Err{-54} : static_cast<Err>(reason);
}

Err settings_for(const CompressJob& job, const params::Store& s, CompressSettings& settings) {
  settings = default_settings(job.description);
  return read_settings(s, settings);
}

// ---- the settings dialog's texts ------------------------------------------------

struct DialogTexts {
  std::string_view title, codec, quality, depth, ok, cancel;
};
constexpr DialogTexts kEnglish{
    "Compression Settings", "Compressor", "Quality", "Colors", "OK", "Cancel"};
constexpr DialogTexts kJapanese{"圧縮設定", "圧縮方式", "画質", "カラー", "OK", "キャンセル"};

struct DepthOption {
  std::int16_t depth;
  std::string_view english, japanese;
};
constexpr DepthOption kDepthOptions[] = {
    {1, "Black and White", "白黒"},
    {2, "4 Colors", "4 色"},
    {4, "16 Colors", "16 色"},
    {8, "256 Colors", "256 色"},
    {16, "Thousands of Colors", "数千色"},
    {24, "Millions of Colors", "数百万色"},
    {34, "4 Grays", "4 階調グレイ"},
    {36, "16 Grays", "16 階調グレイ"},
    {40, "256 Grays", "256 階調グレイ"},
};

platform::CompressionDialogContent dialog_content(const CompressSettings& s) {
  const bool japanese = platform::ui_language() == platform::Language::Japanese;
  const DialogTexts& t = japanese ? kJapanese : kEnglish;
  platform::CompressionDialogContent c;
  c.title = t.title;
  c.codec_caption = t.codec;
  c.quality_caption = t.quality;
  c.depth_caption = t.depth;
  c.ok_label = t.ok;
  c.cancel_label = t.cancel;
  for (const CodecEntry& codec : kCodecs) {
    c.codecs.push_back({std::string(codec.name), static_cast<std::int32_t>(codec.type)});
  }
  for (const DepthOption& d : kDepthOptions) {
    c.depths.push_back({std::string(japanese ? d.japanese : d.english), d.depth});
  }
  c.codec = static_cast<std::int32_t>(s.codec);
  c.quality = s.quality;
  c.depth = s.depth == 32 ? 24 : s.depth;
  return c;
}

}  // namespace

Err compress_image(Call& call) {
  CompressJob job;
  if (const Err err = open_job(call.params, job); err != kNoErr) return err;
  CompressSettings settings;
  if (const Err err = settings_for(job, call.params, settings); err != kNoErr) return err;

  if (job.from_clipboard) {
    Pixmap compressed;
    if (const Err err = compress_world(job.picture, settings, compressed); err != kNoErr) {
      return err;
    }
    job.picture = Pixmap();
    std::vector<std::uint8_t> pict;
    if (const Err err = write_pict(compressed, job.description.hres, job.description.vres, pict,
                                   kDitherCopy, settings.depth);
        err != kNoErr) {
      return err;
    }
    return write_clipboard_picture(pict);
  }

  std::uint32_t type = export_file_type(call.params);
  if (type == 0) type = kTypePict;
  std::vector<std::uint8_t> bytes;
  if (const Err err = output_bytes(job, settings, type, bytes); err != kNoErr) return err;
  const std::string destination = output_path(job.source_file, type);
  if (const Err err = write_picture_file(destination, bytes); err != kNoErr) return err;
  // Written over the source itself: nothing is left to remove.
  if (params::equals_ignore_case(destination, job.source_file)) return kNoErr;
  return remove_source(job.source_file);
}

Err compress_image_dialog(Call& call) {
  CompressJob job;
  if (const Err err = open_job(call.params, job); err != kNoErr) return err;
  CompressSettings settings;
  if (const Err err = settings_for(job, call.params, settings); err != kNoErr) return err;

  platform::CompressionDialogContent content = dialog_content(settings);
  bool accepted = false;
  switch (platform::run_compression_dialog(content, accepted)) {
    case platform::DialogRun::Ended:
      break;
    case platform::DialogRun::NoDisplay:
      return kNoDisplay;
    case platform::DialogRun::Failed:
      return kGeneralErr;
  }
  if (!accepted) return kUserCanceled;

  params::Builder b;
  b.text("CODEC=").four_cc(static_cast<std::uint32_t>(content.codec));
  b.item("QUALITY", content.quality);
  b.item("DEPTH", content.depth);
  return host::set_result(b.str());
}

}  // namespace velmora::image
