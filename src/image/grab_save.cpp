// VeImg_GrabImage and VeImg_SaveImage: pictures composed in an offscreen world exactly
// as DrawImage places them, then recorded as one picture at 72 dpi and put on the
// clipboard (Grab) or exported to a file (Save).
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "files/path_notation.hpp"
#include "files/path_spec.hpp"
#include "host/handlers.hpp"
#include "image/clipboard_picture.hpp"
#include "image/compression.hpp"
#include "image/draw_context.hpp"
#include "image/export_types.hpp"
#include "image/exporter.hpp"
#include "image/pict.hpp"
#include "image/render.hpp"
#include "params/readers.hpp"
#include "platform/encoders.hpp"
#include "platform/file_dialogs.hpp"
#include "platform/fs.hpp"
#include "platform/module.hpp"

namespace velmora::image {

namespace {

// The grab context carries the world's depth beside the drawing state.
struct GrabContext : DrawContext {
  std::int16_t depth = 32;
  // A save composes in a world that starts transparent, so that transparent pictures
  // keep their alpha in files that hold it; everything else is laid over white.
  bool keeps_alpha = false;
  bool transparent = false;  // some picture drawn had transparent parts
};

GrabContext* context_of(Call& call) {
  return static_cast<GrabContext*>(call.context);
}

constexpr Fixed kRecordResolution = to_fixed(72);
constexpr int kSaveImageId = 2;
constexpr Pixel kClearWhite = 0x00FFFFFF;

// A grab holds its world as well as what goes on the clipboard; a save holds its world
// and a picture decoded at its size, and encodes every pixel.  Compositions beyond the
// clipboard's bound are refused before anything is decoded, so that a small file
// claiming a vast picture costs neither gigabytes nor seconds.
bool too_large(const PixRect& r) {
  return static_cast<std::int64_t>(r.width()) * r.height() > kMaxClipboardPixels;
}

// DEPTH: 0 or absent is 32; other values must be a depth a world can have.
Err read_depth(const params::Store& s, std::int16_t& depth) {
  const std::int32_t n = params::integer(s, "DEPTH");
  if (n == 0) {
    depth = 32;
    return kNoErr;
  }
  if (n == 24 || !platform::valid_depth(n)) return kParamErr;
  depth = static_cast<std::int16_t>(n);
  return kNoErr;
}

// The composition's rectangle when the record gives none: WIDTH x HEIGHT when both are
// numbers, else the first picture's natural bounds (the picture stays open for the
// first step), widened or narrowed by a positive WIDTH or HEIGHT.
Err composition_rect(const params::Store& s, GrabContext& ctx) {
  std::int32_t width = 0, height = 0;
  if (params::validated_integer(s, "WIDTH", width) &&
      params::validated_integer(s, "HEIGHT", height)) {
    ctx.rect = PixRect{0, 0, width, height};
    return kNoErr;
  }
  if (const Err err = ctx.source.open(s); err != kNoErr) return err;
  ctx.source_open = true;
  Description d;
  if (const Err err = ctx.source.describe(d); err != kNoErr) return err;
  ctx.rect = d.bounds;
  if (const std::int32_t w = params::percentage(s, "WIDTH", d.bounds.width()); w > 0) {
    ctx.rect.right = ctx.rect.left + w;
  }
  if (const std::int32_t h = params::percentage(s, "HEIGHT", d.bounds.height()); h > 0) {
    ctx.rect.bottom = ctx.rect.top + h;
  }
  return kNoErr;
}

void close_source(GrabContext& ctx) {
  ctx.source.close();
  ctx.source_open = false;
}

// The world as its depth holds it: fewer colours or grey levels where asked.
Err reduce_to_depth(GrabContext& ctx) {
  if (ctx.depth >= 16 && ctx.depth <= 32) return kNoErr;
  CompressSettings lossless;
  lossless.codec = type_code("raw ");
  lossless.depth = ctx.depth;
  Pixmap reduced;
  if (const Err err = compress_world(ctx.offscreen, lossless, reduced); err != kNoErr) return err;
  ctx.offscreen = std::move(reduced);
  return kNoErr;
}

// The last part of a native path.
std::string file_name_of(const std::string& path) {
  return path.substr(files::name_start(path));
}

// The export dialog: a save chooser over the picture types, proposing DEST when given.
// The chosen name's extension picks the type; a name without a known one is saved as
// PICT.
Err choose_destination(const std::string& proposed, std::string& chosen, std::uint32_t& type) {
  const bool japanese = platform::ui_language() == platform::Language::Japanese;
  platform::ChooserRequest request;
  request.kind = platform::ChooserKind::SaveFile;
  request.title = japanese ? "画像の書き出し" : "Export Picture";
  request.default_name = proposed;
  request.filters = {{"JPEG", "*.jpg"},     {"PNG", "*.png"}, {"TIFF", "*.tif;*.tiff"},
                     {"GIF", "*.gif"},      {"BMP", "*.bmp"}, {"PICT", "*.pct;*.pict;*.pic"},
                     {"Photoshop", "*.psd"}};
  platform::ChooserOutcome outcome = platform::ChooserOutcome::Cancelled;
  switch (platform::run_chooser(request, outcome, chosen)) {
    case platform::DialogRun::Ended:
      break;
    case platform::DialogRun::NoDisplay:
      return kNoDisplay;
    case platform::DialogRun::Failed:
      return kGeneralErr;
  }
  if (outcome == platform::ChooserOutcome::Cancelled) return kUserCanceled;
  if (outcome == platform::ChooserOutcome::NoPath) return kDirNotFound;
  const std::string name = file_name_of(chosen);
  const std::size_t dot = name.rfind('.');
  type = dot == std::string::npos ? 0 : file_type_of_extension(name.substr(dot + 1));
  if (type == 0 || !has_exporter(type)) type = kTypePict;
  return kNoErr;
}

// DEST as an item that exists, or a new file in a folder that exists.  A folder is
// kept as the destination: exporting to it fails, rather than a chooser appearing.
bool resolve_destination(const char* text, files::PathSpec& dest) {
  if (text == nullptr || files::resolve_path(text, dest) != kNoErr) return false;
  if (dest.exists) return true;
  const std::size_t name = files::name_start(dest.name);
  return name != 0 && platform::is_folder(std::string_view(dest.name).substr(0, name));
}

Err save_world(Call& call, GrabContext& ctx) {
  const params::Store& s = call.params;
  std::uint32_t type = export_file_type(s);
  std::string destination;
  files::PathSpec dest;
  const bool have_dest = resolve_destination(params::text(s, "DEST"), dest);
  if (type != 0 && have_dest) {
    if (!has_exporter(type)) return kNoExporter;
    destination = dest.name;
  } else if (const Err err = choose_destination(have_dest ? dest.name : "", destination, type);
             err != kNoErr) {
    return err;
  }
  ExportSettings settings;
  settings.type = type;
  settings.quality = export_quality(s);
  settings.depth = ctx.depth;
  settings.hres = settings.vres = kRecordResolution;
  settings.alpha = ctx.transparent && holds_alpha(type, ctx.depth);
  if (!settings.alpha) flatten_onto_white(ctx.offscreen);
  if (const Err err = export_picture(ctx.offscreen, settings, destination); err != kNoErr) {
    return err;
  }
  return host::set_result(file_name_of(destination));
}

}  // namespace

Err grab_save_begin(Call& call) {
  auto* ctx = new (std::nothrow) GrabContext;
  if (ctx == nullptr) return kMemFull;
  call.context = ctx;
  ctx->grab = true;
  ctx->keeps_alpha = call.function_id == kSaveImageId;
  const params::Store& s = call.params;
  ctx->rect_given = read_destination(s, nullptr, ctx->rect);
  if (!ctx->rect_given) {
    if (const Err err = composition_rect(s, *ctx); err != kNoErr) {
      close_source(*ctx);
      return err;
    }
  }
  Err err = read_depth(s, ctx->depth);
  if (err == kNoErr && too_large(ctx->rect)) err = kMemFull;
  if (err == kNoErr)
    err = ctx->offscreen.create(ctx->rect, ctx->keeps_alpha ? kClearWhite : kWhite);
  if (err != kNoErr) close_source(*ctx);
  return err;
}

Err grab_save_image(Call& call) {
  GrabContext* ctx = context_of(call);
  if (ctx == nullptr || ctx->offscreen.empty()) return kParamErr;
  const params::Store& s = call.params;
  if (!ctx->source_open) {
    // A record naming no picture adds nothing to the composition.
    if (!params::has(s, "SRC") && !params::has(s, "PATH")) return kNoErr;
    if (const Err err = ctx->source.open(s); err != kNoErr) return err;
    ctx->source_open = true;
  }
  Description d;
  Err err = ctx->source.describe(d);
  DrawJob job;
  if (err == kNoErr) err = apply_transform(s, d.bounds.width(), d.bounds.height(), job);
  if (err == kNoErr) {
    apply_placement(s, ctx->rect_given ? ctx->rect : ctx->offscreen.bounds(), job);
    job.target_alpha = ctx->keeps_alpha;
    PixRect touched;
    bool transparent = false;
    err = draw_job(ctx->source, job, RenderTarget::of(ctx->offscreen), {}, touched, &transparent);
    ctx->transparent = ctx->transparent || transparent;
  }
  close_source(*ctx);
  return err;
}

Err grab_image_end(Call& call, Err code) {
  std::unique_ptr<GrabContext> ctx(context_of(call));
  call.context = nullptr;
  if (ctx == nullptr) return code;
  close_source(*ctx);
  if (code != kNoErr || ctx->offscreen.empty()) return code;
  if (const Err err = reduce_to_depth(*ctx); err != kNoErr) return err;
  std::vector<std::uint8_t> pict;
  if (const Err err = write_pict(ctx->offscreen, kRecordResolution, kRecordResolution, pict,
                                 kDitherCopy, ctx->depth);
      err != kNoErr) {
    return err == kParamErr ? kMemFull : err;
  }
  ctx->offscreen = Pixmap{};
  return write_clipboard_picture(std::move(pict));
}

Err save_image_end(Call& call, Err code) {
  std::unique_ptr<GrabContext> ctx(context_of(call));
  call.context = nullptr;
  if (ctx == nullptr) return code;
  close_source(*ctx);
  if (code != kNoErr || ctx->offscreen.empty()) return code;
  // Depths below 16 hold no transparency: their colours are those over white.
  if (ctx->depth < 16 || ctx->depth > 32) flatten_onto_white(ctx->offscreen);
  if (const Err err = reduce_to_depth(*ctx); err != kNoErr) return err;
  return save_world(call, *ctx);
}

}  // namespace velmora::image
