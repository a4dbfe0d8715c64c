// VeImg_ImageInfo: a picture's natural size, depth, resolution, held size and page
// count as one line of items, measured from its headers without decoding pixels.
#include "host/handlers.hpp"
#include "image/engine.hpp"
#include "image/picture_source.hpp"
#include "params/builder.hpp"

namespace velmora::image {

namespace {

constexpr std::uint32_t kPagesVersion = 0x04000000;  // image counts are known from 4.0

// The depth as reported: 24 reads as 32, grey scales (34, 36, 40) as their bit count.
std::int32_t reported_depth(std::int16_t depth) {
  if (depth == 24) return 32;
  if (depth > 32) return depth - 32;
  return depth;
}

std::string resolution_text(const Description& d) {
  std::string text = params::decimal(fixed_floor(d.hres));
  if (d.vres != d.hres) text += "," + params::decimal(fixed_floor(d.vres));
  return text;
}

}  // namespace

Err image_info(Call& call) {
  PictureSource source;
  if (const Err err = source.open(call.params); err != kNoErr) return err;

  Description d;
  // A picture whose headers cannot be read at all is an error, not an empty answer.
  if (const Err err = source.describe(d); err != kNoErr) return err;

  params::Builder b;
  b.item("WIDTH", d.bounds.width());
  b.item("HEIGHT", d.bounds.height());
  b.item("DEPTH", reported_depth(d.depth));
  b.item("RESOLUTION", resolution_text(d));
  if (source.held_size() > 0) b.item("SIZE", static_cast<std::int64_t>(source.held_size()));
  if (engine::version() >= kPagesVersion && d.image_count > 1) b.item("PAGECOUNT", d.image_count);
  return host::set_result(b.str());
}

}  // namespace velmora::image
