#include "app/job.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bitmap/strip_convert.h"
#include "io/byte_source.h"
#include "app/options.h"
#include "app/pictures.h"
#include "report/json_writer.h"
#include "report/output.h"
#include "tiff/byte_order.h"
#include "tiff/directory.h"
#include "jpeg/segment_map.h"
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

// How the current file ended, in the JSON document's words.
const char* json_result = "handled";

// An IFD offset that no data read can contain: where the header's offset field itself is
// missing, IFD0 is taken to lie beyond the data.
constexpr std::uint32_t kOffsetBeyondData = UINT32_MAX;

// Users' scripts match these texts as they stand: "Createing" and "deside" are spelt so on
// purpose and must not be corrected.
constexpr char kCreatingLine[] = "Createing thumbnail file[%s]...\n";
constexpr char kUnknownByteOrder[] = "Endian do not deside\n\n";
// A file that cannot be opened, or whose head or Exif segment cannot be read.
constexpr char kOpenError[] = "`%s' open error\n";

const char* report_line(std::int32_t kind) {
  switch (kind) {
    case THUMB_JPEG:
      return "thumbnail exist [JPEG]\n";
    case THUMB_TIFF_RGB:
      return "thumbnail exist [TIFF/RGB]\n";
    case THUMB_TIFF_YCBCR:
      return "thumbnail exist [TIFF/YCbCr]\n";
    default:
      return "thumbnail not exist or not support\n";
  }
}

// The input file past the data read, in TIFF offsets: every byte of a thumbnail comes through
// the handle the head was read from.
class InputRest final : public FileRest {
 public:
  InputRest(InputFile& input, std::uint32_t tiff_position)
      : input_(input), tiff_position_(tiff_position) {}

  bool holds(std::uint64_t offset, std::uint64_t length) override {
    return input_.reaches(tiff_position_ + offset + length);
  }

  bool read(std::uint64_t offset, std::uint8_t* out, std::uint32_t size) override {
    return input_.read(tiff_position_ + offset, out, size) == size;
  }

  bool failed() const override { return input_.failed(); }

 private:
  InputFile& input_;
  std::uint32_t tiff_position_;
};

// The file past the head for what -a alone reads: a failure there is no fact about the file.
class PeekedFile final : public FileBytes {
 public:
  explicit PeekedFile(InputFile& input) : input_(input) {}
  std::int64_t read(std::uint64_t position, std::uint8_t* out, std::uint32_t size) override {
    return input_.peek(position, out, size);
  }

 private:
  InputFile& input_;
};

// Copies the JPEG stream into the open output file: in one write when it lies in the data read;
// otherwise its part in the data read, then the rest from the input file in blocks, and only
// when the file holds all of it. A copy that fails on the way is cut back to nothing, so that a
// .thumb.jpg is either whole or empty; `*cut_failed` tells when even that failed.
Copy write_jpeg(Session& session, FileHandle file, const TiffData& tiff, bool* cut_failed) {
  Platform& platform = session.platform;
  const std::uint64_t start = session.thumb.jpeg_offset;
  const std::uint64_t end = start + session.thumb.jpeg_length;
  if (tiff.contains(start, session.thumb.jpeg_length)) {
    return write_whole(platform, file, tiff.at(start), session.thumb.jpeg_length)
               ? Copy::kWhole
               : Copy::kWriteFailed;
  }
  if (tiff.rest == nullptr || !tiff.rest->holds(start, end - start)) return Copy::kWriteFailed;
  Copy copy = Copy::kWhole;
  if (start < tiff.size &&
      !write_whole(platform, file, tiff.at(start), tiff.size - static_cast<std::uint32_t>(start))) {
    copy = Copy::kWriteFailed;
  }
  std::uint64_t at = start < tiff.size ? tiff.size : start;
  while (copy == Copy::kWhole && at < end) {
    const auto n = static_cast<std::uint32_t>(end - at < kCopyBlock ? end - at : kCopyBlock);
    if (!tiff.rest->read(at, session.copy_block, n)) {
      copy = tiff.rest->failed() ? Copy::kInputFailed : Copy::kWriteFailed;
    } else if (!write_whole(platform, file, session.copy_block, n)) {
      copy = Copy::kWriteFailed;
    }
    at += n;
  }
  if (copy != Copy::kWhole) *cut_failed = !platform.truncate(file);
  return copy;
}

