// Symbol expansion, which every text value of a script goes through once.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "foundation/globals.h"
#include "script/symbols.h"

namespace {

// The six built-in folders and defines more entries, as a DEFINE section of that many
// lines would add.
void FillTable(int64_t defines) {
  SymbolTable = SymbolTableData();
  SetSymbol("<Win>", "C:\\Windows");
  SetSymbol("<Sys>", "C:\\Windows\\System32");
  SetSymbol("<Src>", "C:\\Setup");
  SetSymbol("<Desktop>", "C:\\Users\\Public\\Desktop");
  SetSymbol("<Programs>", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
  SetSymbol("<Temp>", "C:\\Users\\me\\AppData\\Local");
  for (int64_t i = 0; i < defines; ++i) {
    const std::string name = "<Define" + std::to_string(i) + ">";
    const std::string value = "C:\\Program Files\\App\\folder" + std::to_string(i);
    SetSymbol(name.c_str(), value.c_str());
  }
}

void Expand(benchmark::State& state, const std::string& value) {
  for (auto _ : state) {
    TextString text(value.c_str());
    if (!ExpandValue(text)) state.SkipWithError("the value went past its bound");
    benchmark::DoNotOptimize(text.GetText());
  }
}

// Values as procedures hold them, with a table of 6 + n entries: the symbol named is the
// last entry, which a walk of the table would find last.
void BM_TypicalValue(benchmark::State& state) {
  FillTable(state.range(0));
  const std::string last = "<Define" + std::to_string(state.range(0) - 1) + ">";
  Expand(state, last + "\\bin\\app.exe");
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_TypicalValue)->RangeMultiplier(4)->Range(4, 1024)->Complexity();

// A built-in folder with the table as the six built-ins leave it: the usual case.
void BM_BuiltInFolder(benchmark::State& state) {
  FillTable(0);
  Expand(state, "<Src>\\present.txt");
}
BENCHMARK(BM_BuiltInFolder);

// A value without any symbol, query or parent step: what most values of a script are.
void BM_PlainValue(benchmark::State& state) {
  FillTable(0);
  Expand(state, "EXIST");
}
BENCHMARK(BM_PlainValue);

// One value naming n symbols, with parent steps to collapse: "<Src>\a\..\<Win>\b\..\...".
void BM_ManySymbols(benchmark::State& state) {
  FillTable(0);
  const char* names[] = {"<Src>", "<Win>", "<Sys>", "<Temp>"};
  std::string value;
  for (int64_t i = 0; i < state.range(0); ++i) {
    value += std::string(names[i % 4]) + "\\d" + std::to_string(i) + "\\..\\";
  }
  value += "end.txt";
  Expand(state, value);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ManySymbols)->RangeMultiplier(4)->Range(4, 256)->Complexity();

// Names in angle brackets that are no symbol: each is looked up in vain and kept.
void BM_UnknownSymbols(benchmark::State& state) {
  FillTable(0);
  std::string value;
  for (int64_t i = 0; i < state.range(0); ++i) value += "<Unknown" + std::to_string(i) + ">";
  Expand(state, value);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_UnknownSymbols)->RangeMultiplier(4)->Range(4, 256)->Complexity();

// Builds the table from a script of the given DEFINE lines, state.range(0) of them.
void BuildFrom(benchmark::State& state, std::string (*line)(int64_t)) {
  char path[] = "/tmp/symbols-bench-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    state.SkipWithError("no temporary file");
    return;
  }
  close(fd);
  std::string script = "[UPDATER]\nNAME=bench\n[DEFINE]\n";
  for (int64_t i = 0; i < state.range(0); ++i) script += line(i) + "\n";
  std::ofstream(path, std::ios::binary) << script;
  RunSettings.scriptPath = path;
  RunSettings.programPath = "C:\\Setup\\updater.exe";
  for (auto _ : state) {
    if (!BuildSymbolTable()) state.SkipWithError("the table went past its bound");
    benchmark::DoNotOptimize(SymbolTable.entries.data());
  }
  std::remove(path);
  state.SetComplexityN(state.range(0));
}

// A DEFINE section of n lines, each naming a built-in folder that stands after all of
// them.
void BM_BuildTable(benchmark::State& state) {
  BuildFrom(state, [](int64_t i) {
    return "<Define" + std::to_string(i) + ">=<Src>\\folder" + std::to_string(i);
  });
}
BENCHMARK(BM_BuildTable)
    ->RangeMultiplier(4)
    ->Range(16, 1024)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

// n lines each naming the one before: "<S2>=<S1>x", "<S3>=<S2>x"... The table holds
// n^2 / 2 bytes, so twice the lines take four times as long.
void BM_ChainedDefines(benchmark::State& state) {
  BuildFrom(state, [](int64_t i) {
    if (i == 0) return std::string("<S0>=x");
    return "<S" + std::to_string(i) + ">=<S" + std::to_string(i - 1) + ">x";
  });
}
BENCHMARK(BM_ChainedDefines)
    ->RangeMultiplier(4)
    ->Range(16, 1024)
    ->Complexity(benchmark::oNSquared)
    ->Unit(benchmark::kMillisecond);

// A symbol of 32,000 bytes named n times: n * 32,000 bytes produced, up to the bound.
void BM_LongSymbolNamedOften(benchmark::State& state) {
  FillTable(0);
  SetSymbol("<Big>", std::string(32000, 'b').c_str());
  std::string value;
  for (int64_t i = 0; i < state.range(0); ++i) value += "<Big>";
  Expand(state, value);
  state.SetBytesProcessed(state.iterations() * state.range(0) * 32000);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LongSymbolNamedOften)->RangeMultiplier(2)->Range(1, 32)->Complexity();

// {?Param\0\n}: the command line's words and n separators.
void BM_ParamRange(benchmark::State& state) {
  FillTable(0);
  RunSettings.commandLine = "/iupdater.ini /tPatch \"C:\\Program Files\\App\"";
  Expand(state, "{?Param\\0\\" + std::to_string(state.range(0)) + "}");
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ParamRange)->RangeMultiplier(8)->Range(8, 1 << 18)->Complexity();

}  // namespace

BENCHMARK_MAIN();
