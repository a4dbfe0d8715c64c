// The EXIF reader alone: camera pictures formatted in memory (both runs), and the file
// path of VeImg_ExifInfo (open, locate, load, format) on a 200 KB and a 20 MB file whose
// EXIF block is at the start; the two should cost the same.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/exif_locate.hpp"
#include "image/exif_reader.hpp"
#include "platform/file_read.hpp"

namespace {

namespace stdfs = std::filesystem;

// The build names sources by their full path, so the test pictures are found beside us.
const stdfs::path kData =
    stdfs::path(__FILE__).parent_path().parent_path() / "tests" / "data" / "exif";

std::vector<std::uint8_t> read_all(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void BM_FormatCameraFile(benchmark::State& state, const char* name) {
  const std::vector<std::uint8_t> file = read_all(kData / name);
  for (auto _ : state) {
    const std::string text = velmora::image::exif_text(file);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_FormatCameraFile, nikon, "nikon-d2h-intel.jpg");
BENCHMARK_CAPTURE(BM_FormatCameraFile, iphone, "iphone4s-motorola.jpg");

// A camera file's head followed by filler up to `size` bytes, as a big picture would be.
stdfs::path padded_copy(std::uint64_t size) {
  const stdfs::path out =
      stdfs::temp_directory_path() / ("velmora-exif-bench-" + std::to_string(size) + ".jpg");
  std::vector<std::uint8_t> bytes = read_all(kData / "iphone4s-motorola.jpg");
  bytes.resize(size, 0x5A);
  std::ofstream(out, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
  return out;
}

// The handler's own path from an open to the finished text.
void BM_ExifFromFile(benchmark::State& state) {
  const stdfs::path file = padded_copy(static_cast<std::uint64_t>(state.range(0)));
  std::string native = "C:" + file.string();  // C: is the root of the default drive table
  for (char& c : native) c = c == '/' ? '\\' : c;
  for (auto _ : state) {
    velmora::platform::InputFile in;
    if (!in.open(native)) {
      state.SkipWithError("cannot open the file");
      break;
    }
    struct Source final : velmora::image::ByteSource {
      explicit Source(velmora::platform::InputFile& f) : f(f) {}
      std::uint64_t size() const override { return f.size(); }
      bool read(std::uint64_t o, std::uint8_t* d, std::size_t n) override {
        return f.read_at(o, d, n);
      }
      velmora::platform::InputFile& f;
    } source(in);
    std::vector<std::uint8_t> tiff;
    velmora::image::load_exif(source, tiff);
    std::string text(velmora::image::format_tiff(tiff, nullptr, 0) + 2, '\0');
    text.resize(velmora::image::format_tiff(tiff, text.data(), text.size()));
    benchmark::DoNotOptimize(text.data());
  }
  stdfs::remove(file);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExifFromFile)->Arg(200 * 1024)->Arg(20 * 1024 * 1024);

}  // namespace

BENCHMARK_MAIN();
