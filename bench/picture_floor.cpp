// The least a batch run of `pelnor -p` can cost: per input file the system calls the job cannot
// do without (open, a read of the first 32 KB, the file's size, close; per picture a create, a
// read of each 64 KB block of it past the first 32 KB through the same handle, a write of each
// block, a close), and standard output of the same volume in large blocks. Nothing is parsed:
// what a file prints and where its pictures lie come from a plan that the benchmark script
// measured beforehand with the tool itself.
//
//   bench_picture_floor PLAN file...
//
// PLAN holds one line per source file, fields separated by blanks:
//   key  dump-bytes  pictures  (suffix  position  length) for each picture
// A batch file is named <anything>-<key>; the part after the first '-' of its base name selects
// its line.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::size_t kHeadSize = 32768;
constexpr std::size_t kBlock = 1 << 16;

struct Picture {
  std::string suffix;
  std::size_t position;
  std::size_t length;
};

struct PlanLine {
  std::size_t dump_bytes = 0;
  std::vector<Picture> pictures;
};

std::uint8_t head[kHeadSize];
std::uint8_t block[kBlock];
char out_block[kBlock];
std::size_t out_used = 0;

void flush_out() {
  for (std::size_t done = 0; done < out_used;) {
    const ssize_t n = ::write(STDOUT_FILENO, out_block + done, out_used - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  out_used = 0;
}

void emit(std::size_t bytes) {
  while (bytes > 0) {
    const std::size_t part = bytes < kBlock - out_used ? bytes : kBlock - out_used;
    std::memset(out_block + out_used, 'x', part);
    out_used += part;
    bytes -= part;
    if (out_used == kBlock) flush_out();
  }
}

std::string key_of(const char* path) {
  const char* name = std::strrchr(path, '/');
  name = name == nullptr ? path : name + 1;
  const char* dash = std::strchr(name, '-');
  return dash == nullptr ? name : dash + 1;
}

// Copies one picture: the part in the head from memory, the rest read in blocks.
bool copy(int fd, std::size_t got, const Picture& p, int out) {
  std::size_t at = p.position;
  const std::size_t end = p.position + p.length;
  if (at < got) {
    const std::size_t n = (end < got ? end : got) - at;
    if (::write(out, head + at, n) != static_cast<ssize_t>(n)) return false;
    at += n;
  }
  for (; at < end; at += kBlock) {
    const std::size_t n = end - at < kBlock ? end - at : kBlock;
    if (::pread(fd, block, n, static_cast<off_t>(at)) != static_cast<ssize_t>(n) ||
        ::write(out, block, n) != static_cast<ssize_t>(n)) {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_picture_floor PLAN file...\n");
    return 2;
  }
  std::unordered_map<std::string, PlanLine> plan;
  std::FILE* in = std::fopen(argv[1], "r");
  if (in == nullptr) {
    std::fprintf(stderr, "bench_picture_floor: cannot read %s\n", argv[1]);
    return 2;
  }
  char key[512], suffix[64];
  PlanLine line;
  std::size_t count;
  while (std::fscanf(in, "%511s %zu %zu", key, &line.dump_bytes, &count) == 3) {
    line.pictures.clear();
    Picture p;
    for (std::size_t i = 0; i < count && std::fscanf(in, "%63s %zu %zu", suffix, &p.position,
                                                     &p.length) == 3;
         ++i) {
      p.suffix = suffix;
      line.pictures.push_back(p);
    }
    plan[key] = line;
  }
  std::fclose(in);

  int status = 0;
  std::string out_name;
  for (int i = 2; i < argc; ++i) {
    const char* name = argv[i];
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      status = 1;
      continue;
    }
    std::size_t got = 0;
    while (got < kHeadSize) {
      const ssize_t n = ::read(fd, head + got, kHeadSize - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    struct stat st;
    const auto found = plan.find(key_of(name));
    if (::fstat(fd, &st) != 0 || found == plan.end()) {
      status = 1;
      ::close(fd);
      continue;
    }
    emit(found->second.dump_bytes);
    for (const Picture& p : found->second.pictures) {
      out_name.assign(name);
      out_name += p.suffix;
      const int out = ::open(out_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      if (out < 0 || !copy(fd, got, p, out)) status = 1;
      if (out >= 0) ::close(out);
    }
    ::close(fd);
  }
  flush_out();
  return status;
}
