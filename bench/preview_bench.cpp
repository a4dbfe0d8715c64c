// Thumbnails and the clipboard: area averaging a 4 MP world into a thumbnail and into a
// quarter-size picture; PreviewImage whole (JPEG decoded in the DCT domain, averaged,
// recorded, converted to a bitmap, put on the host-kept clipboard); writing a 640 x 480
// picture to the clipboard (PICT to DIB) and reading a bitmap back as PICT.
#include <benchmark/benchmark.h>
#include <fmx/FMHostServices.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/runner.hpp"
#include "image/area_reduce.hpp"
#include "image/clipboard_picture.hpp"
#include "image/pict.hpp"

namespace {

namespace stdfs = std::filesystem;
using velmora::image::Pixmap;
using velmora::image::PixRect;

Pixmap pattern(int w, int h) {
  Pixmap p;
  if (p.create(PixRect{0, 0, w, h}) != 0) std::abort();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      p.set(x, y,
            velmora::image::rgb(static_cast<std::uint8_t>(x ^ y), static_cast<std::uint8_t>(x + y),
                                static_cast<std::uint8_t>(y * 3)));
    }
  }
  return p;
}

void BM_AreaResample(benchmark::State& state) {
  static const Pixmap source = pattern(2400, 1600);
  const auto w = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    Pixmap out;
    if (velmora::image::area_resample(source, w, w * 2 / 3, out) != 0) state.SkipWithError("x");
    benchmark::DoNotOptimize(out);
  }
  state.SetLabel("2400x1600 -> " + std::to_string(w) + "x" + std::to_string(w * 2 / 3));
}
BENCHMARK(BM_AreaResample)->Arg(80)->Arg(600)->Unit(benchmark::kMillisecond);

std::string photo() {
  const stdfs::path dir =
      stdfs::temp_directory_path() / ("velmora_preview_bench_" + std::to_string(::getpid()));
  const stdfs::path out = dir / "photo.jpg";
  if (stdfs::exists(out)) return out.string();
  stdfs::create_directories(dir);
  const stdfs::path ppm = dir / "photo.ppm";
  {
    std::ofstream f(ppm, std::ios::binary);
    f << "P6\n2400 1600\n255\n";
    std::string row(2400 * 3, '\0');
    for (int y = 0; y < 1600; ++y) {
      for (int x = 0; x < 2400; ++x) {
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
  return out.string();
}

void BM_PreviewImage(benchmark::State& state) {
  const std::string parameter = "SRC=" + photo() + " WIDTH=" + std::to_string(state.range(0)) +
                                " HEIGHT=" + std::to_string(state.range(0));
  FMW_Host_KeepClipboard(1);
  for (auto _ : state) {
    if (velmora::host::run_handlers(5, parameter) != 0) state.SkipWithError("preview");
    (void)velmora::host::take_result();
  }
  VelmoraHost_Services()->clipboardEmpty();
  FMW_Host_KeepClipboard(0);
  state.SetLabel("2400x1600 JPEG, box " + std::to_string(state.range(0)));
}
BENCHMARK(BM_PreviewImage)->Arg(80)->Arg(600)->Unit(benchmark::kMillisecond);

void BM_ClipboardWriteRead(benchmark::State& state) {
  std::vector<std::uint8_t> pict;
  if (velmora::image::write_pict(pattern(640, 480), velmora::image::to_fixed(72),
                                 velmora::image::to_fixed(72), pict) != 0)
    std::abort();
  FMW_Host_KeepClipboard(1);
  std::vector<std::uint8_t> dib;
  for (auto _ : state) {
    if (velmora::image::write_clipboard_picture(pict) != 0) state.SkipWithError("write");
    // Read the bitmap half back, as a paste from a bitmap-only program would be.
    std::uint64_t size = 0;
    VelmoraHost_Services()->clipboardRead("CF_DIB", nullptr, &size);
    dib.resize(size);
    VelmoraHost_Services()->clipboardRead("CF_DIB", dib.data(), &size);
    std::vector<std::uint8_t> back;
    if (velmora::image::dib_to_pict(dib, back) != 0) state.SkipWithError("read");
    benchmark::DoNotOptimize(back);
  }
  VelmoraHost_Services()->clipboardEmpty();
  FMW_Host_KeepClipboard(0);
  state.SetLabel("640x480");
}
BENCHMARK(BM_ClipboardWriteRead)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
