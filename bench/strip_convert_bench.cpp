// Time per pixel of the two strip conversions on a thumbnail of the usual 160 x 120 size, drawn
// onto a canvas made the way the tool makes it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bitmap/dib_image.h"
#include "bitmap/strip_convert.h"
#include "io/platform.h"
#include "tiff/thumbnail.h"

namespace {

constexpr std::int32_t kWidth = 160;
constexpr std::int32_t kHeight = 120;

// A fixed pseudo-random byte pattern, so that no conversion sees a constant image.
std::vector<std::uint8_t> strip_bytes_of(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = 0x2545F491u;
  for (auto& b : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    b = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

pelnor::ThumbInfo thumb_of(std::int32_t kind, std::int32_t photometric, std::int32_t sub_h,
                           std::int32_t sub_v) {
  pelnor::ThumbInfo thumb;
  thumb.kind = kind;
  thumb.width = kWidth;
  thumb.height = kHeight;
  thumb.photometric = photometric;
  thumb.subsampling_h = sub_h;
  thumb.subsampling_v = sub_v;
  thumb.strip_offset = 0;
  thumb.strip_byte_count = static_cast<std::uint32_t>(pelnor::strip_bytes(thumb));
  return thumb;
}

template <typename Convert>
void run_conversion(benchmark::State& state, const pelnor::ThumbInfo& thumb, Convert convert) {
  const std::vector<std::uint8_t> source = strip_bytes_of(pelnor::strip_bytes(thumb));
  pelnor::DibImage img{};
  if (pelnor::dib_create(&img, kWidth, kHeight, 24, 0, 0, pelnor::system_platform()) !=
      pelnor::DIB_OK) {
    state.SkipWithError("no canvas");
    return;
  }
  for (auto _ : state) {
    convert(&img, thumb, source.data());
    benchmark::DoNotOptimize(img.bits);
    benchmark::ClobberMemory();
  }
  pelnor::dib_unlock(&img);
  pelnor::dib_free(&img);
  const double pixels = static_cast<double>(kWidth) * kHeight;
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(pixels));
  // Seconds per pixel; the console shows it with an SI prefix (n for nanoseconds).
  state.counters["per_pixel"] = benchmark::Counter(
      pixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_convert_rgb_strip(benchmark::State& state) {
  run_conversion(state, thumb_of(pelnor::THUMB_TIFF_RGB, 2, 0, 0), pelnor::convert_rgb_strip);
}

void BM_convert_ycbcr_strip_2x1(benchmark::State& state) {
  run_conversion(state, thumb_of(pelnor::THUMB_TIFF_YCBCR, 6, 2, 1), pelnor::convert_ycbcr_strip);
}

BENCHMARK(BM_convert_rgb_strip);
BENCHMARK(BM_convert_ycbcr_strip_2x1);

}  // namespace

BENCHMARK_MAIN();
