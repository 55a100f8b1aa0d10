#include "memory_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace pelnor::testing {

const MemoryPlatform::Bytes& MemoryPlatform::file(const std::string& name) const {
  static const Bytes kNone;
  auto it = files_.find(name);
  return it == files_.end() ? kNone : it->second;
}

int MemoryPlatform::locked_blocks() const {
  int n = 0;
  for (const auto& [handle, block] : blocks_) n += block->locks > 0 ? 1 : 0;
  return n;
}

FileHandle MemoryPlatform::open_read(const char* name) {
  if (!files_.count(name) || unopenable.count(name)) return kInvalidFile;
  handles_[next_handle_] = Open{name, false};
  opened.emplace_back(name);
  return next_handle_++;
}

std::int64_t MemoryPlatform::read(FileHandle file, void* buffer, std::uint32_t size) {
  ++reads;
  auto it = handles_.find(file);
  if (it == handles_.end() || it->second.writing || unreadable.count(it->second.name)) return -1;
  const Bytes& bytes = files_[it->second.name];
  std::size_t n = std::min<std::size_t>(size, bytes.size());
  if (n != 0) std::memcpy(buffer, bytes.data(), n);
  return static_cast<std::int64_t>(n);
}

FileHandle MemoryPlatform::create_write(const char* name) {
  if (uncreatable.count(name)) return kInvalidFile;
  files_[name].clear();
  handles_[next_handle_] = Open{name, true};
  created.emplace_back(name);
  return next_handle_++;
}

int MemoryPlatform::write(FileHandle file, const void* data, std::uint32_t size,
                          std::uint32_t* written) {
  int index = writes++;
  *written = 0;
  auto it = handles_.find(file);
  if (it == handles_.end() || !it->second.writing) return 0;
  std::uint32_t n = size;
  int result = 1;
  if (index == fail_write_at && write_fault == WriteFault::kFail) {
    n = 0;
    result = 0;
  } else if (index == fail_write_at && write_fault == WriteFault::kShort) {
    n = size / 2;  // a full disk: part of the block, reported as written
  }
  const auto* p = static_cast<const std::uint8_t*>(data);
  Bytes& out = files_[it->second.name];
  out.insert(out.end(), p, p + n);
  *written = n;
  return result;
}

void MemoryPlatform::close(FileHandle file) { handles_.erase(file); }

MemHandle MemoryPlatform::mem_alloc(std::size_t size) {
  int index = allocs++;
  if (index == fail_alloc_at) return nullptr;
  auto* block = new Block{Bytes(size == 0 ? 1 : size, 0), 0};
  // The handle is deliberately not the block's address, as with a movable block.
  MemHandle handle = reinterpret_cast<MemHandle>(reinterpret_cast<std::uintptr_t>(block) ^ 1u);
  blocks_[handle] = block;
  return handle;
}

void* MemoryPlatform::mem_lock(MemHandle handle) {
  auto it = blocks_.find(handle);
  if (it == blocks_.end()) std::abort();  // a stale or foreign handle is a bug in the caller
  ++it->second->locks;
  return it->second->bytes.data();
}

void MemoryPlatform::mem_unlock(MemHandle handle) {
  auto it = blocks_.find(handle);
  if (it == blocks_.end() || it->second->locks == 0) std::abort();
  --it->second->locks;
}

void MemoryPlatform::mem_free(MemHandle handle) {
  auto it = blocks_.find(handle);
  if (it == blocks_.end()) std::abort();
  delete it->second;
  blocks_.erase(it);
}

}  // namespace pelnor::testing
