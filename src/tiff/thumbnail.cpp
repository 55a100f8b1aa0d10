#include "tiff/thumbnail.h"

#include <cmath>
#include <cstdint>

#include "tiff/byte_order.h"
#include "tiff/tiff_types.h"

namespace pelnor {
namespace {

// Element j of the rational array at `offset`: signed numerator over signed denominator, in
// double precision. A zero denominator is let through as an infinity or NaN; the YCbCr
// conversion turns every non-finite result into 0.
double rational_at(const TiffData& tiff, std::uint64_t offset, int j, int little_endian) {
  const std::uint8_t* p = tiff.at(offset + 8u * static_cast<unsigned>(j));
  const auto numerator = static_cast<std::int32_t>(file32(p, little_endian));
  const auto denominator = static_cast<std::int32_t>(file32(p + 4, little_endian));
  return static_cast<double>(numerator) / static_cast<double>(denominator);
}

// Fills `out` with the `n` rationals at `offset`; false, leaving `out` as it was, when they do
// not all lie inside the data read.
bool read_rationals(const TiffData& tiff, std::uint32_t offset, int n, double* out,
                    int little_endian) {
  if (!tiff.contains(offset, 8u * static_cast<unsigned>(n))) return false;
  for (int j = 0; j < n; ++j) out[j] = rational_at(tiff, offset, j, little_endian);
  return true;
}

// An XResolution or YResolution entry as it was seen, converted once ResolutionUnit is known.
struct ResolutionEntry {
  bool present = false;
  TagEntry entry{};
};

// Pixels per metre from a resolution entry: the rational it points at (or the number itself
// for a SHORT or LONG entry) in dots per inch, or per centimetre when `unit` is 3. 0 when it
// cannot be read or makes no sense.
std::uint32_t pixels_per_metre(const TiffData& tiff, const ResolutionEntry& res, std::uint32_t unit,
                               int little_endian) {
  if (!res.present) return 0;
  const TagEntry& e = res.entry;
  double per_unit;
  if ((e.type == RATIONAL || e.type == SRATIONAL) && e.count >= 1 && tiff.contains(e.value, 8)) {
    const std::uint32_t numerator = file32(tiff.at(e.value), little_endian);
    const std::uint32_t denominator = file32(tiff.at(e.value) + 4, little_endian);
    if (e.type == RATIONAL) {
      per_unit = static_cast<double>(numerator) / static_cast<double>(denominator);
    } else {
      per_unit = static_cast<double>(static_cast<std::int32_t>(numerator)) /
                 static_cast<double>(static_cast<std::int32_t>(denominator));
    }
  } else if (e.type == SHORT || e.type == LONG) {
    per_unit = e.value;
  } else {
    return 0;
  }
  const double per_metre = unit == 3 ? per_unit * 100.0 : per_unit / 0.0254;
  if (!std::isfinite(per_metre) || per_metre < 0.5) return 0;  // a zero denominator, say
  if (per_metre >= 2147483647.0) return 2147483647u;
  return static_cast<std::uint32_t>(std::lround(per_metre));
}

// Ceiling of a / b for positive b.
std::uint64_t blocks_across(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }

}  // namespace

std::uint64_t strip_bytes(const ThumbInfo& thumb) {
  if (thumb.width < 1 || thumb.height < 1) return 0;
  const auto width = static_cast<std::uint64_t>(thumb.width);
  const auto height = static_cast<std::uint64_t>(thumb.height);
  if (thumb.kind == THUMB_TIFF_YCBCR) {
    if (thumb.subsampling_h < 1 || thumb.subsampling_v < 1) return 0;
    const auto h = static_cast<std::uint64_t>(thumb.subsampling_h);
    const auto v = static_cast<std::uint64_t>(thumb.subsampling_v);
    // Every factor is below 2^32, so each product below stays under 2^64.
    const std::uint64_t block = h * v + 2;
    const std::uint64_t blocks = blocks_across(width, h) * blocks_across(height, v);
    if (blocks > UINT64_MAX / block) return UINT64_MAX;
    return blocks * block;
  }
  return 3 * width * height;
}

int find_thumbnail(const TiffData& tiff, std::uint32_t ifd1, ThumbInfo* info, int little_endian) {
  ThumbInfo rec;
  bool usable = true;
  ResolutionEntry x_res, y_res;
  std::uint32_t resolution_unit = 2;

  std::uint16_t n;
  if (!read16_at(tiff, ifd1, little_endian, &n)) return 0;
  // A directory cut short by the end of the data describes nothing that can be trusted.
  if (!tiff.contains(entry_offset(ifd1, 0), std::uint64_t{kEntrySize} * n)) return 0;

  for (unsigned i = 0; i < n; ++i) {
    const std::uint8_t* raw = tiff.at(entry_offset(ifd1, i));
    TagEntry e;
    decode_entry(&e, raw, little_endian);
    switch (e.tag) {
      case 256:
        rec.width = static_cast<std::int32_t>(e.value);
        break;
      case 257:
        rec.height = static_cast<std::int32_t>(e.value);
        break;
      case 258:
        if (e.count == 3 && e.type == SHORT) {
          if (!tiff.contains(e.value, 6)) {
            usable = false;
            break;
          }
          for (int j = 0; j < 3; ++j) {
            if (file16(tiff.at(e.value) + 2 * j, little_endian) != 8) {
              usable = false;
              break;
            }
          }
        }
        break;
      case 259:
        if (e.value != 1) usable = false;
        break;
      case 262:
        rec.photometric = static_cast<std::int32_t>(e.value);
        if (e.value != 2 && e.value != 6) usable = false;
        break;
      case 273:
        rec.strip_offset = e.value;
        break;
      case 277:
        if (e.value != 3) usable = false;
        break;
      case 278:
        if (e.value != static_cast<std::uint32_t>(rec.height)) usable = false;
        break;
      case 279:
        rec.strip_byte_count = e.value;
        break;
      case 282:
        x_res = {true, e};
        break;
      case 283:
        y_res = {true, e};
        break;
      case 284:
        if (e.value != 1) usable = false;
        break;
      case 296:
        resolution_unit = e.value;
        break;
      case 513: {
        // The JPEG start-of-image marker, compared as raw bytes in either byte order; a stream
        // that starts past the data read is looked for in the file itself.
        std::uint8_t marker[2];
        if (e.type == LONG && tiff.fetch(e.value, marker, 2) && marker[0] == 0xFF &&
            marker[1] == 0xD8) {
          rec.jpeg_offset = e.value;
        }
        break;
      }
      case 514:
        if (e.type == LONG) rec.jpeg_length = e.value;
        break;
      case 529:
        if (e.count != 3 ||
            !read_rationals(tiff, e.value, 3, rec.ycbcr_coefficients, little_endian)) {
          usable = false;
        }
        break;
      case 530:
        rec.subsampling_h = static_cast<std::int32_t>(e.value);
        rec.subsampling_v = file16(raw + 10, little_endian);
        break;
      case 531:
        if (e.value != 2) usable = false;
        break;
      case 532:
        if (e.count != 6 ||
            !read_rationals(tiff, e.value, 6, rec.reference_black_white, little_endian)) {
          usable = false;
        }
        break;
      default:
        break;
    }
  }

  rec.x_resolution = pixels_per_metre(tiff, x_res, resolution_unit, little_endian);
  rec.y_resolution = pixels_per_metre(tiff, y_res, resolution_unit, little_endian);

  if (rec.jpeg_length != 0 && rec.jpeg_offset != 0) {
    rec.kind = THUMB_JPEG;  // a JPEG stream wins over a strip
  } else if (usable && (rec.photometric == 2 || rec.photometric == 6)) {
    rec.kind = rec.photometric == 2 ? THUMB_TIFF_RGB : THUMB_TIFF_YCBCR;
    // A strip can be converted only when it describes a picture that lies wholly in the data.
    const std::uint64_t bytes = strip_bytes(rec);
    if (rec.strip_offset == 0 || bytes == 0 || !tiff.contains(rec.strip_offset, bytes)) {
      rec.kind = THUMB_NONE;
    }
  }
  if (rec.kind == THUMB_NONE) return 0;
  *info = rec;
  return 1;
}

}  // namespace pelnor
