// Base64Convert against OpenSSL's EVP_EncodeBlock/EVP_DecodeBlock on 1 MiB of random data, with
// one unbroken line (the fair comparison: OpenSSL's block functions write no line breaks) and with
// Corvane's default 72-character lines. Ends with the speed ratios of the unbroken runs, taken
// from the fastest of nine repetitions.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/fastest_run_reporter.h"
#include "crypto/base64.h"

namespace {

constexpr std::uint32_t kDataSize = 1 << 20;

const std::vector<std::uint8_t>& Data() {
  static const std::vector<std::uint8_t> data = [] {
    std::vector<std::uint8_t> bytes(kDataSize);
    std::mt19937 random(42);
    for (auto& byte : bytes) {
      byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
  }();
  return data;
}

std::string EncodedText(std::uint32_t flags) {
  std::uint32_t size = 0;
  Base64Convert(B64_ENCODE | flags, Data().data(), kDataSize, nullptr, &size);
  std::string text(size, '\0');
  Base64Convert(B64_ENCODE | flags, Data().data(), kDataSize, text.data(), &size);
  text.resize(size);
  return text;
}

void CorvaneEncode(benchmark::State& state, std::uint32_t flags) {
  std::uint32_t size = 0;
  Base64Convert(B64_ENCODE | flags, Data().data(), kDataSize, nullptr, &size);
  std::vector<char> text(size);
  for (auto _ : state) {
    std::uint32_t length = size;
    benchmark::DoNotOptimize(
        Base64Convert(B64_ENCODE | flags, Data().data(), kDataSize, text.data(), &length));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDataSize);
}

void OpenSslEncode(benchmark::State& state) {
  std::vector<unsigned char> text(4 * ((kDataSize + 2) / 3) + 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(EVP_EncodeBlock(text.data(), Data().data(), kDataSize));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDataSize);
}

void CorvaneDecode(benchmark::State& state, std::uint32_t flags) {
  const std::string text = EncodedText(flags);
  std::vector<std::uint8_t> bytes(kDataSize);
  for (auto _ : state) {
    std::uint32_t length = kDataSize;
    benchmark::DoNotOptimize(Base64Convert(
        B64_DECODE, text.data(), static_cast<std::uint32_t>(text.size()), bytes.data(), &length));
    benchmark::ClobberMemory();
  }
  if (bytes != Data()) {
    state.SkipWithError("decoded bytes differ");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDataSize);
}

void OpenSslDecode(benchmark::State& state) {
  const std::string text = EncodedText(B64_NO_BREAKS);
  std::vector<unsigned char> bytes(kDataSize + 3);
  for (auto _ : state) {
    benchmark::DoNotOptimize(EVP_DecodeBlock(bytes.data(),
                                             reinterpret_cast<const unsigned char*>(text.data()),
                                             static_cast<int>(text.size())));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kDataSize);
}

}  // namespace

int main(int argc, char** argv) {
  for (benchmark::internal::Benchmark* bench :
       {benchmark::RegisterBenchmark("Encode/Corvane/NoBreaks", CorvaneEncode, B64_NO_BREAKS),
        benchmark::RegisterBenchmark("Encode/Corvane/Lines", CorvaneEncode, 0u),
        benchmark::RegisterBenchmark("Encode/OpenSSL", OpenSslEncode),
        benchmark::RegisterBenchmark("Decode/Corvane/NoBreaks", CorvaneDecode, B64_NO_BREAKS),
        benchmark::RegisterBenchmark("Decode/Corvane/Lines", CorvaneDecode, 0u),
        benchmark::RegisterBenchmark("Decode/OpenSSL", OpenSslDecode)}) {
    benchmark_support::RunFastestOfNine(bench);
  }
  benchmark::Initialize(&argc, argv);
  benchmark_support::FastestRunReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::fflush(stdout);
  reporter.PrintRatio("Encode (no breaks)", "Encode/Corvane/NoBreaks", "Encode/OpenSSL", 1000,
                      "us CPU per MiB");
  reporter.PrintRatio("Decode (no breaks)", "Decode/Corvane/NoBreaks", "Decode/OpenSSL", 1000,
                      "us CPU per MiB");
  return 0;
}
