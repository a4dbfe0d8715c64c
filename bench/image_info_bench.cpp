// Measuring pictures: the probe behind VeImg_ImageInfo on JPEG files of 0.06, 4 and 24
// megapixels must cost the same (headers only, no pixels decoded); decoding a 4 MP JPEG
// whole and into a thumbnail box shows what the DCT-domain reduction saves.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "image/picture_source.hpp"

namespace {

namespace stdfs = std::filesystem;

const stdfs::path& folder() {
  static const stdfs::path dir =
      stdfs::temp_directory_path() / ("velmora_image_bench_" + std::to_string(::getpid()));
  return dir;
}

// A JPEG of the given size written by cjpeg from a generated PPM; made once.
std::string jpeg(int width, int height) {
  const stdfs::path out =
      folder() / (std::to_string(width) + "x" + std::to_string(height) + ".jpg");
  if (stdfs::exists(out)) return "C:" + out.string();
  stdfs::create_directories(folder());
  const stdfs::path ppm = folder() / "source.ppm";
  {
    std::ofstream f(ppm, std::ios::binary);
    f << "P6\n" << width << ' ' << height << "\n255\n";
    std::string row(static_cast<std::size_t>(width) * 3, '\0');
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        row[3 * x] = static_cast<char>(x ^ y);
        row[3 * x + 1] = static_cast<char>(x + y);
        row[3 * x + 2] = static_cast<char>(y * 3);
      }
      f.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
  }
  const std::string cmd = "cjpeg -quality 90 '" + ppm.string() + "' > '" + out.string() + "'";
  if (std::system(cmd.c_str()) != 0) std::abort();
  stdfs::remove(ppm);
  return "C:" + out.string();
}

void BM_ProbeJpeg(benchmark::State& state) {
  const std::string path = jpeg(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    velmora::image::PictureSource source;
    velmora::image::Description d;
    if (source.open_file(path, false, 0) != 0 || source.describe(d) != 0)
      state.SkipWithError("probe");
    benchmark::DoNotOptimize(d);
  }
  state.SetLabel(std::to_string(stdfs::file_size(path.substr(2)) / 1024) + " KiB");
}
BENCHMARK(BM_ProbeJpeg)
    ->Args({320, 200})
    ->Args({2400, 1600})
    ->Args({6000, 4000})
    ->Unit(benchmark::kMicrosecond);

void BM_DecodeJpeg(benchmark::State& state) {
  const std::string path = jpeg(2400, 1600);
  const auto box = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    velmora::image::PictureSource source;
    velmora::image::Pixmap world;
    if (source.open_file(path, false, 0) != 0 || source.decode(world, box, box * 2 / 3) != 0)
      state.SkipWithError("decode");
    benchmark::DoNotOptimize(world);
  }
  state.SetLabel(box == 0 ? "whole" : "box " + std::to_string(box));
}
BENCHMARK(BM_DecodeJpeg)->Arg(0)->Arg(300)->Unit(benchmark::kMillisecond);

struct Cleanup {
  ~Cleanup() {
    std::error_code ec;
    stdfs::remove_all(folder(), ec);
  }
} cleanup;

}  // namespace

BENCHMARK_MAIN();
