// libFuzzer target: one file through the whole per-file sequence with -o, on the in-memory
// platform. The input's last byte picks a fault from its low five bits (below 19: a failed or
// short write among the first four or read among the first three, a refused canvas block, a
// failed create, a failed close of the thumbnail, a short read whose cut-back fails; anything
// else: none), an input read in order like a pipe from bit 5, -a from bit 6 and -s from bit 7;
// -p from the low bit of the byte before it and -j from its next bit (the FF of an EOI turns
// both on); the rest is the file. Afterwards every file must be closed and every block freed,
// and with -j the document must be valid JSON.
//   cmake --preset sanitize && cmake --build --preset sanitize && ctest --preset sanitize -R fuzz
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/job.h"
#include "json_check.h"
#include "memory_platform.h"
#include "report/json_sink.h"
#include "report/output.h"
#include "report/text_sink.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();  // the dump is not needed
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned fault = data[size - 1] & 0x1Fu;
  pelnor::Options options;
  options.output = true;
  options.all = (data[size - 1] >> 6) & 1;
  options.search = data[size - 1] >> 7;
  options.pictures = size >= 2 && (data[size - 2] & 1) != 0;
  options.json = size >= 2 && ((data[size - 2] >> 1) & 1) != 0;
  pelnor::testing::MemoryPlatform platform;
  platform.files["f.jpg"].assign(data, data + size - 1);
  if (fault < 8) {
    platform.fail_write = static_cast<int>(fault / 2);
    platform.write_fault = fault % 2 ? platform.kShort : platform.kFail;
  }
  if (fault == 8 || fault == 9) platform.fail_alloc = static_cast<int>(fault - 8);
  if (fault >= 10 && fault < 16) {
    platform.fail_read = static_cast<int>((fault - 10) / 2);
    platform.read_fault = fault % 2 ? platform.kShort : platform.kFail;
  }
  platform.fail_create = fault == 16;
  if (fault == 17) platform.fail_close = 0;
  if (fault == 18) {
    platform.fail_read = 2;
    platform.read_fault = platform.kShort;
    platform.fail_truncate = true;
  }
  platform.in_order = (data[size - 1] >> 5) & 1;
  std::string document;
  std::unique_ptr<pelnor::Sink> sink;
  if (options.json) {
    pelnor::print_to_string(&document);
    sink = std::make_unique<pelnor::JsonSink>();
  } else {
    sink = std::make_unique<pelnor::TextSink>(false);
  }
  sink->run_begin();
  {
    auto session = std::make_unique<pelnor::Session>(platform, options, *sink);
    pelnor::process_file(*session, "f.jpg");
  }
  sink->run_end();
  if (options.json) {
    pelnor::print_to_string(nullptr);
    if (!pelnor::fuzzing::JsonCheck(document).valid()) std::abort();
  }
  if (!platform.open.empty() || !platform.blocks.empty()) std::abort();
  return 0;
}
