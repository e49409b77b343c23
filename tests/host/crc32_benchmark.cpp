// Checksum speed over an in-cache 40 KiB buffer: folding, slicing-by-8 and one table step a byte.
#include <benchmark/benchmark.h>

#include <vector>

#include "signatures.h"

static std::vector<uint8_t> SampleBuffer() {
  std::vector<uint8_t> buffer(40 * 1024);
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
  return buffer;
}

static void Crc32Folded(benchmark::State& state) {
  if (!Crc32_CanFold()) {
    state.SkipWithError("this processor has no carry-less multiplication");
    return;
  }
  std::vector<uint8_t> buffer = SampleBuffer();
  for (auto _ : state) benchmark::DoNotOptimize(Crc32_UpdateFolded(0xFFFFFFFFu, buffer.data(), buffer.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}

static void Crc32SlicingBy8(benchmark::State& state) {
  std::vector<uint8_t> buffer = SampleBuffer();
  for (auto _ : state) benchmark::DoNotOptimize(Crc32_UpdateSliced(0xFFFFFFFFu, buffer.data(), buffer.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}

static void Crc32Bytewise(benchmark::State& state) {
  std::vector<uint8_t> buffer = SampleBuffer();
  for (auto _ : state) benchmark::DoNotOptimize(Crc32_UpdateBytewise(0xFFFFFFFFu, buffer.data(), buffer.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}

BENCHMARK(Crc32Folded);
BENCHMARK(Crc32SlicingBy8);
BENCHMARK(Crc32Bytewise);
BENCHMARK_MAIN();
