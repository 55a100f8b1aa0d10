// The few operating-system services the tool needs, behind one interface.
//
// Everything outside src/io/ sees only this header. The real implementation is chosen by the
// build (platform_posix.cpp or platform_win32.cpp); tests and the fuzzer use an in-memory double
// that also injects failures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pelnor {

/// An open file as the operating system knows it.
using FileHandle = std::intptr_t;

/// The handle of no file: what a failed open or create returns.
inline constexpr FileHandle kInvalidFile = -1;

/// A block of memory obtained from the platform; null when none could be had.
using MemHandle = void*;

/// What read and read_at return when a read failed.
inline constexpr std::int64_t kReadFailed = -1;
/// What read_at returns for a file that cannot be read at a position of its own choosing (a
/// pipe, a terminal): its bytes can only be taken in the order they come.
inline constexpr std::int64_t kCannotSeek = -2;

/// An entry of a directory as -r sees it.
struct DirectoryEntry {
  enum Kind : std::uint8_t {
    kFile,       // a regular file, or a symbolic link to one
    kDirectory,  // a directory itself, not a link to one
    kOther,      // a link to a directory, a device, a pipe, a dangling link: not walked
  };
  std::string name;  // the entry's name alone
  Kind kind;
};

class Platform {
 public:
  virtual ~Platform() = default;

  /// Opens an existing file for reading while others may read it too.
  /// Returns kInvalidFile when the file cannot be opened (missing, unreadable, a directory).
  virtual FileHandle open_read(const char* name) = 0;

  /// Reads `size` bytes into `buffer`, going on after a short read (a pipe, a network or FUSE
  /// file system) until they are all there or the file ends. Returns the count read, short of
  /// `size` only at the end of the file, or kReadFailed.
  virtual std::int64_t read(FileHandle file, void* buffer, std::uint32_t size) = 0;

  /// Reads at most `size` bytes from byte `position` of a file that open_read gave, wherever an
  /// earlier read left off, and leaves where the next read starts as it was. Returns the count
  /// read, short of `size` only at the end of the file, kReadFailed, or kCannotSeek (nothing
  /// read) for a file that can only be read in order.
  virtual std::int64_t read_at(FileHandle file, std::uint64_t position, void* buffer,
                               std::uint32_t size) = 0;

  /// The size in bytes of a file that open_read gave, or -1 when it has none (a pipe) or it
  /// cannot be had.
  virtual std::int64_t file_size(FileHandle file) = 0;

  /// Creates a file for writing, or empties an existing one, not shared with others.
  /// Returns kInvalidFile when it cannot be created.
  virtual FileHandle create_write(const char* name) = 0;

  /// Creates a new file for writing, never one that exists already. Returns kInvalidFile when it
  /// exists or cannot be created.
  virtual FileHandle create_new(const char* name) = 0;

  /// Makes the directory `name`; true when it is there afterwards, made now or before.
  virtual bool make_directory(const char* name) = 0;

  /// True when `name` is a directory this process can create files in.
  virtual bool writable_directory(const char* name) = 0;

  /// Writes `size` bytes from `data`. Returns 1 when the write succeeded, 0 when it failed;
  /// `*written` receives the count of bytes written either way (it may be short of `size`).
  virtual int write(FileHandle file, const void* data, std::uint32_t size,
                    std::uint32_t* written) = 0;

  /// Cuts a file that create_write gave back to no bytes. Returns false when it cannot.
  virtual bool truncate(FileHandle file) = 0;

  /// Closes a file that open_read or create_write gave. False when the system reports an error
  /// (a delayed write error of a network file system, say); the handle is gone either way.
  virtual bool close(FileHandle file) = 0;

  /// Deletes the file of that name. False when it cannot.
  virtual bool remove(const char* name) = 0;

  /// Obtains a block of `size` zero-filled bytes. Returns null when it cannot be had.
  virtual MemHandle mem_alloc(std::size_t size) = 0;

  /// Returns the address of a block; it stays valid until mem_unlock.
  virtual void* mem_lock(MemHandle block) = 0;

  /// Ends access to a block's address.
  virtual void mem_unlock(MemHandle block) = 0;

  /// Releases a block that mem_alloc gave.
  virtual void mem_free(MemHandle block) = 0;

  /// True when `name` is a directory (a link to one included).
  virtual bool is_directory(const char* name) = 0;

  /// The entries of directory `name`, "." and ".." left out, in the order the system gives
  /// them. False when it cannot be read.
  virtual bool list_directory(const char* name, std::vector<DirectoryEntry>* entries) = 0;

  /// The separator -r puts between a directory's name and an entry's.
  virtual char path_separator() const { return '/'; }
};

/// One write that must succeed whole: true when the platform reports success and all `size`
/// bytes written.
inline bool write_whole(Platform& platform, FileHandle file, const void* data, std::uint32_t size) {
  std::uint32_t written = 0;
  return platform.write(file, data, size, &written) != 0 && written == size;
}

/// The platform of the operating system the tool was built for.
Platform& system_platform();

/// Opens the standard descriptors that are closed, so that no file the tool opens takes the
/// place of standard output; a closed standard output stays unwritable, and what is printed to it
/// is reported as lost at the end of the run.
void keep_standard_streams();

/// Gives standard output a large buffer when it is not a terminal, so that a batch of files is
/// written in large blocks, and returns true; a terminal keeps its line buffering (false).
bool buffer_standard_output();

}  // namespace pelnor
