#include "app/pictures.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/outputs.h"
#include "bitmap/strip_convert.h"
#include "jpeg/app_pictures.h"
#include "makernote/previews.h"
#include "tiff/directory.h"
#include "tiff/ifd_pictures.h"

namespace pelnor {
namespace {

// Every picture of the file, in the order of their sources: the segments', the container's,
// the maker note's (walked now when the dump of -a did not walk it), the TIFF structure's. A TIFF
// structure decoded from the file has no file positions: no picture is taken from it.
void find_pictures(Session& session, ByteSource& input, FileState& f) {
  PictureList& list = session.pictures;
  list.count = 0;
  find_segment_pictures(session.buffer, f.head, session.record, input, session.segment,
                        &session.mpf, &list);
  const PictureList& held = session.container.pictures;
  for (int i = 0; i < held.count; ++i) list.add(held.items[i]);
  if (f.has_tiff && session.container.exif.decoded.empty()) {
    if (!f.maker_walked) {
      session.maker_previews.count = 0;
      TagEntry exif;
      if (find_entry(f.tiff, f.ifd0, 0x8769, f.order, &exif) &&
          is_pointer_entry(exif.type, exif.count)) {
        PreviewFinder finder(f.tiff, f.order, &session.maker_previews);
        MakerVisitor* visitors[1] = {&finder};
        walk_maker_note(f.tiff, exif.value, f.order, read_camera(f.tiff, f.ifd0, f.order), visitors,
                        1);
      }
    }
    for (int i = 0; i < session.maker_previews.count; ++i)
      list.add(session.maker_previews.items[i]);
    find_tiff_pictures(f.tiff, f.ifd0, f.order, f.tiff_format, &list);
  }
}

// False when a part of `p` past the head lies behind what a file read in order still keeps.
bool reachable(const Picture& p, ByteSource& input, std::uint32_t head) {
  for (int i = 0; i < p.span_count; ++i) {
    const Span& s = p.spans[i];
    if (s.position + s.length <= head) continue;
    return !input.behind(s.position > head ? s.position : head);
  }
  return true;
}

// The gain-map format an MPF image's own XMP segment names, from the `n` first bytes of the
// image: Apple's HDRGainMap namespace, or the hdrgm namespace of Android's and Adobe's. Only the
// segments before its scan are looked at, as far as those bytes go.
const char* gain_map(const std::uint8_t* b, std::uint32_t n) {
  static constexpr char kXmp[] = "http://ns.adobe.com/xap/1.0/";
  static constexpr struct {
    std::string_view uri;
    const char* prefix;
  } kFormats[] = {{"http://ns.apple.com/HDRGainMap/1.0/", "HDRGainMap"},
                  {"http://ns.adobe.com/hdr-gain-map/1.0/", "hdrgm"}};
  for (std::uint32_t at = 2; at + 4 <= n && b[at] == 0xFF;) {
    const std::uint8_t marker = b[at + 1];
    if (marker == 0xDA || marker == 0xD9) break;
    const std::uint32_t length = std::uint32_t{b[at + 2]} << 8 | b[at + 3];
    if (length < 2) break;
    const std::uint32_t end = std::min(n, at + 2 + length);
    if (marker == 0xE1 && end - (at + 4) > sizeof kXmp &&
        std::memcmp(b + at + 4, kXmp, sizeof kXmp) == 0) {
      const std::string_view xmp(reinterpret_cast<const char*>(b) + at + 4, end - (at + 4));
      for (const auto& f : kFormats) {
        if (xmp.find(f.uri) != std::string_view::npos) return f.prefix;
      }
    }
    at += 2 + length;
  }
  return nullptr;
}

// Reads the first block of a JPEG picture into the copy block, `*first` bytes of it, and fills
// in what the report says of it: its size from its SOF marker, a first byte written wrong, or
// that it is no JPEG or not held. False when a read failed.
bool inspect_jpeg(Session& session, ByteSource& input, const Picture& p, PictureReport* r,
                  std::uint32_t* first) {
  const std::uint64_t length = p.length();
  *first = static_cast<std::uint32_t>(length < kCopyBlock ? length : kCopyBlock);
  const std::int64_t got = read_spans(input, p.spans, p.span_count, 0, session.copy_block, *first);
  if (got < 0 || input.failed()) return false;
  std::uint8_t* b = session.copy_block;
  bool sized = false;
  if (got < *first) {
    r->fault = PICTURE_NOT_HELD;
  } else if (*first >= 2 && b[0] == 0xFF && b[1] == 0xD8) {
    sized = jpeg_size(b, *first, &r->width, &r->height);
    if (p.source == PIC_MPF) r->gain_map = gain_map(b, *first);
  } else if (*first >= 4 && b[1] == 0xD8 && b[2] == 0xFF && (b[3] == 0xDB || b[3] == 0xE1)) {
    // Some cameras write the first byte of their preview wrong; the rest is a JPEG.
    r->repaired = true;
    r->first_byte = b[0];
    b[0] = 0xFF;
    sized = jpeg_size(b, *first, &r->width, &r->height);
  } else {
    r->fault = PICTURE_NOT_JPEG;
  }
  r->sized = sized && r->fault == PICTURE_WRITTEN;
  return true;
}

// Writes an uncompressed picture, which lies in its APP0 segment: its pixels and palette are
// read whole, then converted.
Copy write_bitmap(Session& session, ByteSource& input, FileHandle file, const Picture& p,
                  bool* cut_failed) {
  const std::uint64_t length = p.length();
  const std::int64_t palette =
      p.form == FORM_PALETTE ? input.read(p.palette, session.copy_block, 768) : 768;
  // The pixels the header counts; those its segment does not hold are zeros.
  const std::uint64_t full =
      std::uint64_t{p.width} * p.height * (p.form == FORM_PALETTE ? 1u : 3u);
  std::vector<std::uint8_t> padded;
  std::uint8_t* pixels = session.segment;
  if (full > length) {
    padded.assign(static_cast<std::size_t>(full), 0);  // 255 x 255 x 3 bytes at most
    pixels = padded.data();
  }
  const std::int64_t got =
      input.read(p.spans[0].position, pixels, static_cast<std::uint32_t>(length));
  Copy copy;
  if (got != static_cast<std::int64_t>(length) || palette != 768) {
    copy = input.failed() ? Copy::kInputFailed : Copy::kWriteFailed;
  } else {
    ThumbInfo thumb;
    thumb.kind = THUMB_TIFF_RGB;
    thumb.width = static_cast<std::int32_t>(p.width);
    thumb.height = static_cast<std::int32_t>(p.height);
    const int written =
        write_strip_bmp(file, thumb, pixels,
                        p.form == FORM_PALETTE ? session.copy_block : nullptr, session.platform);
    copy = written == kBmpWritten   ? Copy::kWhole
           : written == kBmpNotMade ? Copy::kNotMade
                                    : Copy::kWriteFailed;
  }
  if (copy != Copy::kWhole) *cut_failed = !session.platform.truncate(file);
  return copy;
}

}  // namespace

int picture_stage(Session& session, ByteSource& input, FileState& f) {
  find_pictures(session, input, f);
  if (input.failed()) return cannot_read(session);
  PictureList& list = session.pictures;
  list.sort();

  const std::uint64_t file_size = f.head < kHeadSize ? f.head : input.size();
  std::string taken[PictureList::kMost];
  for (int k = 0; k < list.count; ++k) {
    const Picture& p = list.items[k];
    const Span& last = p.spans[p.span_count - 1];
    PictureReport r{&p,    p.length(), p.form != FORM_JPEG, p.width, p.height, PICTURE_WRITTEN,
                    false, 0};
    const bool held = p.whole && reachable(p, input, f.head) &&
                      (file_size == UINT64_MAX || last.position + last.length <= file_size);
    std::uint32_t first = 0;
    if (!held) {
      r.fault = PICTURE_NOT_HELD;
    } else if (p.form == FORM_JPEG && !inspect_jpeg(session, input, p, &r, &first)) {
      return cannot_read(session);
    }
    // An uncompressed picture's size is its header's; a JPEG's is read from its SOF marker.
    r.sized = p.form != FORM_JPEG || r.sized;
    session.sink.picture(r);
    if (r.fault != PICTURE_WRITTEN) {
      session.sink.item_end();
      continue;
    }

    // Its name; a name taken already by a picture of this file gets a number.
    taken[k] = picture_base(p);
    int uses = 1;
    for (int i = 0; i < k; ++i) uses += taken[i] == taken[k] ? 1 : 0;
    session.out_name = picture_name(session.out_prefix.c_str(), taken[k], uses, p);
    const char* out = session.out_name.c_str();
    const FileHandle file = create_output(session, out);
    if (file == kInvalidFile) {
      session.sink.item_end();
      continue;
    }
    bool cut_failed = false;
    const Copy copy = p.form == FORM_JPEG ? copy_out(session, input, file, p.spans, p.span_count,
                                                     first, &cut_failed)
                                          : write_bitmap(session, input, file, p, &cut_failed);
    const int code = finish_output(session, out, file, copy, cut_failed);
    session.sink.item_end();
    if (code != kExitOk) return kExitStopped;
  }
  return kExitOk;
}

}  // namespace pelnor
