#include "driver/file_loop.h"

#include <cstdio>
#include <cstring>

#include "bitmap/strip_convert.h"
#include "driver/options.h"
#include "text/print.h"
#include "tiff/byte_order.h"
#include "tiff/dump_ifd.h"

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

// The input file past the data read, through the handle the head was read from: every byte of
// a thumbnail comes from the file that was dumped, even when its name has meanwhile come to
// point at another one.
class InputRest final : public FileRest {
 public:
  InputRest(Platform& platform, FileHandle file, std::uint32_t tiff_position)
      : platform_(platform), file_(file), tiff_position_(tiff_position) {}

  bool holds(std::uint64_t offset, std::uint64_t length) override {
    const std::int64_t size = platform_.file_size(file_);
    return size >= 0 && tiff_position_ + offset + length <= static_cast<std::uint64_t>(size);
  }

  bool read(std::uint64_t offset, std::uint8_t* out, std::uint32_t size) override {
    return platform_.read_at(file_, tiff_position_ + offset, out, size) == size;
  }

 private:
  Platform& platform_;
  FileHandle file_;
  std::uint32_t tiff_position_;
};

// Closes the input file when its handling ends, on every path.
class OpenInput {
 public:
  OpenInput(Platform& platform, const char* name)
      : platform_(platform), file_(platform.open_read(name)) {}
  ~OpenInput() {
    if (file_ != kInvalidFile) platform_.close(file_);
  }
  OpenInput(const OpenInput&) = delete;
  OpenInput& operator=(const OpenInput&) = delete;
  FileHandle handle() const { return file_; }

 private:
  Platform& platform_;
  FileHandle file_;
};

// Copies the JPEG stream into the open output file: in one write when it lies in the data read;
// otherwise its part in the data read, then the rest from the input file in blocks, and only
// when the file holds all of it. A copy that fails on the way is cut back to nothing, so that a
// .thumb.jpg is either whole or empty.
bool write_jpeg(Session& session, FileHandle file, const TiffData& tiff) {
  Platform& platform = session.platform;
  const std::uint64_t start = session.thumb.jpeg_offset;
  const std::uint64_t end = start + session.thumb.jpeg_length;
  if (tiff.contains(start, session.thumb.jpeg_length)) {
    return write_whole(platform, file, tiff.at(start), session.thumb.jpeg_length);
  }
  if (tiff.rest == nullptr || !tiff.rest->holds(start, end - start)) return false;
  std::uint64_t at = start;
  bool whole = true;
  if (start < tiff.size) {
    whole =
        write_whole(platform, file, tiff.at(start), tiff.size - static_cast<std::uint32_t>(start));
    at = tiff.size;
  }
  while (whole && at < end) {
    const auto n = static_cast<std::uint32_t>(end - at < kCopyBlock ? end - at : kCopyBlock);
    whole = tiff.rest->read(at, session.copy_block, n) &&
            write_whole(platform, file, session.copy_block, n);
    at += n;
  }
  if (!whole) platform.truncate(file);
  return whole;
}

}  // namespace

void thumbnail_stage(Session& session, const TiffData& tiff_base, std::uint32_t ifd1,
                     int little_endian, const char* name) {
  const std::int32_t kind = find_thumbnail(tiff_base, ifd1, &session.thumb, little_endian)
                                ? session.thumb.kind
                                : THUMB_NONE;
  if (kind == THUMB_NONE || opt_output == 0) {
    print("%s", report_line(kind));
    return;
  }

  // The output name has no length limit of its own; the buffer keeps its capacity from file to
  // file.
  session.out_name.assign(name);
  session.out_name.append(kind == THUMB_JPEG ? ".thumb.jpg" : ".thumb.bmp");
  const char* out = session.out_name.c_str();
  print(kCreatingLine, out);
  Platform& platform = session.platform;
  const FileHandle file = platform.create_write(out);
  if (file == kInvalidFile) {
    print("Can't open file[%s], skip...\n", out);
    return;
  }
  if (kind == THUMB_JPEG) {
    print("thumbnail exist [JPEG]\n");
    if (write_jpeg(session, file, tiff_base)) {
      print("done[%s]\n", out);
    } else {
      print("File Write error for [%s]\n", out);
    }
  } else {
    write_bmp_thumbnail(file, session.thumb, tiff_base, out, platform);
  }
  platform.close(file);
}

