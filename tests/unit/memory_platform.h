// An in-memory platform for the unit tests and the fuzzer: files in a map, the n-th read, write,
// close or allocation and any cut-back made to fail, files that read like pipes, open files and
// live blocks kept to be checked. A name opened again gives other bytes, as a file replaced in
// between: all past the head comes through one handle.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "io/platform.h"

namespace pelnor::testing {

using Bytes = std::vector<std::uint8_t>;

struct MemoryPlatform final : Platform {
  enum Fault { kFail, kShort };  // a failed call, or one that moves half the bytes

  std::map<std::string, Bytes> files;
  bool fail_create = false;
  int fail_read = -1, fail_write = -1;  // index of the read or write, over the platform's life
  Fault read_fault = kFail, write_fault = kFail;
  int fail_alloc = -1;  // index of the allocation
  int fail_close = -1;  // index of the close
  bool fail_truncate = false;
  bool in_order = false;  // every file reads like a pipe: no position, no size
  int reads = 0, writes = 0, allocs = 0, closes = 0;
  std::map<FileHandle, std::string> open;
  std::map<FileHandle, Bytes> contents;           // what each input handle reads
  std::map<FileHandle, std::uint64_t> positions;  // where its next read starts
  std::map<std::string, int> opens;
  struct Block {
    Bytes bytes;
    int locks = 0;
  };
  std::map<MemHandle, Block*> blocks;

  FileHandle open_read(const char* name) override {
    if (files.count(name) == 0) return kInvalidFile;
    const FileHandle file = add_handle(name);
    Bytes& bytes = contents[file] = files[name];
    if (opens[name]++ != 0) {
      for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(~b);
    }
    return file;
  }

  std::int64_t read(FileHandle file, void* buffer, std::uint32_t size) override {
    const std::int64_t n = read_from(file, positions[file], buffer, size);
    if (n > 0) positions[file] += static_cast<std::uint64_t>(n);
    return n;
  }

  std::int64_t read_at(FileHandle file, std::uint64_t position, void* buffer,
                       std::uint32_t size) override {
    return in_order ? kCannotSeek : read_from(file, position, buffer, size);
  }

  std::int64_t read_from(FileHandle file, std::uint64_t position, void* buffer,
                         std::uint32_t size) {
    const bool faulty = reads++ == fail_read;
    if (faulty && read_fault == kFail) return -1;
    const Bytes& bytes = contents.at(file);
    std::size_t n =
        position < bytes.size() ? std::min<std::size_t>(size, bytes.size() - position) : 0;
    if (faulty) n /= 2;
    if (n != 0) std::memcpy(buffer, bytes.data() + position, n);
    return static_cast<std::int64_t>(n);
  }

  std::int64_t file_size(FileHandle file) override {
    return in_order ? -1 : static_cast<std::int64_t>(contents.at(file).size());
  }

  FileHandle create_write(const char* name) override {
    if (fail_create) return kInvalidFile;
    files[name].clear();
    return add_handle(name);
  }

  FileHandle create_new(const char* name) override {
    if (files.count(name) != 0) return kInvalidFile;
    return create_write(name);
  }

  bool make_directory(const char* name) override {
    directories[name];
    return true;
  }

  bool writable_directory(const char* name) override { return directories.count(name) != 0; }

  int write(FileHandle file, const void* data, std::uint32_t size,
            std::uint32_t* written) override {
    const bool faulty = writes++ == fail_write;
    *written = !faulty ? size : write_fault == kShort ? size / 2 : 0;
    Bytes& bytes = files.at(open.at(file));
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + *written);
    return faulty && write_fault == kFail ? 0 : 1;
  }

  bool truncate(FileHandle file) override {
    if (fail_truncate) return false;
    files.at(open.at(file)).clear();
    return true;
  }

  bool close(FileHandle file) override {
    if (open.erase(file) == 0) std::abort();  // closed twice, or never opened
    contents.erase(file);
    positions.erase(file);
    return closes++ != fail_close;
  }

  bool remove(const char* name) override { return files.erase(name) != 0; }

  // Directories by name, with their entries as the system would list them; those in
  // `unreadable` cannot be listed.
  std::map<std::string, std::vector<DirectoryEntry>> directories;
  std::set<std::string> unreadable;

  bool is_directory(const char* name) override { return directories.count(name) != 0; }

  bool list_directory(const char* name, std::vector<DirectoryEntry>* entries) override {
    if (directories.count(name) == 0 || unreadable.count(name) != 0) return false;
    *entries = directories.at(name);
    return true;
  }

  MemHandle mem_alloc(std::size_t size) override {
    if (allocs++ == fail_alloc) return nullptr;
    auto* block = new Block{Bytes(std::max<std::size_t>(size, 1))};
    blocks[block] = block;
    return block;
  }

  // A block is freed unlocked, as the local heap wants it.
  void* mem_lock(MemHandle block) override {
    ++blocks.at(block)->locks;
    return blocks.at(block)->bytes.data();
  }
  void mem_unlock(MemHandle block) override {
    if (--blocks.at(block)->locks < 0) std::abort();
  }
  void mem_free(MemHandle block) override {
    if (blocks.at(block)->locks != 0) std::abort();
    delete blocks.at(block);
    blocks.erase(block);
  }

 private:
  FileHandle add_handle(const char* name) {
    open[next_file] = name;
    return next_file++;
  }
  FileHandle next_file = 3;
};

}  // namespace pelnor::testing