// The "thumbnail" member, opened: what the report line says, and where the thumbnail lies.
void json_thumbnail(const ThumbInfo& thumb, std::int32_t kind, std::uint32_t origin) {
  json::close_section();
  json::key("thumbnail");
  json::begin_object();
  json::member("kind", kind == THUMB_JPEG         ? "JPEG"
                       : kind == THUMB_TIFF_RGB   ? "RGB"
                       : kind == THUMB_TIFF_YCBCR ? "YCbCr"
                                                  : "none");
  if (kind == THUMB_JPEG) {
    json::member("position", std::int64_t{origin} + thumb.jpeg_offset);
    json::member("length", std::int64_t{thumb.jpeg_length});
  } else if (kind != THUMB_NONE) {
    json::member("position", std::int64_t{origin} + thumb.strip_offset);
    json::member("length", static_cast<std::int64_t>(strip_bytes(thumb)));
    json::member("width", thumb.width);
    json::member("height", thumb.height);
  }
}

// The outcome of the output file opened by create_output, closing its "output" object.
void output_result(const char* result) {
  if (opt_json == 0) return;
  json::member("result", result);
  json::end_object();
}

}  // namespace

int cannot_read(const char* name) {
  print(kOpenError, name);
  file_result("open-error");
  return kExitStopped;
}

void file_result(const char* result) { json_result = result; }

FileHandle create_output(Session& session, const char* out) {
  print(kCreatingLine, out);
  const FileHandle file = session.platform.create_write(out);
  if (opt_json != 0) {
    json::key("output");
    json::begin_object();
    json::text("name", out, std::strlen(out), "name_hex");
  }
  if (file == kInvalidFile) {
    print("Can't open file[%s], skip...\n", out);
    session.thumbnail_failed = true;
    output_result("cannot-create");
  }
  return file;
}

int finish_output(Session& session, const char* name, const char* out, FileHandle file, Copy copy,
                  bool cut_failed) {
  Platform& platform = session.platform;
  // Delayed write errors of network file systems show up at close: a file is done once closed.
  const bool closed = platform.close(file);
  if (copy == Copy::kWhole && closed) {
    print("done[%s]\n", out);
    output_result("written");
    return kExitOk;
  }
  session.thumbnail_failed = true;
  // What a failed close or cut-back leaves behind is neither known whole nor empty.
  if (!closed || cut_failed) platform.remove(out);
  if (copy == Copy::kInputFailed) {
    output_result("read-error");
    return cannot_read(name);
  }
  if (copy != Copy::kNotMade)
    print("File Write error for [%s]\n", out);  // a bitmap not made says nothing
  output_result(copy == Copy::kNotMade ? "not-made" : "write-error");
  return kExitOk;
}

int thumbnail_stage(Session& session, const TiffData& tiff_base, std::uint32_t ifd1,
                    int little_endian, const char* name) {
  const std::int32_t kind = find_thumbnail(tiff_base, ifd1, &session.thumb, little_endian)
                                ? session.thumb.kind
                                : THUMB_NONE;
  // A signature that could not be read says nothing about the file: the file is one that
  // cannot be read, and that line stands in place of the report.
  if (tiff_base.rest != nullptr && tiff_base.rest->failed()) return cannot_read(name);
  if (opt_json != 0) json_thumbnail(session.thumb, kind, tiff_base.origin_position());
  if (kind == THUMB_NONE || opt_output == 0) {
    print("%s", report_line(kind));
    if (opt_json != 0) json::end_object();
    return kExitOk;
  }

  // The output name has no length limit of its own; the buffer keeps its capacity from file to
  // file.
  session.out_name.assign(name);
  session.out_name.append(kind == THUMB_JPEG ? ".thumb.jpg" : ".thumb.bmp");
  const char* out = session.out_name.c_str();
  const FileHandle file = create_output(session, out);
  if (file == kInvalidFile) {
    if (opt_json != 0) json::end_object();
    return kExitOk;
  }
  Copy copy = Copy::kWriteFailed;
  bool cut_failed = false;
  if (kind == THUMB_JPEG) {
    print("thumbnail exist [JPEG]\n");
    copy = write_jpeg(session, file, tiff_base, &cut_failed);
  } else {
    const int written = write_bmp_thumbnail(file, session.thumb, tiff_base, session.platform);
    copy = written == kBmpWritten   ? Copy::kWhole
           : written == kBmpNotMade ? Copy::kNotMade
                                    : Copy::kWriteFailed;
  }
  const int code = finish_output(session, name, out, file, copy, cut_failed);
  if (opt_json != 0) json::end_object();
  return code;
}

