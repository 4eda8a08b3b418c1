// The INI reader on scripts of many procedures: every procedure is a section of its own,
// so each lookup must stay cheap however many sections the file holds.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "standins/ini_file.h"

namespace {

// A script of sections procedures shaped as bench/many_procedures.sh writes them.
std::string Script(int64_t sections) {
  std::string text = "[UPDATER]\nNAME=bench\nPROC=P0\n\n";
  for (int64_t i = 0; i < sections; ++i) {
    text += "[P" + std::to_string(i) + "]\nMODE=EXIST\nFILE=<Src>\\present.txt\n\n";
  }
  return text;
}

std::vector<std::string> SectionNames(int64_t sections) {
  std::vector<std::string> names;
  for (int64_t i = 0; i < sections; ++i) names.push_back("P" + std::to_string(i));
  return names;
}

// Reads MODE of every section in turn, as a run loads its procedures.
void BM_ReadKeyInOrder(benchmark::State& state) {
  const IniFile ini(Script(state.range(0)));
  const std::vector<std::string> names = SectionNames(state.range(0));
  char buffer[32767];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ini.ReadString(names[i].c_str(), "MODE", "", buffer, sizeof buffer));
    if (++i == names.size()) i = 0;
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadKeyInOrder)->RangeMultiplier(10)->Range(100, 100000)->Complexity();

// The same in no order at all: every lookup lands somewhere else in the file.
void BM_ReadKeyScattered(benchmark::State& state) {
  const IniFile ini(Script(state.range(0)));
  std::vector<std::string> names = SectionNames(state.range(0));
  std::shuffle(names.begin(), names.end(), std::mt19937(1));
  char buffer[32767];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ini.ReadString(names[i].c_str(), "FILE", "", buffer, sizeof buffer));
    if (++i == names.size()) i = 0;
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadKeyScattered)->RangeMultiplier(10)->Range(100, 100000)->Complexity();

// A section or key the file lacks: the default comes back.
void BM_ReadMissing(benchmark::State& state) {
  const IniFile ini(Script(state.range(0)));
  char buffer[260];
  for (auto _ : state) {
    benchmark::DoNotOptimize(ini.ReadString("P0", "ISABORT", "NO_DATA", buffer, sizeof buffer));
    benchmark::DoNotOptimize(ini.ReadString("Nowhere", "MODE", "NO_DATA", buffer, sizeof buffer));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadMissing)->RangeMultiplier(10)->Range(100, 100000)->Complexity();

// Listing one section of n keys, as the DEFINE section is read: linear in its lines.
void BM_ReadSection(benchmark::State& state) {
  std::string text = "[UPDATER]\nNAME=bench\n[DEFINE]\n";
  for (int64_t i = 0; i < state.range(0); ++i) {
    text += "<Folder" + std::to_string(i) + ">=<Src>\\folder" + std::to_string(i) + "\n";
  }
  text += "[Last]\nMODE=EXIST\n";
  const IniFile ini(text);
  std::vector<char> buffer(32767);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        ini.ReadSection("DEFINE", buffer.data(), static_cast<unsigned>(buffer.size())));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadSection)->RangeMultiplier(4)->Range(16, 1024)->Complexity(benchmark::oN);

// Reading the whole file once, as the first lookup does.
void BM_Parse(benchmark::State& state) {
  const std::string text = Script(state.range(0));
  for (auto _ : state) {
    IniFile ini(text);
    benchmark::DoNotOptimize(&ini);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Parse)->RangeMultiplier(10)->Range(100, 100000)->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// Through the profile function with the file's parsed copy already loaded: what each
// ReadKey of a run costs, the check that the file is unchanged included.
void BM_ReadProfileStringWarm(benchmark::State& state) {
  char path[] = "/tmp/ini-bench-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    state.SkipWithError("no temporary file");
    return;
  }
  close(fd);
  std::ofstream(path, std::ios::binary) << Script(state.range(0));
  const std::vector<std::string> names = SectionNames(state.range(0));
  char buffer[32767];
  ReadProfileString("P0", "MODE", "", buffer, sizeof buffer, path);  // loads the file
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        ReadProfileString(names[i].c_str(), "MODE", "", buffer, sizeof buffer, path));
    if (++i == names.size()) i = 0;
  }
  std::remove(path);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadProfileStringWarm)->RangeMultiplier(10)->Range(100, 100000)->Complexity();

}  // namespace

BENCHMARK_MAIN();
