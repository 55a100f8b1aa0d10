// POSIX implementation of the platform interface.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "io/platform.h"

// Files of 2 GiB and more, and positions past 4 GiB, need 64-bit offsets on 32-bit systems too:
// the build sets _FILE_OFFSET_BITS=64.
static_assert(sizeof(off_t) >= 8, "off_t must hold any file position");

namespace pelnor {
namespace {

// Calls `once(p, n, done)`, one read of n bytes into p after `done` bytes, until `size` bytes
// are in or it reads nothing. Returns the count read, kReadFailed, or kCannotSeek when the
// first read finds a pipe where a position was asked for.
template <typename Once>
std::int64_t fill(void* buffer, std::uint32_t size, Once once) {
  auto* p = static_cast<char*>(buffer);
  std::uint32_t done = 0;
  while (done < size) {
    const ssize_t n = once(p + done, size - done, done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno == ESPIPE && done == 0 ? kCannotSeek : kReadFailed;
    if (n == 0) break;
    done += static_cast<std::uint32_t>(n);
  }
  return done;
}

class PosixPlatform final : public Platform {
 public:
  FileHandle open_read(const char* name) override {
    int fd;
    do {
      fd = ::open(name, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? kInvalidFile : fd;
  }

  // A pipe, a FUSE or network file system may hand over fewer bytes than asked: both reads go
  // on until the block is full or the file ends.
  std::int64_t read(FileHandle file, void* buffer, std::uint32_t size) override {
    return fill(buffer, size, [file](char* p, std::uint32_t n, std::uint32_t) {
      return ::read(static_cast<int>(file), p, n);
    });
  }

  std::int64_t read_at(FileHandle file, std::uint64_t position, void* buffer,
                       std::uint32_t size) override {
    return fill(buffer, size, [file, position](char* p, std::uint32_t n, std::uint32_t done) {
      return ::pread(static_cast<int>(file), p, n, static_cast<off_t>(position + done));
    });
  }

  std::int64_t file_size(FileHandle file) override {
    struct stat st;
    if (::fstat(static_cast<int>(file), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return st.st_size;
  }

  FileHandle create_write(const char* name) override {
    int fd;
    do {
      fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? kInvalidFile : fd;
  }

  FileHandle create_new(const char* name) override {
    int fd;
    do {
      fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? kInvalidFile : fd;
  }

  bool make_directory(const char* name) override {
    return ::mkdir(name, 0777) == 0 || (errno == EEXIST && is_directory(name));
  }

  bool writable_directory(const char* name) override {
    return is_directory(name) && ::access(name, W_OK | X_OK) == 0;
  }

  int write(FileHandle file, const void* data, std::uint32_t size,
            std::uint32_t* written) override {
    // A regular file takes the whole block in one call; keep going after a partial write so
    // that only a real failure (a full disk, say) reports a short count.
    const auto* p = static_cast<const char*>(data);
    std::uint32_t done = 0;
    while (done < size) {
      ssize_t n = ::write(static_cast<int>(file), p + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::uint32_t>(n);
    }
    *written = done;
    return done == size ? 1 : 0;
  }

  bool truncate(FileHandle file) override {
    int result;
    do {
      result = ::ftruncate(static_cast<int>(file), 0);
    } while (result < 0 && errno == EINTR);
    return result == 0;
  }

  // Not repeated on EINTR: Linux releases the descriptor whatever close reports.
  bool close(FileHandle file) override { return ::close(static_cast<int>(file)) == 0; }

  bool remove(const char* name) override { return ::unlink(name) == 0; }

  MemHandle mem_alloc(std::size_t size) override { return std::calloc(size == 0 ? 1 : size, 1); }
  void* mem_lock(MemHandle block) override { return block; }
  void mem_unlock(MemHandle) override {}
  void mem_free(MemHandle block) override { std::free(block); }

  bool is_directory(const char* name) override {
    struct stat st;
    return ::stat(name, &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool list_directory(const char* name, std::vector<DirectoryEntry>* entries) override {
    DIR* dir = ::opendir(name);
    if (dir == nullptr) return false;
    std::string path;
    errno = 0;
    while (const dirent* d = ::readdir(dir)) {
      if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
      path.assign(name);
      if (path.empty() || path.back() != '/') path += '/';
      path += d->d_name;
      // The entry's own type where the file system gives it; else lstat says whether it is a
      // link, and stat what a link leads to.
      struct stat st;
      DirectoryEntry::Kind kind = DirectoryEntry::kOther;
      if (d->d_type == DT_DIR) {
        kind = DirectoryEntry::kDirectory;
      } else if (d->d_type == DT_REG) {
        kind = DirectoryEntry::kFile;
      } else if (d->d_type != DT_LNK && d->d_type != DT_UNKNOWN) {
        kind = DirectoryEntry::kOther;  // a device, a FIFO, a socket
      } else if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
          kind = DirectoryEntry::kDirectory;
        } else if (S_ISREG(st.st_mode) ||
                   (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))) {
          kind = DirectoryEntry::kFile;
        }
      }
      entries->push_back({d->d_name, kind});
      errno = 0;
    }
    const bool whole = errno == 0;
    ::closedir(dir);
    return whole;
  }
};

}  // namespace

Platform& system_platform() {
  static PosixPlatform platform;
  return platform;
}

void keep_standard_streams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    // open() takes the lowest free descriptor, which is the closed one. Read-only, so that a
    // write to a closed standard output still fails.
    if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF && ::open("/dev/null", O_RDONLY) < 0) return;
  }
}

bool buffer_standard_output() {
  if (::isatty(STDOUT_FILENO)) return false;
  // The text comes in blocks of 64 KB already: the C library passes them on as they are, with no
  // copy into a buffer of its own.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return true;
}

}  // namespace pelnor
