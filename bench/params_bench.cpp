// Parser records per second for a typical parameter, and full calls per second of
// VeUtl_CalcRect through the host library (text conversion included).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fmx/FMHostServices.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "params/parser.hpp"
#include "params/readers.hpp"

namespace {

constexpr char kTypical[] = "PATH=C:\\\\Data\\\\photo.jpg WIDTH=640 ZOOM";  // about 40 bytes

void BM_ParseRecord(benchmark::State& state) {
  const std::size_t n = std::strlen(kTypical);
  std::vector<char> block(2 * n + 2);
  velmora::params::Store store;
  store.prepare();
  for (auto _ : state) {
    std::memcpy(block.data(), kTypical, n + 1);
    store.parse_first(block.data(), block.data() + n + 1);
    benchmark::DoNotOptimize(velmora::params::text(store, "WIDTH"));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseRecord);

struct Module {
  void* handle = nullptr;
  FMX_ExternCallProcPtr entry = nullptr;
  FMX_ExternCallStruct record{};
  FMX_ExternCallPtr calc_rect = nullptr;

  Module() {
    handle = dlopen(VELMORA_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return;
    entry = reinterpret_cast<FMX_ExternCallProcPtr>(dlsym(handle, "FMExternCallProc"));
    FMW_Host_InitCallRecord(&record, 52);
    record.whichCall = FMX_CALL_INIT;
    entry(&record);
    std::int16_t id = 0;
    FMW_Host_FindFunction("VeUtl_CalcRect", &id, &calc_rect);
  }
  ~Module() {
    if (!entry) return;
    record.whichCall = FMX_CALL_SHUTDOWN;
    entry(&record);
    dlclose(handle);
  }
};

void BM_CalcRectFullCall(benchmark::State& state) {
  static Module module;
  if (module.calc_rect == nullptr) {
    state.SkipWithError("module not loaded");
    return;
  }
  FMX_ErrorRecord err{};
  FMX_Text* parameter = FM_Text_Constructor1(&err);
  FM_Text_Assign(parameter, "RECT=10,20,110,220 INSET=5 OFFSET=3,4", FMX_ENC_UTF8, &err);
  FMX_DataVect* args = FM_DataVect_Constructor1(&err);
  FMW_Host_PushBackText(args, parameter, &err);
  for (auto _ : state) {
    FMX_Data* result = FM_Data_Constructor1(&err);
    module.calc_rect(27, nullptr, args, result);
    benchmark::DoNotOptimize(FM_Data_GetAsText(result, &err));
    FM_Data_Delete(result, &err);
  }
  state.SetItemsProcessed(state.iterations());
  FM_DataVect_Delete(args, &err);
  FM_Text_Delete(parameter, &err);
}
BENCHMARK(BM_CalcRectFullCall);

}  // namespace

BENCHMARK_MAIN();
