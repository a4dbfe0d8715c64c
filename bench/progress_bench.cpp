// What one progress update costs a script: drawing the in-window bar (value and
// stripes) and a whole barber-pole update through the handlers, on a 640 x 480 window.
#include <benchmark/benchmark.h>
#include <fmx/FMHostServices.h>

#include <vector>

#include "dialogs/progress_bar.hpp"
#include "dialogs/progress_state.hpp"
#include "host/runner.hpp"
#include "host/shared_state.hpp"

namespace {

struct Surface {
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(640 * 480, 0xFFFFFF);
};

FMX_DocumentWindow make_table(Surface& s) {
  FMX_DocumentWindow t{};
  t.structSize = sizeof t;
  t.context = &s;
  t.clientRect = [](void*, FMX_WindowRect* r) { *r = {0, 0, 640, 480}; };
  t.origin = [](void*, int32_t* h, int32_t* v) { *h = *v = 0; };
  t.visibleRegion = [](void*, FMX_WindowRect*, uint32_t) -> uint32_t { return 0; };
  t.pixels = [](void* c, int32_t* row) {
    *row = 640;
    return static_cast<Surface*>(c)->pixels.data();
  };
  t.invalidate = [](void*, const FMX_WindowRect*) {};
  t.validate = [](void*, const FMX_WindowRect*) {};
  t.invalidRect = [](void*, FMX_WindowRect*) -> int32_t { return 0; };
  t.resize = [](void*, int32_t, int32_t) -> int32_t { return -1; };
  t.nativeWindow = [](void*) -> void* { return nullptr; };
  t.pumpEvents = [](void*) {};
  return t;
}

void BM_BarValue(benchmark::State& state) {
  Surface s;
  FMX_DocumentWindow t = make_table(s);
  FMW_Host_SetDocumentWindow(&t);
  velmora::dialogs::WindowBar bar;
  bar.create(velmora::dialogs::bar_place({0, 0, 640, 480}, 17));
  double f = 0;
  for (auto _ : state) {
    bar.draw_value(f);
    f = f >= 1.0 ? 0.0 : f + 0.01;
  }
  FMW_Host_SetDocumentWindow(nullptr);
}
BENCHMARK(BM_BarValue);

void BM_BarStripes(benchmark::State& state) {
  Surface s;
  FMX_DocumentWindow t = make_table(s);
  FMW_Host_SetDocumentWindow(&t);
  velmora::dialogs::WindowBar bar;
  bar.create(velmora::dialogs::bar_place({0, 0, 640, 480}, 17));
  int column = 48;
  for (auto _ : state) {
    bar.draw_stripes(column);
    column = column == 0 ? 48 : column - 6;
  }
  FMW_Host_SetDocumentWindow(nullptr);
}
BENCHMARK(BM_BarStripes);

// A barber update between stripe ticks: what a tight script loop pays per call.
void BM_BarberUpdate(benchmark::State& state) {
  Surface s;
  FMX_DocumentWindow t = make_table(s);
  FMW_Host_SetDocumentWindow(&t);
  velmora::host::create_shared_state();
  auto& r = velmora::dialogs::progress_record(velmora::host::shared_state()->progress);
  r.owner = velmora::platform::host_window();
  for (auto _ : state) {
    benchmark::DoNotOptimize(velmora::host::run_handlers(38, "BARBER"));
  }
  velmora::host::release_shared_state();
  FMW_Host_SetDocumentWindow(nullptr);
}
BENCHMARK(BM_BarberUpdate);

}  // namespace

BENCHMARK_MAIN();
