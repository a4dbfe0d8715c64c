// What QuitApp costs before it touches a window: listing every process with its program
// file (one readlink per process), the path comparison per process, and what a detached
// start costs LaunchApp (double fork, exec, report pipe) against a plain fork and wait.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "apps/app_paths.hpp"
#include "platform/linux/processes_spawn.hpp"
#include "platform/processes.hpp"

namespace {

void BM_ListProcesses(benchmark::State& state) {
  std::size_t count = 0;
  for (auto _ : state) {
    std::vector<velmora::platform::ProcessEntry> all = velmora::platform::list_processes();
    count = all.size();
    benchmark::DoNotOptimize(all.data());
  }
  state.counters["processes"] = static_cast<double>(count);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
}
BENCHMARK(BM_ListProcesses)->Unit(benchmark::kMicrosecond);

void BM_MatchProcesses(benchmark::State& state) {
  // A busy machine: many processes, most of them from the same few folders.
  std::vector<velmora::platform::ProcessEntry> all;
  for (std::uint32_t id = 1; id <= 2000; ++id) {
    all.push_back({id, "C:\\usr\\lib\\x86_64-linux-gnu\\program-" + std::to_string(id % 50)});
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        velmora::apps::matching_processes(all, "c:\\USR\\lib\\x86_64-linux-gnu\\PROGRAM-7"));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(all.size()));
}
BENCHMARK(BM_MatchProcesses)->Unit(benchmark::kMicrosecond);

void BM_SpawnDetached(benchmark::State& state) {
  const std::vector<std::string> argv{"/bin/true"};
  for (auto _ : state) {
    auto report = velmora::platform::linux_backend::spawn_detached(argv, 0);
    benchmark::DoNotOptimize(report);
  }
}
BENCHMARK(BM_SpawnDetached)->Unit(benchmark::kMicrosecond);

// The floor: one fork and exec of the same program, waited for.
void BM_ForkExecWait(benchmark::State& state) {
  for (auto _ : state) {
    pid_t pid = ::fork();
    if (pid == 0) {
      ::execl("/bin/true", "/bin/true", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
}
BENCHMARK(BM_ForkExecWait)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