Session::~Session() { PELNOR_UNPOISON(buffer, kDataMax); }

namespace {

// The "tiff" member: where the TIFF header lies, how it was found, its byte order.
void json_tiff(const std::uint8_t* head, std::uint32_t size, const ExifPlace& place,
               int little_endian) {
  json::close_section();
  json::key("tiff");
  json::begin_object();
  json::member("position", std::int64_t{place.tiff_position});
  const char* layout = "segment";  // an APP1 segment the walk found
  if (place.tiff_position == 0) {
    layout = "tiff";  // a TIFF-format file
  } else if (place.tiff_position == 6 && size >= 6 && std::memcmp(head, kExifIdentifier, 6) == 0) {
    layout = "bare";  // a bare Exif block
  } else if (place.tiff_position == 12 && size >= 12 && head[2] == 0xFF && head[3] == 0xE1 &&
             std::memcmp(head + 6, kExifIdentifier, 6) == 0) {
    layout = "offset-6";  // the identifier at offset 6, the Exif segment first
  }
  json::member("layout", layout);
  json::key("byte_order");
  if (little_endian < 0) {
    json::null();
  } else {
    json::string(little_endian != 0 ? "II" : "MM", 2);
  }
  json::end_object();
}

// The lines of one file, from its head to its thumbnail, and in `*dumped` what its pictures need.
int dump_file(Session& session, InputFile& input, const char* name, DumpedFile* dumped) {
  PELNOR_UNPOISON(session.buffer, kDataMax);
  std::int64_t got = input.read_next(session.buffer, kHeadSize);
  if (got < 0) return cannot_read(name);  // a file that opens but cannot be read (a directory)

  // Only the bytes read from this file count; what an earlier file left in the buffer never
  // does.
  auto size = static_cast<std::uint32_t>(got);
  dumped->head = size;
  bool cut = size == kHeadSize;  // the file may go on past the data read
  if (opt_all != 0) {
    // Only a file read at any position is read past the head here: a pipe's bytes are taken in
    // order by what follows.
    const bool seekable = cut && input.seekable();
    PeekedFile peeked(input);
    const std::uint64_t file_size = !cut ? size : seekable ? input.size() : UINT64_MAX;
    Segment mpf;
    if (dump_segments(session.buffer, size, seekable ? &peeked : nullptr, cut && !seekable,
                      file_size, &mpf)) {
      // Its data, from the head or read past it: the bytes the file holds of it.
      const std::uint32_t want = mpf.length - 2;
      std::int64_t have = 0;
      if (mpf.data + want <= size) {
        std::memcpy(session.segment, session.buffer + mpf.data, want);
        have = want;
      } else if (seekable) {
        have = input.peek(mpf.data, session.segment, want);
      }
      if (have >= 4) {
        dump_mpf(session.segment, static_cast<std::uint32_t>(have),
                 static_cast<std::uint32_t>(mpf.data + 4));
      }
    }
  }
  ExifPlace place;
  int found;
  if (opt_search != 0) {
    found = find_exif(session.buffer, size, cut ? &input : nullptr, &place);
  } else {
    found = exif_at_six(session.buffer, size, &place) ? kExifFound : kExifNotFound;
  }
  if (found != kExifFound) {
    PELNOR_POISON(session.buffer + size, kDataMax - size);
    if (found == kExifReadFailed) return cannot_read(name);
    print("Not also Exif file\n");
    file_result("not-exif");
    return kExitStopped;
  }

  const std::uint8_t* base = session.buffer + place.tiff_position;
  std::uint32_t data_size;
  if (place.tiff_position <= size) {
    // With -s, a segment that runs past the head is read to its end, or to the end of the file.
    if (opt_search != 0 && cut && place.end > kHeadSize) {
      got = input.read_next(session.buffer + kHeadSize, place.end - kHeadSize);
      if (got < 0) return cannot_read(name);
      size += static_cast<std::uint32_t>(got);
      cut = size == place.end;
    }
    PELNOR_POISON(session.buffer + size, kDataMax - size);
    data_size = size - place.tiff_position;
  } else {
    // A segment that the walk found past the head is read whole behind it.
    const std::uint32_t want = place.end - place.tiff_position;
    got = input.read(place.tiff_position, session.buffer + kHeadSize, want);
    if (got < 0) return cannot_read(name);
    data_size = static_cast<std::uint32_t>(got);
    cut = data_size == want;
    base = session.buffer + kHeadSize;
    PELNOR_POISON(base + data_size, kSegmentMax - data_size);
  }

  InputRest rest(input, place.tiff_position);
  const TiffData tiff{base, data_size, place.tiff_position, cut ? &rest : nullptr};

  const int little_endian =
      tiff.contains(0, 2) ? byte_order_from_mark(tiff.base[0], tiff.base[1]) : -1;
  if (opt_json != 0) json_tiff(session.buffer, size, place, little_endian);
  if (little_endian < 0) {
    print(kUnknownByteOrder);
    file_result("unknown-byte-order");
    return kExitOk;
  }

  std::uint32_t ifd0 = kOffsetBeyondData;
  read32_at(tiff, 4, little_endian, &ifd0);
  dumped->has_tiff = true;
  dumped->tiff = tiff;
  dumped->tiff.rest = nullptr;
  dumped->ifd0 = ifd0;
  dumped->little_endian = little_endian;
  dumped->tiff_format = place.tiff_position == 0;
  json::block_heading(ifd0 == kOffsetBeyondData ? -1 : std::int64_t{tiff.origin_position()} + ifd0,
                      "0th IFD dumping...:\n");
  dump_ifd(tiff, ifd0, little_endian, nullptr);
  print("\n");
  DumpedDirectories directories;
  if (opt_all != 0) dump_sub_ifds(tiff, ifd0, little_endian, &directories);

  // A next-IFD field that cannot be read leaves IFD1 unknown, as an offset of 0 does.
  std::uint32_t ifd1 = 0;
  std::uint16_t entries;
  if (read16_at(tiff, ifd0, little_endian, &entries)) {
    read32_at(tiff, entry_offset(ifd0, entries), little_endian, &ifd1);
  }
  if (ifd1 == 0) {
    print("Not exist 1thIFD(for thumbnail)\n");
    file_result("no-ifd1");
    return kExitStopped;
  }
  json::block_heading(std::int64_t{tiff.origin_position()} + ifd1, "1th IFD dumping...:\n");
  dump_ifd(tiff, ifd1, little_endian, nullptr);
  print("\n");
  if (opt_all != 0) dump_ifd_chain(tiff, ifd1, little_endian, &directories);

  return thumbnail_stage(session, tiff, ifd1, little_endian, name);
}

int handle_file(Session& session, const char* name) {
  // The input stays open until its file is done: everything past the head is read through the
  // same handle, never by opening the name again.
  InputFile input(session.platform, name, session.window);
  if (!input.is_open()) return cannot_read(name);
  DumpedFile dumped;
  const int code = dump_file(session, input, name, &dumped);
  // After a read that failed nothing more of the file is printed.
  if (opt_pictures == 0 || input.failed()) return code;
  return picture_stage(session, input, dumped, name) == kExitOk ? code : kExitStopped;
}

}  // namespace