Session::~Session() { PELNOR_UNPOISON(buffer, kDataMax); }

int process_file(Session& session, const char* name) {
  Platform& platform = session.platform;
  // The input stays open until its file is done: the stream of a JPEG thumbnail past the head is
  // read through the same handle, never by opening the name again.
  const OpenInput input(platform, name);
  if (input.handle() == kInvalidFile) {
    print(kOpenError, name);
    return kExitStopped;
  }
  PELNOR_UNPOISON(session.buffer, kDataMax);
  std::int64_t got = platform.read(input.handle(), session.buffer, kHeadSize);
  if (got < 0) {  // a file that opens but cannot be read (a directory, say)
    print(kOpenError, name);
    return kExitStopped;
  }

  // Only the bytes read from this file count; what an earlier file left in the buffer never
  // does.
  auto size = static_cast<std::uint32_t>(got);
  ExifPlace place;
  if (!(opt_search != 0 ? find_exif : exif_at_six)(session.buffer, size, &place)) {
    PELNOR_POISON(session.buffer + size, kDataMax - size);
    print("Not also Exif file\n");
    return kExitStopped;
  }
  // With -s, a segment that runs past the head is read to its end, or to the end of the file.
  bool cut = size == kHeadSize;  // the file may go on past the data read
  if (opt_search != 0 && cut && place.end > kHeadSize) {
    got = platform.read(input.handle(), session.buffer + kHeadSize, place.end - kHeadSize);
    if (got < 0) {
      print(kOpenError, name);
      return kExitStopped;
    }
    size += static_cast<std::uint32_t>(got);
    cut = size == place.end;
  }
  PELNOR_POISON(session.buffer + size, kDataMax - size);

  InputRest rest(platform, input.handle(), place.tiff_position);
  const TiffData tiff{session.buffer + place.tiff_position, size - place.tiff_position,
                      place.tiff_position, cut ? &rest : nullptr};

  const int little_endian =
      tiff.contains(0, 2) ? byte_order_from_mark(tiff.base[0], tiff.base[1]) : -1;
  if (little_endian < 0) {
    print(kUnknownByteOrder);
    return kExitOk;
  }

  std::uint32_t ifd0 = kOffsetBeyondData;
  read32_at(tiff, 4, little_endian, &ifd0);
  print("0th IFD dumping...:\n");
  dump_ifd(tiff, ifd0, little_endian);
  print("\n");

  // A next-IFD field that cannot be read leaves IFD1 unknown, as an offset of 0 does.
  std::uint32_t ifd1 = 0;
  std::uint16_t entries;
  if (read16_at(tiff, ifd0, little_endian, &entries)) {
    read32_at(tiff, entry_offset(ifd0, entries), little_endian, &ifd1);
  }
  if (ifd1 == 0) {
    print("Not exist 1thIFD(for thumbnail)\n");
    return kExitStopped;
  }
  print("1th IFD dumping...:\n");
  dump_ifd(tiff, ifd1, little_endian);
  print("\n");

  thumbnail_stage(session, tiff, ifd1, little_endian, name);
  return kExitOk;
}

int run(int argc, char** argv, Platform& platform) {
  parse_options(&argc, argv);
  if (opt_help != 0) {
    print_help();
    return kExitHelp;
  }
  Session session(platform);
  int exit_code = kExitOk;
  for (int i = 1; i < argc; ++i) {
    if (process_file(session, argv[i]) == kExitOk) continue;
    if (opt_keep_going == 0) return kExitStopped;
    exit_code = kExitStopped;  // as make -k: the run goes on, its end tells
  }
  return exit_code;
}

}  // namespace pelnor
