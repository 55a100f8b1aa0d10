// libFuzzer target over the whole per-file pipeline: head read, byte order, both IFD dumps,
// thumbnail detection and, with -o, the JPEG copy or the strip-to-BMP conversion, all on the
// in-memory platform so that no disk is touched.
//
// Build: cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ && cmake --build build-fuzz
// Run:   build-fuzz/pelnor_fuzz -dict=fuzz/pelnor.dict corpus-dir seed-dir
//
// Input layout:
//   byte 0    fault to inject (kFault* below, taken modulo 8)
//   byte 1    bits 0-2: index of the write or allocation that fails (counted over the run);
//             bit 6: the fault hits the second file instead of the first;
//             bit 7: file names longer than 1013 characters
//   rest      the first file; when kNextFile occurs in it, what follows is a second file that
//             is handled in the same session, as the file loop would
//
// Besides what the sanitizers catch, an input fails when a call leaves a file open or a memory
// block allocated, when a JPEG copy differs from the bytes it names, and when a BMP file written
// without a fault is not complete. Under AddressSanitizer the part of the file buffer that the
// last read did not fill is poisoned, so a byte left there by an earlier file, or never written
// at all, cannot be read unnoticed.
#include <sanitizer/asan_interface.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "driver/file_loop.h"
#include "driver/options.h"
#include "memory_platform.h"
#include "tiff/thumb_info.h"

namespace {

using pelnor::FileHandle;
using pelnor::MemHandle;
using pelnor::Platform;
using pelnor::testing::MemoryPlatform;

constexpr std::string_view kNextFile = "@@next-file@@";

enum Fault : std::uint8_t {
  kFaultNone = 0,
  kFaultUnopenable = 1,
  kFaultUnreadable = 2,
  kFaultUncreatable = 3,
  kFaultWriteFails = 4,
  kFaultWriteShort = 5,
  kFaultAllocFails = 6,
};

[[noreturn]] void fail(const char* what, const std::string& name) {
  std::fprintf(stderr, "pelnor_fuzz: %s (%s)\n", what, name.c_str());
  std::abort();
}

// Forwards to the memory platform and keeps the unread part of every read buffer poisoned.
class PoisoningPlatform final : public Platform {
 public:
  explicit PoisoningPlatform(MemoryPlatform& memory) : memory_(memory) {}

  FileHandle open_read(const char* name) override { return memory_.open_read(name); }

  std::int64_t read(FileHandle file, void* buffer, std::uint32_t size) override {
    ASAN_UNPOISON_MEMORY_REGION(buffer, size);
    std::int64_t n = memory_.read(file, buffer, size);
    std::uint32_t filled = n > 0 ? static_cast<std::uint32_t>(n) : 0;
    ASAN_POISON_MEMORY_REGION(static_cast<std::uint8_t*>(buffer) + filled, size - filled);
    return n;
  }

  FileHandle create_write(const char* name) override { return memory_.create_write(name); }
  int write(FileHandle file, const void* data, std::uint32_t size,
            std::uint32_t* written) override {
    return memory_.write(file, data, size, written);
  }
  void close(FileHandle file) override { memory_.close(file); }
  MemHandle mem_alloc(std::size_t size) override { return memory_.mem_alloc(size); }
  void* mem_lock(MemHandle block) override { return memory_.mem_lock(block); }
  void mem_unlock(MemHandle block) override { memory_.mem_unlock(block); }
  void mem_free(MemHandle block) override { memory_.mem_free(block); }

