// Loading a full two-part firmware image (every byte of 0x00000-0x3FFFF and
// both trailers, 16-byte records, about 740 KB of text) from memory and from
// a file. The loader has one decoder and one line splitter for every build,
// so this measures the code TARN9X and TARN2K run.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BENCH=ON
//   ninja -C build/bench hex_loader_bench
//   build/bench/bench/hex_loader_bench --benchmark_repetitions=10
//       --benchmark_report_aggregates_only=true   (one command line)
// The programs compile the loader with -Os; to measure it so, configure a
// second directory with -DCMAKE_CXX_FLAGS_RELEASE="-Os -DNDEBUG".
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "firmware/hex_image.h"
#include "firmware/line_source.h"
#include "tests/support/firmware_image_builder.h"

namespace {

using namespace kestrel;

const std::string& TwoPartHex() {
  static const std::string hex = [] {
    testing::FirmwareImageSetup setup;
    setup.second = setup.first;
    setup.second->cpuName = "HITACHI H8_3062R";
    setup.second->fillSeed = 12;
    return testing::BuildFirmwareHex(setup);
  }();
  return hex;
}

struct Buffers {
  Buffers() : data(kDataBufferSize), image(kImageBufferSize) {
    work.data = data.data();
    work.image = image.data();
  }
  std::vector<uint8_t> data, image;
  WorkBuffers work;
};

void LoadTwoPartImageFromMemory(benchmark::State& state) {
  const std::string& hex = TwoPartHex();
  Buffers buffers;
  std::string log;
  for (auto _ : state) {
    log.clear();
    MemoryLineSource source(hex.data(), hex.size());
    const HexLoadResult result = LoadHexImage(source, buffers.work, Language{}, log);
    if (!result.normal()) state.SkipWithError("the image did not load");
    benchmark::DoNotOptimize(buffers.image.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * hex.size()));
}
BENCHMARK(LoadTwoPartImageFromMemory)->Unit(benchmark::kMillisecond);

void LoadTwoPartImageFromFile(benchmark::State& state) {
  const std::string& hex = TwoPartHex();
  const std::string path = "kestrel_bench_two_part.hex";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(hex.data(), 1, hex.size(), f) != hex.size()) {
    state.SkipWithError("cannot write the test file");
    if (f != nullptr) std::fclose(f);
    return;
  }
  std::fclose(f);
  Buffers buffers;
  StdioFileSystem files;
  std::string log;
  for (auto _ : state) {
    log.clear();
    int cause = 0;
    std::unique_ptr<LineSource> source = files.OpenForReading(path, cause);
    if (!source) {
      state.SkipWithError("cannot open the test file");
      break;
    }
    const HexLoadResult result = LoadHexImage(*source, buffers.work, Language{}, log);
    source->Close();
    if (!result.normal()) state.SkipWithError("the image did not load");
    benchmark::DoNotOptimize(buffers.image.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * hex.size()));
  std::remove(path.c_str());
}
BENCHMARK(LoadTwoPartImageFromFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
