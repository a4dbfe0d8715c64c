// Averaging a picture over k x k blocks while its pixels arrive, so that a picture drawn
// much smaller than it is never needs to be held whole.  Every result pixel is the
// alpha-weighted mean of its block (blocks at the right and bottom edges may be smaller);
// colours hidden under transparent pixels never bleed into their neighbours.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/codecs.hpp"

namespace velmora::platform {

// The whole blocks a width x height picture can be averaged over and still cover a box
// (both sides > 0); 1 when no box is given or the picture is not twice as large.
std::int32_t block_factor(std::int64_t width, std::int64_t height, std::int32_t box_w,
                          std::int32_t box_h);

class BlockReducer {
 public:
  enum class Order {
    bands,  // all the rows of one block row come together (top down or bottom up)
    any,    // rows and columns in any order, each pixel once (interlaced pictures)
  };

  // Sizes `out` to the reduced picture, every pixel `fill`.  With a window, only the
  // blocks it touches are kept (out's left and top tell where they lie in the reduced
  // picture) and pixels outside them are passed over.  With Order::any, k grows when the
  // sums for the whole result would not fit the memory bound.  no_memory when the result
  // is too big or memory runs out.
  CodecStatus start(std::int32_t width, std::int32_t height, std::int32_t k, Order order,
                    DecodedPicture& out, std::uint32_t fill = 0xFFFFFFFFu,
                    const PixelWindow& window = {});
  // n pixels (0xAARRGGBB, straight colours) of row y: the first at column x0, the next
  // ones dx columns apart.
  void add(std::int32_t y, const std::uint32_t* pixels, std::int32_t x0, std::int32_t dx,
           std::int32_t n);
  // A whole row of `width` pixels.
  void add_row(std::int32_t y, const std::uint32_t* pixels) { add(y, pixels, 0, 1, width_); }
  // n opaque pixels as red, green, blue bytes, placed as for add().
  void add_rgb(std::int32_t y, const std::uint8_t* rgb, std::int32_t x0, std::int32_t dx,
               std::int32_t n);
  // Writes what is still summed up.  Pixels that never came count as transparent, but
  // with Order::bands a block row no pixel reached keeps its fill.
  void finish();

  std::int32_t factor() const { return k_; }
  // Whether row y of the picture reaches a kept block; the rows kept end before
  // last_row().
  bool wants_row(std::int32_t y) const { return y >= y_lo_ && y < y_hi_; }
  std::int32_t first_row() const { return y_lo_; }
  std::int32_t last_row() const { return y_hi_; }

 private:
  // The sums row y adds to; a new block row first writes the one before (Order::bands).
  std::uint64_t* sums_for(std::int32_t y);
  // Of the n pixels from x0 in steps of dx, how many land in the kept columns, the
  // first of them being pixel `skip`; 0 when the row or the run lies outside them.
  std::int32_t pixels_kept(std::int32_t y, std::int32_t x0, std::int32_t dx, std::int32_t n,
                           std::int32_t& skip) const;
  void flush(std::int32_t band);

  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::int32_t k_ = 1;
  Order order_ = Order::bands;
  std::int32_t band_ = -1;  // the block row being summed (Order::bands)
  // The kept blocks: the first block column and row, and the pixels they cover.
  std::int32_t bx0_ = 0;
  std::int32_t by0_ = 0;
  std::int32_t x_lo_ = 0;
  std::int32_t x_hi_ = 0;
  std::int32_t y_lo_ = 0;
  std::int32_t y_hi_ = 0;
  DecodedPicture* out_ = nullptr;
  // Four sums per result pixel (alpha, alpha * red, alpha * green, alpha * blue): for one
  // block row, or for the whole result with Order::any.
  std::vector<std::uint64_t> sums_;
};

}  // namespace velmora::platform
