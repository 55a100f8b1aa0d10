// An in-memory platform: files live in a map, every open, write and allocation is recorded, and
// any of them can be made to fail. Tests assert on effects (which files exist, what they hold,
// what is still open) rather than on calls.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace pelnor::testing {

class MemoryPlatform final : public Platform {
 public:
  using Bytes = std::vector<std::uint8_t>;

  /// How the chosen write fails.
  enum class WriteFault { kNone, kFail, kShort };

  void add_file(const std::string& name, Bytes bytes) { files_[name] = std::move(bytes); }
  bool has_file(const std::string& name) const { return files_.count(name) != 0; }
  /// The bytes of a file; empty when there is none.
  const Bytes& file(const std::string& name) const;

  // Fault injection.
  std::set<std::string> unopenable;   ///< open_read fails for these names
  std::set<std::string> unreadable;   ///< read fails for these names
  std::set<std::string> uncreatable;  ///< create_write fails for these names
  int fail_write_at = -1;             ///< index of the write (from 0, over the run) that fails
  WriteFault write_fault = WriteFault::kNone;
  int fail_alloc_at = -1;             ///< index of the mem_alloc (from 0) that returns null

  // What happened.
  std::vector<std::string> opened;   ///< names given to open_read that succeeded
  std::vector<std::string> created;  ///< names given to create_write that succeeded
  int reads = 0;
  int writes = 0;
  int allocs = 0;
  int open_handles() const { return static_cast<int>(handles_.size()); }
  int live_blocks() const { return static_cast<int>(blocks_.size()); }
  int locked_blocks() const;

  FileHandle open_read(const char* name) override;
  std::int64_t read(FileHandle file, void* buffer, std::uint32_t size) override;
  FileHandle create_write(const char* name) override;
  int write(FileHandle file, const void* data, std::uint32_t size,
            std::uint32_t* written) override;
  void close(FileHandle file) override;
  MemHandle mem_alloc(std::size_t size) override;
  void* mem_lock(MemHandle block) override;
  void mem_unlock(MemHandle block) override;
  void mem_free(MemHandle block) override;

 private:
  struct Open {
    std::string name;
    bool writing;
  };
  struct Block {
    Bytes bytes;
    int locks = 0;
  };
  std::map<std::string, Bytes> files_;
  std::map<FileHandle, Open> handles_;
  std::map<MemHandle, Block*> blocks_;
  FileHandle next_handle_ = 100;
};

}  // namespace pelnor::testing
