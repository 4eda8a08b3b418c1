// CRC-32 throughput of each method this processor has, beside zlib's crc32: on a 64 MiB
// buffer (memory bound), a 1 MiB one (the CRC command's chunk, in the caches) and a
// 4 KiB one (call overhead, heads and tails).
//   build/native/crc32_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <vector>

#include "foundation/crc32.h"

namespace {

const std::vector<unsigned char>& Data() {
  static const std::vector<unsigned char> data = [] {
    // A spare cache line, for the misaligned runs.
    std::vector<unsigned char> bytes((64 << 20) + 64);
    std::mt19937_64 random(42);
    for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
    return bytes;
  }();
  return data;
}

// range(0): size in bytes; range(1): offset from the vector's start.
void BM_Method(benchmark::State& state, Crc32Method method) {
  if (!Crc32MethodAvailable(method)) {
    state.SkipWithError("not available on this processor");
    return;
  }
  const auto size = static_cast<size_t>(state.range(0));
  const unsigned char* p = Data().data() + state.range(1);
  uint32_t crc = 0;
  for (auto _ : state) {
    crc = UpdateCrc32With(method, crc, p, size);
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_Dispatched(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  const unsigned char* p = Data().data() + state.range(1);
  uint32_t crc = 0;
  for (auto _ : state) {
    crc = UpdateCrc32(crc, p, size);
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  const char* names[] = {"table", "pclmul", "vpclmul_avx2", "vpclmul_avx512"};
  state.SetLabel(names[static_cast<int>(ChosenCrc32Method())]);
}

void BM_Zlib(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  const unsigned char* p = Data().data() + state.range(1);
  uLong crc = 0;
  for (auto _ : state) {
    // zlib takes a 32-bit length: 64 MiB is far below it.
    crc = crc32(crc, p, static_cast<uInt>(size));
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({64 << 20, 0})->Args({1 << 20, 0})->Args({1 << 20, 16})->Args({4096, 0})->Args(
      {4096, 5});
}

BENCHMARK_CAPTURE(BM_Method, table, Crc32Method::kTable)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Method, pclmul, Crc32Method::kPclmul)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Method, vpclmul_avx2, Crc32Method::kVpclmulAvx2)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Method, vpclmul_avx512, Crc32Method::kVpclmulAvx512)->Apply(Sizes);
BENCHMARK(BM_Dispatched)->Apply(Sizes);
BENCHMARK(BM_Zlib)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
