// Wildcard matching of file names: the patterns scripts use, and patterns built to make a
// backtracking matcher work hard.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "foundation/wildcard.h"

namespace {

// A folder's worth of typical names against typical patterns; the argument is the length
// of the names, so the cost per character shows.
void BM_TypicalPatterns(benchmark::State& state) {
  const size_t length = static_cast<size_t>(state.range(0));
  std::vector<std::string> names;
  for (const char* extension : {".dll", ".exe", ".txt", ".DLL", ""}) {
    std::string stem = "Setup_";
    while (stem.size() + 4 < length) stem += static_cast<char>('a' + stem.size() % 26);
    names.push_back(stem + extension);
  }
  const char* patterns[] = {"*.dll", "SETUP_*.DLL", "s?tup*.d*", "*.*", "*_*a*.exe", "setup."};
  int64_t matches = 0;
  for (auto _ : state) {
    for (const std::string& name : names) {
      for (const char* pattern : patterns) matches += MatchesWildcard(name.c_str(), pattern);
    }
  }
  benchmark::DoNotOptimize(matches);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size() * 6));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_TypicalPatterns)->RangeMultiplier(4)->Range(8, 512)->Complexity(benchmark::oN);

// "*a*a*...*a*b" with n stars against n*4 "a"s and no "b": every star is a place to
// backtrack to. A matcher that tries every split is exponential here; one that only
// returns to the last star stays linear.
void BM_ManyStarsFailing(benchmark::State& state) {
  const int64_t stars = state.range(0);
  std::string pattern;
  for (int64_t i = 0; i < stars; ++i) pattern += "*a";
  pattern += "*b";
  const std::string name(static_cast<size_t>(stars * 4), 'a');
  for (auto _ : state) {
    benchmark::DoNotOptimize(MatchesWildcard(name.c_str(), pattern.c_str()));
  }
  state.SetComplexityN(stars);
}
BENCHMARK(BM_ManyStarsFailing)->RangeMultiplier(4)->Range(4, 1024)->Complexity();

// The same pattern with the "b" present at the end: the match succeeds after the last
// star has scanned the rest of the name.
void BM_ManyStarsMatching(benchmark::State& state) {
  const int64_t stars = state.range(0);
  std::string pattern;
  for (int64_t i = 0; i < stars; ++i) pattern += "*a";
  pattern += "*b";
  const std::string name = std::string(static_cast<size_t>(stars * 4), 'a') + "b";
  for (auto _ : state) {
    benchmark::DoNotOptimize(MatchesWildcard(name.c_str(), pattern.c_str()));
  }
  state.SetComplexityN(stars);
}
BENCHMARK(BM_ManyStarsMatching)->RangeMultiplier(4)->Range(4, 1024)->Complexity();

// One star before a long literal that almost matches everywhere: "*aaa...ab" against a
// name of "a"s. Returning to the last star retries the literal at every position, so the
// work is the name's length times the literal's.
void BM_LongLiteralAfterStar(benchmark::State& state) {
  const size_t length = static_cast<size_t>(state.range(0));
  const std::string pattern = "*" + std::string(length / 2, 'a') + "b";
  const std::string name(length, 'a');
  for (auto _ : state) {
    benchmark::DoNotOptimize(MatchesWildcard(name.c_str(), pattern.c_str()));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LongLiteralAfterStar)->RangeMultiplier(4)->Range(16, 1024)->Complexity();

// "?" runs mixed with stars against a long name of one letter: "*??*??*...x".
void BM_QuestionMarksAndStars(benchmark::State& state) {
  const int64_t groups = state.range(0);
  std::string pattern;
  for (int64_t i = 0; i < groups; ++i) pattern += "*??";
  pattern += "x";
  const std::string name(static_cast<size_t>(groups * 8), 'q');
  for (auto _ : state) {
    benchmark::DoNotOptimize(MatchesWildcard(name.c_str(), pattern.c_str()));
  }
  state.SetComplexityN(groups);
}
BENCHMARK(BM_QuestionMarksAndStars)->RangeMultiplier(4)->Range(4, 1024)->Complexity();

}  // namespace

BENCHMARK_MAIN();
