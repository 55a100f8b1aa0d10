// Writes the fuzzer's seed corpus: files made with the fixture builder (each kind of thumbnail in
// both byte orders, every decoded tag, damaged variants, pairs of files, injected faults), and
// the first 32 KB of each real camera file when their directory is given.
//
// Usage: make_seeds OUT_DIR [REAL_FILES_DIR]
//
// Every seed starts with the two control bytes of the fuzz target (fault, fault argument); see
// pelnor_fuzz.cpp.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "exif_builder.h"

namespace {

using pelnor::testing::Bytes;
using pelnor::testing::ExifBuilder;
using pelnor::testing::Order;
namespace tag = pelnor::testing::tag;
namespace type = pelnor::testing::type;

constexpr std::size_t kHeadSize = 32768;
constexpr char kNextFile[] = "@@next-file@@";

struct Seed {
  std::string name;
  Bytes file;
};

const char* order_name(Order order) { return order == Order::kII ? "ii" : "mm"; }

Bytes strip(std::size_t size, std::uint8_t start) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(start + 37 * i);
  return bytes;
}

// IFD0 with every tag the dump decodes and texts inline, at an offset and without a zero byte.
void add_all_decoded_tags(ExifBuilder& b) {
  b.ifd0()
      .add_text(tag::kMake, "Maker")
      .add_text(tag::kModel, "M1")
      .add_text(tag::kImageDescription, "abcd", 4)
      .add_long(tag::kImageWidth, 640)
      .add_short(tag::kImageLength, 480)
      .add_shorts(tag::kBitsPerSample, {8, 8, 8})
      .add_short(tag::kCompression, 7)
      .add_short(tag::kPhotometric, 1)
      .add_long(tag::kStripOffsets, 8)
      .add_short(tag::kOrientation, 6)
      .add_short(tag::kSamplesPerPixel, 3)
      .add_long(tag::kRowsPerStrip, 480)
      .add_long(tag::kStripByteCounts, 921600)
      .add_rational(tag::kXResolution, 72, 1)
      .add_rational(tag::kYResolution, 72, 1)
      .add_short(tag::kPlanarConfiguration, 2)
      .add_short(tag::kResolutionUnit, 3)
      .add_text(tag::kSoftware, "firmware 1.0")
      .add_text(tag::kDateTime, "2001:02:03 04:05:06")
      .add_long(tag::kJpegOffset, 4000)
      .add_long(tag::kJpegLength, 100)
      .add_rationals(tag::kYCbCrCoefficients, {{299, 1000}, {587, 1000}, {114, 1000}})
      .add_shorts(tag::kYCbCrSubSampling, {2, 1})
      .add_short(tag::kYCbCrPositioning, 1)
      .add_rationals(tag::kReferenceBlackWhite,
                     {{0, 1}, {255, 1}, {128, 1}, {255, 1}, {128, 1}, {255, 1}})
      .add_raw(tag::kExifIfd, type::kLong, 1, 0)
      .add_raw(0x9999, 13, 1, 5)
      .add_raw(0x9998, 0, 2, 7)
      .add_text(0x9997, "no zero byte", 12);
}

ExifBuilder jpeg_file(Order order) {
  ExifBuilder b(order);
  b.ifd0().add_text(tag::kMake, "Maker").add_short(tag::kOrientation, 1);
  b.ifd1().add_rational(tag::kXResolution, 72, 1).add_rational(tag::kYResolution, 72, 1);
  b.ifd1().add_short(tag::kResolutionUnit, 2);
  add_jpeg_thumbnail(b, pelnor::testing::tiny_jpeg());
  return b;
}

ExifBuilder rgb_file(Order order, std::uint16_t width, std::uint16_t height) {
  ExifBuilder b(order);
  b.ifd0().add_text(tag::kModel, "RGB camera");
  add_rgb_thumbnail(b, width, height, strip(3u * width * height, 10));
  b.ifd1().add_rational(tag::kXResolution, 300, 1).add_rational(tag::kYResolution, 300, 1);
  return b;
}

