#include "container/png.h"

#include <cstring>
#include <string>
#include <vector>

#include "tiff/byte_order.h"

#if defined(PELNOR_HAVE_ZLIB)
#include <zlib.h>
#endif

namespace pelnor {
namespace {

constexpr int kMostChunks = 4096;
// A text chunk is read up to this many bytes; a raw profile's hexadecimal takes two per byte.
constexpr std::uint32_t kMostText = 2 * kMostDecoded + 4096;

enum Decoding { DECODED, NOT_A_PROFILE, TOO_LARGE, NOT_DECODED };

int hex_digit(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A raw profile: a line end, its name, its length in decimal, then the bytes in hexadecimal,
// broken by line ends.
Decoding raw_profile(const std::uint8_t* text, std::size_t n, std::vector<std::uint8_t>* out) {
  std::size_t at = 0;
  while (at < n && (text[at] == '\n' || text[at] == '\r')) ++at;
  while (at < n && text[at] != '\n') ++at;  // the profile's name
  while (at < n && (text[at] == '\n' || text[at] == ' ')) ++at;
  std::uint64_t length = 0;
  bool digits = false;
  for (; at < n && text[at] >= '0' && text[at] <= '9'; ++at, digits = true) {
    length = length * 10 + (text[at] - '0');
    if (length > kMostDecoded) return TOO_LARGE;
  }
  if (!digits) return NOT_A_PROFILE;
  out->clear();
  int high = -1;
  for (; at < n && out->size() < length; ++at) {
    const int d = hex_digit(text[at]);
    if (d < 0) continue;  // line ends and blanks between the digits
    if (high < 0) {
      high = d;
    } else {
      out->push_back(static_cast<std::uint8_t>(high << 4 | d));
      high = -1;
    }
  }
  return out->size() == length ? DECODED : NOT_DECODED;
}

// zlib's stream, inflated to at most kMostDecoded bytes.
Decoding inflate_text(const std::uint8_t* data, std::size_t n, std::vector<std::uint8_t>* out) {
#if defined(PELNOR_HAVE_ZLIB)
  out->resize(2 * kMostDecoded + 4096);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return NOT_DECODED;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(n);
  z.next_out = out->data();
  z.avail_out = static_cast<uInt>(out->size());
  const int result = inflate(&z, Z_FINISH);
  const std::size_t got = z.total_out;
  inflateEnd(&z);
  if (result == Z_BUF_ERROR && z.avail_out == 0) return TOO_LARGE;
  if (result != Z_STREAM_END) return NOT_DECODED;
  out->resize(got);
  return DECODED;
#else
  (void)data;
  (void)n;
  out->clear();
  return NOT_DECODED;
#endif
}

bool keyword_is(const std::vector<std::uint8_t>& data, std::size_t* after) {
  static const char* const kKeywords[] = {"Raw profile type exif", "Raw profile type APP1"};
  for (const char* k : kKeywords) {
    const std::size_t n = std::strlen(k) + 1;  // with its zero byte
    if (data.size() >= n && std::memcmp(data.data(), k, n) == 0) {
      *after = n;
      return true;
    }
  }
  return false;
}

// Whether the text chunk whose `length` bytes of data start at `at` is a raw profile: only those
// are read whole.
bool keyword_starts(ByteSource& file, std::uint64_t at, std::uint64_t length) {
  std::uint8_t k[17];
  return length >= sizeof k && file.read_whole(at, k, sizeof k) &&
         std::memcmp(k, "Raw profile type ", sizeof k) == 0;
}

// The Exif data of a text chunk of `type` whose data are `data`, when it is a raw profile of
// Exif. Its bytes may begin with the JPEG segment's identifier.
Decoding text_exif(const std::uint8_t* type, const std::vector<std::uint8_t>& data,
                   ExifBlock* block) {
  std::size_t at;
  if (!keyword_is(data, &at)) return NOT_A_PROFILE;
  std::vector<std::uint8_t> text;
  const std::uint8_t* start = data.data() + at;
  std::size_t n = data.size() - at;
  bool compressed = false;
  if (std::memcmp(type, "zTXt", 4) == 0) {
    if (n < 1) return NOT_DECODED;
    compressed = true;
    ++start;
    --n;
  } else if (std::memcmp(type, "iTXt", 4) == 0) {
    if (n < 2) return NOT_DECODED;
    compressed = start[0] != 0;
    std::size_t skip = 2;
    for (int zero = 0; zero < 2 && skip < n; ++skip) {  // the language, the translated keyword
      if (start[skip] == 0) ++zero;
    }
    start += skip;
    n -= skip;
  }
  if (compressed) {
    const Decoding d = inflate_text(start, n, &text);
    if (d != DECODED) return d;
    start = text.data();
    n = text.size();
  }
  std::vector<std::uint8_t> bytes;
  const Decoding d = raw_profile(start, n, &bytes);
  if (d != DECODED) return d;
  const std::uint64_t skip = bytes.size() >= 6 && std::memcmp(bytes.data(), "Exif\0\0", 6) == 0 ? 6 : 0;
  if (bytes.size() < skip + 8) return NOT_DECODED;
  *block = ExifBlock{true, skip, bytes.size() - skip, std::move(bytes), false};
  return DECODED;
}

}  // namespace

void read_png(ByteSource& file, std::uint64_t file_size, Sink* map, ContainerFind* found) {
  if (map != nullptr) map->map_begin(MAP_PNG_CHUNKS);
  MapStop stop = MAP_COMPLETE;
  const char* trouble = nullptr;  // what a raw profile of Exif that was not read says
  std::uint64_t at = 8;
  std::vector<std::uint8_t> data;
  for (int n = 0; at < file_size && stop == MAP_COMPLETE; ++n) {
    std::uint8_t c[8];
    if (n == kMostChunks) {
      stop = MAP_TOO_MANY;
      break;
    }
    if (file_size - at < 12 || !file.read_whole(at, c, 8)) {
      stop = file.failed() ? MAP_READ_FAILED : file_size == UINT64_MAX ? MAP_COMPLETE : MAP_OVERRUN;
      break;
    }
    const std::uint64_t length = big32(c);
    MapElement e{at, 0, nullptr, 0, false, nullptr, 0, false, 0, 0};
    e.kind = ELEMENT_CHUNK;
    std::memcpy(e.type, c + 4, 4);
    e.size = length;
    e.past_end = length > file_size - at - 12;  // its data and its CRC
    const bool text = std::memcmp(c + 4, "tEXt", 4) == 0 || std::memcmp(c + 4, "zTXt", 4) == 0 ||
                      std::memcmp(c + 4, "iTXt", 4) == 0;
    std::string keyword;
    if (text && map != nullptr && !e.past_end) {
      // A text chunk's keyword: up to 79 characters, then a zero byte.
      // Shown up to its first byte that is not printable ASCII: the map's line stays one line.
      std::uint8_t k[80];
      const auto most = static_cast<std::uint32_t>(length < sizeof k ? length : sizeof k);
      if (file.read_whole(at + 8, k, most)) {
        std::uint32_t shown = 0;
        while (shown < most && k[shown] >= 0x20 && k[shown] <= 0x7E) ++shown;
        keyword.assign(reinterpret_cast<const char*>(k), shown);
      }
    }
    if (!e.past_end && (text || std::memcmp(c + 4, "eXIf", 4) == 0) && !found->exif.found &&
        length <= kMostText && (!text || keyword_starts(file, at + 8, length))) {
      data.resize(static_cast<std::size_t>(length));
      if (length != 0 && !file.read_whole(at + 8, data.data(), static_cast<std::uint32_t>(length))) {
        stop = file.failed() ? MAP_READ_FAILED : MAP_OVERRUN;
      } else if (text) {
        switch (text_exif(c + 4, data, &found->exif)) {
          case DECODED:
            found->layout = LAYOUT_PNG_TEXT;
            break;
          case TOO_LARGE:
            trouble = "a raw profile of Exif that decodes to more than 1 MB: not read";
            break;
          case NOT_DECODED:
            trouble = "a raw profile of Exif that does not decode: not read";
            break;
          case NOT_A_PROFILE:
            break;
        }
      } else if (length >= 8) {
        const std::uint64_t skip = length >= 14 && std::memcmp(data.data(), "Exif\0\0", 6) == 0 ? 6 : 0;
        found->exif = ExifBlock{true, at + 8 + skip, length - skip, {}, false};
        found->layout = LAYOUT_PNG;
      }
    } else if (e.past_end && std::memcmp(c + 4, "eXIf", 4) == 0 && !found->exif.found &&
               file_size - at - 8 >= 8 && file_size != UINT64_MAX) {
      // An eXIf chunk the end of the file cuts is read as far as the file goes.
      found->exif = ExifBlock{true, at + 8, file_size - at - 8, {}, false};
      found->layout = LAYOUT_PNG;
    }
    if (!keyword.empty()) {
      e.detail = keyword.c_str();
      e.detail_length = static_cast<std::uint32_t>(keyword.size());
    }
    if (map != nullptr) map->map_element(e);
    if (e.past_end) stop = MAP_OVERRUN;
    if (std::memcmp(c + 4, "IEND", 4) == 0) break;
    at += 12 + length;
  }
  if (file.failed()) found->failed = true;
  if (map == nullptr) return;
  if (trouble != nullptr && !found->exif.found) {
    MapElement e{0, 0, nullptr, 0, false, nullptr, 0, false, 0, 0};
    e.kind = ELEMENT_NOTE;
    e.detail = trouble;
    e.detail_length = static_cast<std::uint32_t>(std::strlen(trouble));
    map->map_element(e);
  }
  map_exif(*map, *found);
  map->map_end(stop);
}

}  // namespace pelnor
