// The least a batch run of the tool can cost: per input file the system calls the job cannot do
// without (open, a read of the first 32 KB that goes on until they are all there or the file
// ends, close; with -o, create, write, close for a file that has a thumbnail, and for a JPEG
// stream that runs past the first 32 KB, the size and a read of each 64 KB block past them
// through the same handle), and standard output of the same volume written in large blocks.
// Nothing is parsed: how much a file prints and which thumbnail it yields come from a plan that
// the benchmark script measured beforehand with the tool itself.
//
//   bench_floor [-o] -p PLAN file...
//
// PLAN holds one line per source picture, fields separated by tabs:
//   key  dump-bytes  extract-bytes  thumbnail-suffix|-  thumbnail-bytes  thumbnail-position
// (the thumbnail's file position matters only for a JPEG stream that runs past the first 32 KB).
// A batch file is named <anything>-<key>; the part after the first '-' of its base name selects
// its line.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::size_t kHeadSize = 32768;
constexpr std::size_t kOutBlock = 1 << 16;
constexpr std::size_t kCopyBlock = 1 << 16;

struct PlanLine {
  std::size_t dump_bytes = 0;
  std::size_t extract_bytes = 0;
  std::string suffix;  // empty: no thumbnail
  std::size_t thumb_bytes = 0;
  std::size_t thumb_at = 0;
};

std::uint8_t head[kHeadSize];
char out_block[kOutBlock];
std::size_t out_used = 0;

void flush_out() {
  std::size_t done = 0;
  while (done < out_used) {
    ssize_t n = ::write(STDOUT_FILENO, out_block + done, out_used - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  out_used = 0;
}

// Stands in for the formatted dump: the same number of bytes through a block buffer.
void emit(std::size_t bytes) {
  while (bytes > 0) {
    std::size_t room = kOutBlock - out_used;
    std::size_t part = bytes < room ? bytes : room;
    std::memset(out_block + out_used, 'x', part);
    out_used += part;
    bytes -= part;
    if (out_used == kOutBlock) flush_out();
  }
}

// Lets the plan be searched by a piece of the file name without building a string per file.
struct KeyHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
};

std::string_view key_of(std::string_view name) {
  std::size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  std::size_t dash = name.find('-');
  return dash == std::string_view::npos ? name : name.substr(dash + 1);
}

}  // namespace

int main(int argc, char** argv) {
  bool extract = false;
  const char* plan_path = nullptr;
  int first = 1;
  for (; first < argc && argv[first][0] == '-'; ++first) {
    if (std::strcmp(argv[first], "-o") == 0) {
      extract = true;
    } else if (std::strcmp(argv[first], "-p") == 0 && first + 1 < argc) {
      plan_path = argv[++first];
    } else {
      std::fprintf(stderr, "usage: bench_floor [-o] -p PLAN file...\n");
      return 2;
    }
  }
  if (plan_path == nullptr) {
    std::fprintf(stderr, "bench_floor: no plan given (-p PLAN)\n");
    return 2;
  }

  std::unordered_map<std::string, PlanLine, KeyHash, std::equal_to<>> plan;
  std::size_t largest_thumb = 0;
  if (std::FILE* in = std::fopen(plan_path, "r")) {
    char key[512];
    char suffix[64];
    PlanLine p;
    while (std::fscanf(in, "%511s %zu %zu %63s %zu %zu", key, &p.dump_bytes, &p.extract_bytes,
                       suffix, &p.thumb_bytes, &p.thumb_at) == 6) {
      p.suffix = std::strcmp(suffix, "-") == 0 ? "" : suffix;
      if (p.thumb_bytes > largest_thumb) largest_thumb = p.thumb_bytes;
      plan.emplace(key, p);
    }
    std::fclose(in);
  } else {
    std::fprintf(stderr, "bench_floor: cannot read %s\n", plan_path);
    return 2;
  }
  std::vector<std::uint8_t> thumb(largest_thumb > kCopyBlock ? largest_thumb : kCopyBlock);
  std::string out_name;

  int status = 0;
  for (int i = first; i < argc; ++i) {
    const char* name = argv[i];
    int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      status = 1;
      continue;
    }
    for (std::size_t got = 0; got < kHeadSize;) {
      const ssize_t n = ::read(fd, head + got, kHeadSize - got);
      if (n <= 0) {
        status |= n < 0;
        break;
      }
      got += static_cast<std::size_t>(n);
    }

    auto found = plan.find(key_of(name));
    if (found == plan.end()) {
      status = 1;
      ::close(fd);
      continue;
    }
    const PlanLine& p = found->second;
    emit(extract ? p.extract_bytes : p.dump_bytes);
    if (!extract || p.suffix.empty()) {
      ::close(fd);
      continue;
    }
    out_name.assign(name);
    out_name += p.suffix;
    int out = ::open(out_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
      status = 1;
      ::close(fd);
      continue;
    }
    if (p.thumb_at + p.thumb_bytes <= kHeadSize) {
      if (::write(out, thumb.data(), p.thumb_bytes) != static_cast<ssize_t>(p.thumb_bytes))
        status = 1;
    } else {
      // The part in the head from memory, the rest read from the input in blocks.
      const std::size_t end = p.thumb_at + p.thumb_bytes;
      std::size_t at = p.thumb_at;
      if (at < kHeadSize) {
        if (::write(out, head + at, kHeadSize - at) < 0) status = 1;
        at = kHeadSize;
      }
      struct stat st;
      if (::fstat(fd, &st) != 0) status = 1;
      for (; at < end; at += kCopyBlock) {
        const std::size_t n = end - at < kCopyBlock ? end - at : kCopyBlock;
        if (::pread(fd, thumb.data(), n, static_cast<off_t>(at)) != static_cast<ssize_t>(n) ||
            ::write(out, thumb.data(), n) != static_cast<ssize_t>(n)) {
          status = 1;
        }
      }
    }
    ::close(out);
    ::close(fd);
  }
  flush_out();
  return status;
}
