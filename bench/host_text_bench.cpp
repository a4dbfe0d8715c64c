// The host library's text conversions, which every function call pays twice (parameter
// in, answer out), and a whole round trip of a parameter-sized text.
#include <benchmark/benchmark.h>
#include <fmx/FMHostServices.h>

#include <string>
#include <vector>

namespace {

std::string sample(bool japanese, std::size_t repeat) {
  const std::string piece = japanese ? "PATH='C:\\データ\\表示\\報告書.txt' EXTRA "
                                     : "PATH='C:\\Data\\report.txt' EXTRA ";
  std::string s;
  for (std::size_t i = 0; i < repeat; ++i) s += piece;
  return s;
}

void assign_and_get(benchmark::State& state, int32_t in, int32_t out, bool japanese) {
  FMX_ErrorRecord err{};
  FMX_Text* text = FM_Text_Constructor1(&err);
  std::string input = sample(japanese, static_cast<std::size_t>(state.range(0)));
  if (in != FMX_ENC_UTF8) {  // the same characters, written in code page 932
    FM_Text_AssignWithLength(text, input.data(), static_cast<uint32_t>(input.size()), FMX_ENC_UTF8,
                             &err);
    std::vector<char> native(input.size() * 2 + 1);
    const uint32_t n = FM_Text_GetBytesEx(text, native.data(), static_cast<uint32_t>(native.size()),
                                          0, 0xFFFFFFFFu, in, &err);
    input.assign(native.data(), n);
  }
  std::vector<char> buffer(input.size() * 3 + 1);
  for (auto _ : state) {
    FM_Text_AssignWithLength(text, input.data(), static_cast<uint32_t>(input.size()), in, &err);
    FM_Text_GetBytes(text, buffer.data(), static_cast<uint32_t>(buffer.size()), 0, 0xFFFFFFFFu, out,
                     &err);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(input.size()));
  FM_Text_Delete(text, &err);
}

// The module's own round trip: the parameter fetched and the answer given in code page 932.
void BM_AsciiCp932RoundTrip(benchmark::State& state) {
  assign_and_get(state, FMX_ENC_SJIS, FMX_ENC_SJIS, false);
}
void BM_JapaneseCp932RoundTrip(benchmark::State& state) {
  assign_and_get(state, FMX_ENC_SJIS, FMX_ENC_SJIS, true);
}
void BM_JapaneseUtf8RoundTrip(benchmark::State& state) {
  assign_and_get(state, FMX_ENC_UTF8, FMX_ENC_UTF8, true);
}

BENCHMARK(BM_AsciiCp932RoundTrip)->Arg(1)->Arg(100);
BENCHMARK(BM_JapaneseCp932RoundTrip)->Arg(1)->Arg(100);
BENCHMARK(BM_JapaneseUtf8RoundTrip)->Arg(1)->Arg(100);

#if FMX_RECORD_HAS_MEMORY_SERVICES
// The host's memory services as a function call uses them: one work block per call.
void BM_WorkBlock(benchmark::State& state) {
  FMX_ExternCallStruct record{};
  FMW_Host_InitCallRecord(&record, 52);
  for (auto _ : state) {
    void* block = record.cNewPointer(256);
    benchmark::DoNotOptimize(record.cMemoryError());
    record.cDisposePointer(block);
  }
}
BENCHMARK(BM_WorkBlock);
#endif

}  // namespace

BENCHMARK_MAIN();