int process_file(Session& session, const char* name) {
  json_result = "handled";
  if (opt_json != 0) json::begin_file(name);
  const int code = handle_file(session, name);
  if (opt_json != 0) json::end_file(json_result);
  return code;
}

namespace {

// The extensions -r reads: the JPEG family, camera thumbnails and Exif sidecars, the TIFF
// family with the camera raw formats built on it.
constexpr const char* kExtensions[] = {"jpg", "jpeg", "jpe", "jfif", "jif", "mpo", "thm", "exif",
                                       "tif", "tiff", "dng", "nef",  "nrw", "cr2", "arw", "srf",
                                       "sr2", "orf",  "pef", "rw2",  "rwl", "raw", "srw", "erf",
                                       "kdc", "dcr",  "mrw", "3fr",  "iiq", "mef", "mos"};

bool equal_nocase(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

bool picture_file(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return false;
  const std::size_t length = name.size() - dot - 1;
  for (const char* extension : kExtensions) {
    if (std::strlen(extension) == length &&
        equal_nocase(name.data() + dot + 1, extension, length)) {
      return !written_by_pelnor(name);
    }
  }
  return false;
}

// Deeper directories than this are not walked: no real tree comes near it.
constexpr int kMostDirectoryDepth = 256;

class Run {
 public:
  explicit Run(Platform& platform) : session_(platform) {}

  // Handles one file as named; false when the run stops here.
  bool file(const char* name) {
    if (opt_name != 0) print("==> %s <==\n", name);
    if (process_file(session_, name) == kExitOk) return true;
    exit_code_ = kExitStopped;  // as make -k: the run goes on, its end tells
    return opt_keep_going != 0;
  }

  // Walks the directory `name`: its entries in byte order of their names, each directory's
  // files where its name would sort as a path ("a/" after "a-b.jpg"); false when the run stops.
  bool directory(const std::string& name, int depth) {
    std::vector<DirectoryEntry> entries;
    if (depth > kMostDirectoryDepth || !session_.platform.list_directory(name.c_str(), &entries)) {
      if (opt_name != 0) print("==> %s <==\n", name.c_str());
      if (opt_json != 0) json::begin_file(name.c_str());
      cannot_read(name.c_str());
      if (opt_json != 0) json::end_file("open-error");
      exit_code_ = kExitStopped;
      return opt_keep_going != 0;
    }
    for (DirectoryEntry& e : entries) {
      if (e.kind == DirectoryEntry::kDirectory) e.name += '/';
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    const char separator = session_.platform.path_separator();
    std::string path;
    for (DirectoryEntry& e : entries) {
      if (e.kind == DirectoryEntry::kDirectory) e.name.pop_back();
      if (e.kind == DirectoryEntry::kOther ||
          (e.kind == DirectoryEntry::kFile && !picture_file(e.name))) {
        continue;
      }
      path = name;
      if (path.back() != '/' && path.back() != separator) path += separator;
      path += e.name;
      const bool go_on =
          e.kind == DirectoryEntry::kDirectory ? directory(path, depth + 1) : file(path.c_str());
      if (!go_on) return false;
    }
    return true;
  }

  int finish() {
    // A thumbnail that could not be created or written fails the run at its end.
    return session_.thumbnail_failed ? kExitStopped : exit_code_;
  }

  Session& session() { return session_; }

 private:
  Session session_;
  int exit_code_ = kExitOk;
};

}  // namespace

int run(int argc, char** argv, Platform& platform) {
  parse_options(&argc, argv);
  if (opt_help != 0) {
    print_help();
    return kExitHelp;
  }
  if (opt_json != 0) {
    mute_text(true);  // the text lines go nowhere: the document holds their facts
    json::begin_run();
  }
  Run run(platform);
  for (int i = 1; i < argc; ++i) {
    const bool go_on = opt_recursive != 0 && platform.is_directory(argv[i])
                           ? run.directory(argv[i], 0)
                           : run.file(argv[i]);
    if (!go_on) break;
  }
  // The document is closed however the run ended.
  if (opt_json != 0) json::end_run();
  return run.finish();
}

}  // namespace pelnor