 private:
  MemoryPlatform& memory_;
};

std::uint32_t bmp_stride(std::int32_t width) {
  return (3 * static_cast<std::uint32_t>(width) + 3) & ~3u;
}

// What a run without faults must have left in the output files of `name`.
void check_outputs(const MemoryPlatform& memory, const pelnor::Session& session,
                   const std::string& name, const MemoryPlatform::Bytes& input) {
  const std::string jpeg_name = name + ".thumb.jpg";
  if (memory.has_file(jpeg_name)) {
    // A JPEG copy is whole or, when the stream runs past the data read, empty.
    const MemoryPlatform::Bytes& out = memory.file(jpeg_name);
    const pelnor::ThumbInfo& thumb = session.thumb;
    std::uint64_t start = std::uint64_t{12} + thumb.jpeg_offset;
    std::uint64_t end = start + thumb.jpeg_length;
    std::uint64_t data_read = std::min<std::uint64_t>(input.size(), pelnor::kHeadSize);
    if (end <= data_read) {
      if (out.size() != thumb.jpeg_length ||
          std::memcmp(out.data(), input.data() + start, out.size()) != 0)
        fail("JPEG copy differs from the stream it names", jpeg_name);
    } else if (!out.empty()) {
      fail("JPEG stream past the data read was written", jpeg_name);
    }
  }
  const std::string bmp_name = name + ".thumb.bmp";
  if (memory.has_file(bmp_name)) {
    const MemoryPlatform::Bytes& out = memory.file(bmp_name);
    const pelnor::ThumbInfo& thumb = session.thumb;
    std::uint64_t expected = 54 + std::uint64_t{bmp_stride(thumb.width)} *
                                      static_cast<std::uint32_t>(thumb.height);
    if (out.size() != expected || out[0] != 'B' || out[1] != 'M')
      fail("BMP file is not complete", bmp_name);
  }
}

bool keep_stdout() { return std::getenv("PELNOR_FUZZ_STDOUT") != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Formatting still runs; only the bytes go nowhere.
  if (!keep_stdout() && std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto fault = static_cast<Fault>(data[0] % 8);
  const int fault_index = data[1] & 7;
  const int fault_file = (data[1] >> 6) & 1;
  const bool long_names = (data[1] & 0x80) != 0;

  std::string_view payload(reinterpret_cast<const char*>(data) + 2, size - 2);
  std::vector<std::string_view> contents;
  std::size_t split = payload.find(kNextFile);
  if (split == std::string_view::npos) {
    contents.push_back(payload);
  } else {
    contents.push_back(payload.substr(0, split));
    contents.push_back(payload.substr(split + kNextFile.size()));
  }

  MemoryPlatform memory;
  PoisoningPlatform platform(memory);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < contents.size(); ++i) {
    std::string name = long_names ? std::string(1500, static_cast<char>('a' + i)) + ".jpg"
                                  : std::string(1, static_cast<char>('a' + i)) + ".jpg";
    memory.add_file(name, MemoryPlatform::Bytes(contents[i].begin(), contents[i].end()));
    names.push_back(name);
  }

  const std::size_t target = std::min<std::size_t>(static_cast<std::size_t>(fault_file),
                                                   names.size() - 1);
  switch (fault) {
    case kFaultUnopenable:
      memory.unopenable.insert(names[target]);
      break;
    case kFaultUnreadable:
      memory.unreadable.insert(names[target]);
      break;
    case kFaultUncreatable:
      memory.uncreatable.insert(names[target] + ".thumb.jpg");
      memory.uncreatable.insert(names[target] + ".thumb.bmp");
      break;
    case kFaultWriteFails:
    case kFaultWriteShort:
      memory.fail_write_at = fault_index;
      memory.write_fault = fault == kFaultWriteFails ? MemoryPlatform::WriteFault::kFail
                                                     : MemoryPlatform::WriteFault::kShort;
      break;
    case kFaultAllocFails:
      memory.fail_alloc_at = fault_index;
      break;
    default:
      break;
  }

  pelnor::opt_output = 1;
  auto session = std::make_unique<pelnor::Session>(platform);
  // Nothing has been read yet: the whole buffer is off limits until the first read fills it.
  ASAN_POISON_MEMORY_REGION(session->buffer, sizeof session->buffer);
  for (std::size_t i = 0; i < names.size(); ++i) {
    int result = pelnor::process_file(*session, names[i].c_str());
    if (memory.open_handles() != 0) fail("a file was left open", names[i]);
    if (memory.live_blocks() != 0) fail("a memory block was left allocated", names[i]);
    if (fault == kFaultNone || fault == kFaultUnopenable || fault == kFaultUnreadable)
      check_outputs(memory, *session, names[i], memory.file(names[i]));
    if (result != pelnor::kExitOk) break;  // the file loop ends the run here
  }
  std::fflush(stdout);
  ASAN_UNPOISON_MEMORY_REGION(session->buffer, sizeof session->buffer);
  return 0;
}