ExifBuilder ycbcr_file(Order order, std::uint16_t width, std::uint16_t height, std::uint16_t h,
                       std::uint16_t v) {
  ExifBuilder b(order);
  std::size_t blocks = std::size_t{(width + h - 1u) / h} * ((height + v - 1u) / v);
  add_ycbcr_thumbnail(b, width, height, h, v, strip(blocks * (h * v + 2u), 20));
  b.ifd1()
      .add_rationals(tag::kYCbCrCoefficients, {{299, 1000}, {587, 1000}, {114, 1000}})
      .add_rationals(tag::kReferenceBlackWhite,
                     {{0, 1}, {255, 1}, {128, 1}, {255, 1}, {128, 1}, {255, 1}})
      .add_rational(tag::kXResolution, 72, 1)
      .add_short(tag::kResolutionUnit, 3);
  return b;
}

Bytes minimal_file() {
  return {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x1A, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0,
          0x08, 0, 0, 0, 0, 0, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

void add(std::vector<Seed>& seeds, std::string name, Bytes file) {
  seeds.push_back({std::move(name), std::move(file)});
}

std::vector<Seed> built_files() {
  std::vector<Seed> seeds;
  add(seeds, "minimal", minimal_file());
  for (Order order : {Order::kII, Order::kMM}) {
    const std::string o = order_name(order);
    add(seeds, "jpeg-" + o, jpeg_file(order).build());
    add(seeds, "rgb-2x2-" + o, rgb_file(order, 2, 2).build());
    add(seeds, "rgb-5x3-" + o, rgb_file(order, 5, 3).build());
    add(seeds, "ycbcr-4x2-21-" + o, ycbcr_file(order, 4, 2, 2, 1).build());
    add(seeds, "ycbcr-3x3-22-" + o, ycbcr_file(order, 3, 3, 2, 2).build());
    add(seeds, "ycbcr-2x2-11-" + o, ycbcr_file(order, 2, 2, 1, 1).build());
    add(seeds, "ycbcr-5x1-41-" + o, ycbcr_file(order, 5, 1, 4, 1).build());

    ExifBuilder all(order);
    add_all_decoded_tags(all);
    all.ifd1().add_short(tag::kCompression, 6);
    add(seeds, "all-tags-" + o, all.build());

    // Damage: a JPEG stream past the data, zero denominators, a missing subsampling entry,
    // a strip past the data, an IFD1 beyond the data, no IFD1, a bad byte-order mark.
    ExifBuilder past(order);
    past.ifd1().add_long(tag::kJpegOffset, 200).add_long(tag::kJpegLength, 5000);
    past.patch(12 + 200, {0xFF, 0xD8, 0xFF, 0xE0}).truncate(12 + 400);
    add(seeds, "jpeg-past-data-" + o, past.build());

    ExifBuilder zero(order);
    add_ycbcr_thumbnail(zero, 2, 2, 1, 1, strip(12, 3));
    zero.ifd1()
        .add_rationals(tag::kYCbCrCoefficients, {{299, 1000}, {0, 0}, {114, 0}})
        .add_rationals(tag::kReferenceBlackWhite,
                       {{0, 0}, {255, 1}, {0x80000000u, 1}, {255, 1}, {128, 1}, {255, 0}});
    add(seeds, "ycbcr-zero-denominators-" + o, zero.build());

    ExifBuilder nosub(order);
    nosub.ifd1()
        .add_short(tag::kImageWidth, 2)
        .add_short(tag::kImageLength, 2)
        .add_short(tag::kPhotometric, 6)
        .add_long(tag::kStripOffsets, 300);
    add(seeds, "ycbcr-no-subsampling-" + o, nosub.build());

    ExifBuilder long_strip = rgb_file(order, 60, 60);
    add(seeds, "rgb-strip-cut-" + o, long_strip.truncate(2000).build());

    ExifBuilder ifd1_out(order);
    ifd1_out.ifd0().add_short(tag::kOrientation, 1);
    ifd1_out.ifd1().add_short(tag::kCompression, 6);
    ifd1_out.ifd1_at(0x7FF8);
    add(seeds, "ifd1-beyond-" + o, ifd1_out.build());

    ExifBuilder no_ifd1(order);
    no_ifd1.ifd0().add_text(tag::kMake, "Maker");
    add(seeds, "no-ifd1-" + o, no_ifd1.build());
  }
  ExifBuilder bad_mark = jpeg_file(Order::kII);
  add(seeds, "bad-mark", bad_mark.mark('I', 'M').build());

  // Every cut of a small JPEG file, so that each field in turn lies beyond the data read.
  Bytes whole = jpeg_file(Order::kMM).build();
  for (std::size_t length : {6u, 11u, 12u, 13u, 15u, 19u, 21u, 30u, 45u, 70u, 100u})
    if (length < whole.size())
      add(seeds, "jpeg-cut-" + std::to_string(length), Bytes(whole.begin(), whole.begin() + length));
  return seeds;
}

Bytes with_control(std::uint8_t fault, std::uint8_t argument, const Bytes& first,
                   const Bytes* second = nullptr) {
  Bytes out{fault, argument};
  out.insert(out.end(), first.begin(), first.end());
  if (second != nullptr) {
    out.insert(out.end(), kNextFile, kNextFile + sizeof kNextFile - 1);
    out.insert(out.end(), second->begin(), second->end());
  }
  return out;
}

bool write_file(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make_seeds OUT_DIR [REAL_FILES_DIR]\n");
    return 2;
  }
  const std::filesystem::path out_dir = argv[1];
  std::error_code error;
  std::filesystem::create_directories(out_dir, error);
  int written = 0;
  auto emit = [&](const std::string& name, const Bytes& bytes) {
    if (!write_file(out_dir / name, bytes)) {
      std::fprintf(stderr, "cannot write %s\n", (out_dir / name).c_str());
      std::exit(1);
    }
    ++written;
  };

  const std::vector<Seed> seeds = built_files();
  for (const Seed& seed : seeds) emit(seed.name, with_control(0, 0, seed.file));

  // Faults on the files that reach extraction: each kind, at the first few writes and
  // allocations, and long names.
  for (const Seed& seed : seeds) {
    if (seed.name.rfind("jpeg-ii", 0) != 0 && seed.name.rfind("rgb-2x2-mm", 0) != 0 &&
        seed.name.rfind("ycbcr-3x3-22-ii", 0) != 0)
      continue;
    for (std::uint8_t fault = 1; fault <= 6; ++fault)
      for (std::uint8_t index = 0; index < (fault >= 4 ? 3 : 1); ++index)
        emit(seed.name + "-fault" + std::to_string(fault) + "-" + std::to_string(index),
             with_control(fault, index, seed.file));
    emit(seed.name + "-long-name", with_control(0, 0x80, seed.file));
  }

  // Pairs: a long file then a short one, so that the second finds the first one's bytes in the
  // buffer beyond its own.
  const Bytes minimal = minimal_file();
  for (const Seed& first : seeds) {
    if (first.file.size() < 200) continue;
    for (const Seed& second : seeds) {
      if (second.name != "jpeg-cut-13" && second.name != "jpeg-cut-21" &&
          second.name != "jpeg-cut-45" && second.name != "jpeg-cut-100")
        continue;
      emit("pair-" + first.name + "+" + second.name, with_control(0, 0, first.file, &second.file));
    }
    emit("pair-" + first.name + "+minimal", with_control(0, 0, first.file, &minimal));
  }

  if (argc == 3) {
    std::vector<std::filesystem::path> reals;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2], error))
      if (entry.is_regular_file()) reals.push_back(entry.path());
    if (error) std::fprintf(stderr, "cannot list %s: %s\n", argv[2], error.message().c_str());
    for (const auto& path : reals) {
      std::ifstream in(path, std::ios::binary);
      Bytes head(kHeadSize);
      in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(kHeadSize));
      head.resize(static_cast<std::size_t>(in.gcount()));
      if (path.extension() == ".tsv" || path.extension() == ".md") continue;
      emit("real-" + path.filename().string(), with_control(0, 0, head));
    }
  }
  std::printf("%d seeds in %s\n", written, out_dir.c_str());
  return 0;
}
