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
#include <string>

#include "app/job.h"
#include "app/options.h"
#include "json_check.h"
#include "memory_platform.h"
#include "report/json_writer.h"
#include "report/output.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();  // the dump is not needed
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned fault = data[size - 1] & 0x1Fu;
  pelnor::opt_all = (data[size - 1] >> 6) & 1;
  pelnor::opt_search = data[size - 1] >> 7;
  pelnor::opt_pictures = size >= 2 ? data[size - 2] & 1 : 0;
  pelnor::opt_json = size >= 2 ? (data[size - 2] >> 1) & 1 : 0;
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
  pelnor::opt_output = 1;
  std::string document;
  if (pelnor::opt_json != 0) {
    pelnor::print_to_string(&document);
    pelnor::mute_text(true);
    pelnor::json::begin_run();
  }
  {
    pelnor::Session session(platform);
    pelnor::process_file(session, "f.jpg");
  }
  if (pelnor::opt_json != 0) {
    pelnor::json::end_run();
    pelnor::print_to_string(nullptr);
    pelnor::mute_text(false);
    if (!pelnor::fuzzing::JsonCheck(document).valid()) std::abort();
  }
  if (!platform.open.empty() || !platform.blocks.empty()) std::abort();
  return 0;
}
