#include "app/job.h"

#include "app/outputs.h"
#include "app/pictures.h"
#include "bitmap/strip_convert.h"
#include "container/bmff.h"
#include "container/png.h"
#include "container/raf.h"
#include "container/riff.h"
#include "jpeg/segment_map.h"
#include "makernote/previews.h"
#include "tags/tag_table.h"
#include "tiff/byte_order.h"
#include "tiff/directory.h"
#include "tiff/links.h"

// Under AddressSanitizer the part of the buffer that the current file did not fill is poisoned,
// so that a read of a stale byte is reported like a read outside the buffer.
#if defined(__SANITIZE_ADDRESS__)
#define PELNOR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELNOR_ASAN 1
#endif
#endif
#if defined(PELNOR_ASAN)
#include <sanitizer/asan_interface.h>
#define PELNOR_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define PELNOR_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define PELNOR_POISON(address, size) static_cast<void>(0)
#define PELNOR_UNPOISON(address, size) static_cast<void>(0)
#endif

namespace pelnor {
namespace {

// The layouts whose TIFF structure is the file itself, from its first byte.
bool tiff_format(TiffLayout layout) {
  return layout == LAYOUT_TIFF || layout == LAYOUT_RW2 || layout == LAYOUT_ORF;
}

// An IFD offset that no data read can contain: where the header's offset field itself is
// missing, IFD0 is taken to lie beyond the data.
constexpr std::uint32_t kOffsetBeyondData = UINT32_MAX;

// Copies the JPEG thumbnail into the open output file: from the data read when it lies there,
// else through the input, and only when the file holds all of it.
Copy write_jpeg(Session& session, ByteSource& input, FileHandle file, const TiffData& tiff,
                bool* cut_failed) {
  const ThumbInfo& thumb = session.thumb;
  const Span stream{std::uint64_t{tiff.position} + thumb.jpeg_offset, thumb.jpeg_length};
  if (!tiff.contains(thumb.jpeg_offset, thumb.jpeg_length) &&
      !tiff.file_reaches(thumb.jpeg_offset, thumb.jpeg_length)) {
    return Copy::kWriteFailed;
  }
  return copy_out(session, input, file, &stream, 1, 0, cut_failed);
}

// The report of the thumbnail detection found, then with -o its extraction. Only a JPEG
// thumbnail past the data read reaches into the file; a read of it that fails makes the file one
// that cannot be read.
int report_thumbnail(Session& session, ByteSource& input, const TiffData& tiff,
                     std::int32_t kind) {
  Sink& sink = session.sink;
  const ThumbInfo& thumb = session.thumb;
  // A signature that could not be read says nothing about the file: the file is one that
  // cannot be read, and that stands in place of the report.
  if (input.failed()) return cannot_read(session);
  ThumbnailReport report{kind, 0, 0, 0, 0};
  const std::uint32_t origin = tiff.origin_position();
  if (kind == THUMB_JPEG) {
    report.position = std::uint64_t{origin} + thumb.jpeg_offset;
    report.length = thumb.jpeg_length;
  } else if (kind != THUMB_NONE) {
    report.position = std::uint64_t{origin} + thumb.strip_offset;
    report.length = strip_bytes(thumb);
    report.width = thumb.width;
    report.height = thumb.height;
  }
  const bool extracting = kind != THUMB_NONE && session.options.output;
  sink.thumbnail(report, extracting);
  int code = kExitOk;
  if (extracting) {
    // The output name has no length limit of its own; the string keeps its capacity from file
    // to file.
    session.out_name.assign(session.out_prefix);
    session.out_name.append(kind == THUMB_JPEG ? ".thumb.jpg" : ".thumb.bmp");
    const char* out = session.out_name.c_str();
    const FileHandle file = create_output(session, out);
    if (file != kInvalidFile) {
      sink.output_writing(kind);
      Copy copy;
      bool cut_failed = false;
      if (kind == THUMB_JPEG) {
        copy = write_jpeg(session, input, file, tiff, &cut_failed);
      } else {
        const int written = write_bmp_thumbnail(file, thumb, tiff, session.platform);
        copy = written == kBmpWritten   ? Copy::kWhole
               : written == kBmpNotMade ? Copy::kNotMade
                                        : Copy::kWriteFailed;
      }
      code = finish_output(session, out, file, copy, cut_failed);
    }
  }
  sink.item_end();
  return code;
}

// The thumbnail stage for a file whose IFD1 has been reported.
int thumbnail_stage(Session& session, ByteSource& input, const TiffData& tiff,
                    std::uint32_t ifd1, int order) {
  const std::int32_t kind =
      find_thumbnail(tiff, ifd1, &session.thumb, order) ? session.thumb.kind : THUMB_NONE;
  return report_thumbnail(session, input, tiff, kind);
}

// The thumbnail a container keeps itself (CR3's THMB), in place of IFD1's: a JPEG when its bytes
// begin with the start-of-image marker.
int container_thumbnail(Session& session, ByteSource& input, const TiffData& tiff) {
  const ContainerFind& c = session.container;
  ThumbInfo& thumb = session.thumb;
  thumb = ThumbInfo{};
  std::uint8_t marker[2];
  std::int32_t kind = THUMB_NONE;
  if (c.thumbnail_position >= tiff.position && c.thumbnail_length >= 2 &&
      c.thumbnail_position - tiff.position <= UINT32_MAX && c.thumbnail_length <= UINT32_MAX &&
      input.read_whole(c.thumbnail_position, marker, 2) && marker[0] == 0xFF && marker[1] == 0xD8) {
    kind = thumb.kind = THUMB_JPEG;
    thumb.jpeg_offset = static_cast<std::uint32_t>(c.thumbnail_position - tiff.position);
    thumb.jpeg_length = static_cast<std::uint32_t>(c.thumbnail_length);
  }
  TiffData in_file = tiff;
  in_file.file = &input;  // the thumbnail lies in the file, past the TIFF structure
  return report_thumbnail(session, input, in_file, kind);
}

// With -a, the map of the JPEG's segments, and the MPF segment's directories.
void map_file(Session& session, ByteSource& input, std::uint32_t size, bool cut) {
  // Only a file read at any position is read past the head here: a pipe's bytes are taken in
  // order by what follows.
  const bool seekable = cut && input.seekable();
  const std::uint64_t file_size = !cut ? size : seekable ? input.size() : UINT64_MAX;
  const Reach reach = seekable ? Reach::kPeek : Reach::kHead;
  std::size_t mpf;
  if (map_segments(session.buffer, size, session.record, reach, cut && !seekable, file_size,
                   session.sink, &mpf)) {
    const Segment* s;
    WalkStop why;
    session.record.segment(mpf, {reach}, &s, &why);
    load_mpf(input, *s, reach, session.segment, &session.mpf);
    report_mpf(session.mpf, session.sink);
  }
}

// Bytes of a TIFF structure a container holds that are read at most.
constexpr std::uint32_t kMostBlock = 1 << 20;

// The TIFF structure `block` of the container, in the session's `slot`: read from the file, or
// the bytes decoded from it. False when it cannot be read (`input` tells whether a read failed).
bool load_block(Session& session, ByteSource& input, const ExifBlock& block, int slot,
                TiffData* tiff) {
  if (!block.decoded.empty()) {
    if (block.position > block.decoded.size()) return false;
    *tiff = TiffData{block.decoded.data() + block.position,
                     static_cast<std::uint32_t>(block.decoded.size() - block.position),
                     static_cast<std::uint32_t>(block.position), nullptr, 0};
    return true;
  }
  if (block.position > UINT32_MAX) return false;
  std::vector<std::uint8_t>& bytes = session.blocks[slot];
  const auto want = static_cast<std::uint32_t>(block.length < kMostBlock ? block.length : kMostBlock);
  bytes.resize(want);
  const std::int64_t got = want == 0 ? 0 : input.read(block.position, bytes.data(), want);
  if (got < 0) return false;
  const bool whole = got == want;
  *tiff = TiffData{bytes.data(), static_cast<std::uint32_t>(got),
                   static_cast<std::uint32_t>(block.position),
                   block.file_goes_on && whole ? &input : nullptr, 0};
  return true;
}

// With -s, the container the file is, read: its map with -a, its Exif data. True with `*tiff`;
// false with the file's end in `*code`, after its result.
bool read_container(Session& session, ByteSource& input, std::uint32_t size, bool cut,
                    Container container, TiffData* tiff, ExifPlace* place, int* code) {
  ContainerFind& found = session.container;
  const std::uint64_t file_size = !cut ? size : input.size();
  Sink* map = session.options.all ? &session.sink : nullptr;
  switch (container) {
    case CONTAINER_BMFF:
      read_bmff(input, file_size, map, &found);
      break;
    case CONTAINER_RIFF:
      read_riff(input, file_size, map, &found);
      break;
    case CONTAINER_PNG:
      read_png(input, file_size, map, &found);
      break;
    default:
      read_raf(input, file_size, map, &found);
      break;
  }
  if (found.failed || input.failed()) {
    *code = cannot_read(session);
    return false;
  }
  if (!found.exif.found || !load_block(session, input, found.exif, 0, tiff)) {
    if (input.failed()) {
      *code = cannot_read(session);
      return false;
    }
    session.sink.file_result(RESULT_NOT_EXIF);
    *code = kExitStopped;
    return false;
  }
  *place = ExifPlace{static_cast<std::uint32_t>(found.exif.position), 0, found.layout};
  return true;
}

// Where the Exif data lies and how far it reaches; reads what lies past the head of it, and
// holds it. True with `*tiff`; false with the file's end in `*code`, after its result.
bool read_data(Session& session, ByteSource& input, std::uint32_t size, bool cut, TiffData* tiff,
               ExifPlace* place, int* code) {
  const bool search = session.options.search;
  if (const Container c = search ? container_of(session.buffer, size) : CONTAINER_NONE;
      c != CONTAINER_NONE) {
    return read_container(session, input, size, cut, c, tiff, place, code);
  }
  const int found = search
                        ? find_exif(session.buffer, size, session.record, place)
                        : (exif_at_six(session.buffer, size, place) ? kExifFound : kExifNotFound);
  if (found != kExifFound) {
    PELNOR_POISON(session.buffer + size, kDataMax - size);
    if (found == kExifReadFailed) {
      *code = cannot_read(session);
      return false;
    }
    session.sink.file_result(RESULT_NOT_EXIF);
    *code = kExitStopped;
    return false;
  }
  const std::uint8_t* base = session.buffer + place->tiff_position;
  std::uint32_t data_size;
  if (place->tiff_position <= size) {
    // With -s, a segment that runs past the head is read to its end, or to the end of the file.
    if (search && cut && place->end > kHeadSize) {
      const std::int64_t got = input.read_next(session.buffer + kHeadSize, place->end - kHeadSize);
      if (got < 0) {
        *code = cannot_read(session);
        return false;
      }
      input.hold(kHeadSize, session.buffer + kHeadSize, static_cast<std::uint32_t>(got));
      size += static_cast<std::uint32_t>(got);
      cut = size == place->end;
    }
    PELNOR_POISON(session.buffer + size, kDataMax - size);
    data_size = size - place->tiff_position;
  } else {
    // A segment that the walk found past the head is read whole behind it.
    const std::uint32_t want = place->end - place->tiff_position;
    const std::int64_t got = input.read(place->tiff_position, session.buffer + kHeadSize, want);
    if (got < 0) {
      *code = cannot_read(session);
      return false;
    }
    data_size = static_cast<std::uint32_t>(got);
    cut = data_size == want;
    base = session.buffer + kHeadSize;
    input.hold(place->tiff_position, base, data_size);
    PELNOR_POISON(base + data_size, kSegmentMax - data_size);
  }
  *tiff = TiffData{base, data_size, place->tiff_position, cut ? &input : nullptr};
  if (cut && tiff_format(place->layout)) {
    // A camera's raw file keeps its directories anywhere in it: each is read where it lies.
    session.pages.reset(&input);
    tiff->pages = &session.pages;
  }
  return true;
}

// The directory `kind` at `ifd`, at file position `at`, as IFD0 and IFD1 are reported: the
// decoded lines of old.
void report_ifd(Sink& sink, DirectoryKind kind, const TiffData& tiff, std::uint32_t ifd,
                std::int64_t at, int order) {
  sink.directory_begin({kind, 0, 0, nullptr, at});
  report_entries(tiff, ifd, order, kTiffNames, true, sink);
  sink.directory_end();
}

// After IFD0's blocks, the directories a container keeps in TIFF structures of their own (CR3's
// CMT2, CMT3 and CMT4): the Exif directory, the maker note, the GPS directory.
void extra_blocks(Session& session, ByteSource& input, DirectoryWalk& walk) {
  for (int k = 0; k < kExtraBlocks; ++k) {
    const ExifBlock& block = session.container.extra[k];
    TiffData data;
    if (!block.found || !load_block(session, input, block, 1 + k, &data) || !data.contains(0, 8)) {
      continue;
    }
    const int order = byte_order_from_mark(data.base[0], data.base[1]);
    std::uint32_t ifd;
    if (order < 0 || !read32_at(data, 4, order, &ifd)) continue;
    if (k == EXTRA_MAKER_NOTE) {
      MakerNotePlace place;
      if (place_named_maker_note("Canon", data, ifd, order, &place)) {
        walk.extra_maker_note(place, data.position);
      }
    } else {
      walk.extra_directory(k == EXTRA_EXIF ? DIR_EXIF : DIR_GPS, data, ifd, order,
                           k == EXTRA_EXIF ? kExifNames : kGpsNames);
    }
  }
}

// The lines of one file, from its head to its thumbnail, and in `*f` what its pictures need.
int dump_file(Session& session, ByteSource& input, FileState* f) {
  Sink& sink = session.sink;
  const Options& options = session.options;
  PELNOR_UNPOISON(session.buffer, kDataMax);
  const std::int64_t got = input.read_next(session.buffer, kHeadSize);
  if (got < 0) return cannot_read(session);  // a file that opens but cannot be read (a folder)

  // Only the bytes read from this file count; what an earlier file left in the buffer never
  // does.
  const auto size = static_cast<std::uint32_t>(got);
  f->head = size;
  input.hold(0, session.buffer, size);
  const bool cut = size == kHeadSize;  // the file may go on past the data read
  session.record.start(session.buffer, size, cut ? &input : nullptr);
  session.mpf.loaded = false;
  session.container = ContainerFind{};
  if (options.all) map_file(session, input, size, cut);

  TiffData tiff;
  ExifPlace place;
  if (int code; !read_data(session, input, size, cut, &tiff, &place, &code)) return code;
  const int order = tiff.contains(0, 2) ? byte_order_from_mark(tiff.base[0], tiff.base[1]) : -1;
  sink.tiff({place.tiff_position, place.layout, order, !session.container.exif.decoded.empty()});
  if (order < 0) {
    sink.file_result(RESULT_UNKNOWN_BYTE_ORDER);
    return kExitOk;
  }

  std::uint32_t ifd0 = kOffsetBeyondData;
  read32_at(tiff, 4, order, &ifd0);
  *f = FileState{size, true, tiff, ifd0, order, tiff_format(place.layout), false};
  f->tiff.file = nullptr;
  // An IFD0 whose offset could not be read has no position.
  report_ifd(sink, DIR_IFD0, tiff, ifd0,
             ifd0 == kOffsetBeyondData ? -1 : std::int64_t{tiff.origin_position()} + ifd0, order);

  session.maker_previews.count = 0;
  const Camera camera = options.all ? read_camera(tiff, ifd0, order) : Camera{};
  PreviewFinder finder(f->tiff, order, &session.maker_previews);
  DirectoryWalk walk(tiff, order, camera, sink, options.pictures ? &finder : nullptr);
  if (options.all) {
    walk.after_ifd0(ifd0);
    extra_blocks(session, input, walk);
  }
  f->maker_walked = walk.found_maker_note();
  // A directory of a raw file read where it lies, past the data read: a read that failed there
  // is no fact about the file, and nothing after it is reported.
  if (input.failed()) return cannot_read(session);

  // A next-IFD field that cannot be read leaves IFD1 unknown, as an offset of 0 does.
  std::uint32_t ifd1 = 0;
  std::uint16_t entries;
  if (read16_at(tiff, ifd0, order, &entries)) {
    read32_at(tiff, entry_offset(ifd0, entries), order, &ifd1);
  }
  if (ifd1 == 0 && session.container.has_thumbnail) {
    return container_thumbnail(session, input, tiff);  // CR3's THMB
  }
  if (ifd1 == 0) {
    sink.file_result(RESULT_NO_IFD1);
    return kExitStopped;
  }
  report_ifd(sink, DIR_IFD1, tiff, ifd1, std::int64_t{tiff.origin_position()} + ifd1, order);
  if (options.all) walk.after_ifd1(ifd1);
  if (input.failed()) return cannot_read(session);
  return thumbnail_stage(session, input, tiff, ifd1, order);
}

// The outputs' names start with the input's name; with -d, with the directory's path, then the
// input's base name or its path below the folder -r walks.
void set_out_prefix(Session& session, const char* name) {
  const char* out_dir = session.options.out_dir;
  if (out_dir == nullptr) {
    session.out_prefix.assign(name);
    return;
  }
  const char separator = session.platform.path_separator();
  const char* below = session.relative;
  if (below == nullptr) {
    below = name;
    for (const char* p = name; *p != '\0'; ++p) {
      if (*p == '/' || *p == separator) below = p + 1;
    }
  }
  session.out_prefix.assign(out_dir);
  const char last = session.out_prefix.empty() ? '\0' : session.out_prefix.back();
  if (last != '/' && last != separator) session.out_prefix += separator;
  session.out_prefix.append(below);
}

}  // namespace

Session::~Session() { PELNOR_UNPOISON(buffer, kDataMax); }

int cannot_read(Session& session) {
  session.sink.file_result(RESULT_OPEN_ERROR);
  return kExitStopped;
}

int process_file(Session& session, const char* name) {
  session.sink.file_begin(name);
  set_out_prefix(session, name);
  int code;
  {
    // The input stays open until its file is done: everything past the head is read through
    // the same handle, never by opening the name again.
    ByteSource input(session.platform, name, session.window);
    FileState f;
    if (!input.is_open()) {
      code = cannot_read(session);
    } else {
      code = dump_file(session, input, &f);
      // After a read that failed nothing more of the file is reported.
      if (session.options.pictures && !input.failed() &&
          picture_stage(session, input, f) != kExitOk) {
        code = kExitStopped;
      }
    }
  }
  session.sink.file_end();
  return code;
}

}  // namespace pelnor
