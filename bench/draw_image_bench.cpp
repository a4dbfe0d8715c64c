// Drawing pictures: a 4000 x 3000 JPEG fitted into 800 x 600 the way VeImg_DrawImage
// does it (decoded straight at a reduced size in the DCT domain) against decoding it
// whole first, and the renderer alone per quality, in target megapixels per second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/draw_context.hpp"
#include "image/transform.hpp"

namespace {

namespace stdfs = std::filesystem;
using namespace velmora::image;

const stdfs::path& folder() {
  static const stdfs::path dir =
      stdfs::temp_directory_path() / ("velmora_draw_bench_" + std::to_string(::getpid()));
  return dir;
}

std::string jpeg(int width, int height) {
  const stdfs::path out =
      folder() / (std::to_string(width) + "x" + std::to_string(height) + ".jpg");
  if (stdfs::exists(out)) return out.string();
  stdfs::create_directories(folder());
  const stdfs::path ppm = folder() / "source.ppm";
  {
    std::ofstream f(ppm, std::ios::binary);
    f << "P6\n" << width << ' ' << height << "\n255\n";
    std::string row(static_cast<std::size_t>(width) * 3, '\0');
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        row[3 * x] = static_cast<char>(x * 255 / width);
        row[3 * x + 1] = static_cast<char>(y * 255 / height);
        row[3 * x + 2] = static_cast<char>((x ^ y) & 0xFF);
      }
      f.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
  }
  const std::string cmd = "cjpeg -quality 90 '" + ppm.string() + "' > '" + out.string() + "'";
  if (std::system(cmd.c_str()) != 0) std::abort();
  stdfs::remove(ppm);
  return out.string();
}

// A parameter record parsed into a store.
class Record {
 public:
  explicit Record(const std::string& text) : text_(text.begin(), text.end()) {
    text_.push_back('\0');
    scratch_.assign(text_.size(), 0);
    store.prepare();
    store.parse_first(text_.data(), scratch_.data());
  }
  ~Record() { store.release(); }
  velmora::params::Store store;

 private:
  std::vector<char> text_;
  std::vector<char> scratch_;
};

constexpr PixRect kWindow{0, 0, 800, 600};

DrawJob fitted_job(PictureSource& source) {
  Description d;
  source.describe(d);
  Record r("DISPLAYMODE=ScaleToFit QUALITY=HIGH");
  DrawJob job;
  apply_transform(r.store, d.bounds.width(), d.bounds.height(), job);
  apply_placement(r.store, kWindow, job);
  return job;
}

// range(0): 1 decodes at the size drawn (as DrawImage does), 0 decodes whole first.
void BM_DrawJpegScaledToFit(benchmark::State& state) {
  const std::string path = jpeg(4000, 3000);
  const bool reduced = state.range(0) == 1;
  Pixmap window;
  window.create(kWindow);
  for (auto _ : state) {
    PictureSource source;
    if (source.open_file(path, false, 0) != 0) state.SkipWithError("open");
    const DrawJob job = fitted_job(source);
    PixRect touched;
    if (reduced) {
      if (draw_job(source, job, RenderTarget::of(window), {}, touched) != 0)
        state.SkipWithError("draw");
    } else {
      Pixmap whole;
      if (source.decode(whole) != 0) state.SkipWithError("decode");
      RenderJob r{job.source, job.matrix,  job.clip, quality_from_level(job.quality_level),
                  job.mode,   job.op_color};
      touched = render(whole, r, RenderTarget::of(window));
    }
    benchmark::DoNotOptimize(touched);
  }
  state.SetLabel(reduced ? "decoded at the drawn size" : "decoded whole");
}
BENCHMARK(BM_DrawJpegScaledToFit)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The renderer alone: a 1000 x 750 picture onto 800 x 600, per quality; range(1) turns
// it a quarter and a bit (no axis-aligned shortcuts).
void BM_Render(benchmark::State& state) {
  const auto quality = static_cast<Quality>(state.range(0));
  Pixmap picture;
  picture.create({0, 0, 1000, 750});
  for (std::int32_t y = 0; y < 750; ++y) {
    for (std::int32_t x = 0; x < 1000; ++x) picture.set(x, y, rgb(x & 0xFF, y & 0xFF, 0x80));
  }
  Pixmap target;
  target.create(kWindow);
  RenderJob job;
  job.source = picture.bounds();
  job.matrix = scale(identity(), kFixedOne * 4 / 5, kFixedOne * 4 / 5, 0, 0);
  if (state.range(1) != 0) job.matrix = rotate(job.matrix, 30, to_fixed(400), to_fixed(300));
  job.clip = kWindow;
  job.quality = quality;
  std::int64_t pixels = 0;
  for (auto _ : state) {
    const PixRect touched = render(picture, job, RenderTarget::of(target));
    pixels += std::int64_t{touched.width()} * touched.height();
    benchmark::DoNotOptimize(target.row(0));
  }
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(pixels) / 1e6, benchmark::Counter::kIsRate);
  static const char* const kNames[] = {"nearest", "bilinear", "area"};
  state.SetLabel(std::string(kNames[state.range(0)]) + (state.range(1) ? ", rotated" : ""));
}
BENCHMARK(BM_Render)->Args({0, 0})->Args({1, 0})->Args({2, 0})->Args({1, 1})->Unit(
    benchmark::kMillisecond);

// Area-averaging where it matters: a 4000 x 3000 world reduced to 800 x 600.
void BM_RenderAreaReduction(benchmark::State& state) {
  Pixmap picture;
  picture.create({0, 0, 4000, 3000}, rgb(10, 200, 30));
  Pixmap target;
  target.create(kWindow);
  RenderJob job;
  job.source = picture.bounds();
  job.matrix = scale(identity(), kFixedOne / 5, kFixedOne / 5, 0, 0);
  job.clip = kWindow;
  job.quality = Quality::area;
  std::int64_t pixels = 0;
  for (auto _ : state) {
    const PixRect touched = render(picture, job, RenderTarget::of(target));
    pixels += std::int64_t{touched.width()} * touched.height();
  }
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(pixels) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderAreaReduction)->Unit(benchmark::kMillisecond);

struct Cleanup {
  ~Cleanup() {
    std::error_code ec;
    stdfs::remove_all(folder(), ec);
  }
} cleanup;

}  // namespace

BENCHMARK_MAIN();
