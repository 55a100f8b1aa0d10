// The system platform's head read: a pipe, or a network or FUSE file system, hands the bytes over
// in pieces, and the dump must be that of the whole file all the same.
#include "platform/platform.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace pelnor {
namespace {

TEST(SystemPlatform, ReadGoesOnAfterShortReadsUntilTheEnd) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  std::vector<char> sent(40000);
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7);
  // Three pieces with pauses between them, so that each read finds only part of the bytes.
  std::thread writer([&] {
    const std::size_t bounds[] = {0, 100, 20000, sent.size()};
    for (int i = 0; i < 3; ++i) {
      const auto n = static_cast<ssize_t>(bounds[i + 1] - bounds[i]);
      EXPECT_EQ(::write(ends[1], sent.data() + bounds[i], static_cast<std::size_t>(n)), n);
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    ::close(ends[1]);
  });
  std::vector<char> got(32768);
  EXPECT_EQ(system_platform().read(ends[0], got.data(), 32768), 32768);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), sent.begin()));
  // Then the rest, which the end of the pipe cuts short.
  EXPECT_EQ(system_platform().read(ends[0], got.data(), 32768), 40000 - 32768);
  writer.join();
  ::close(ends[0]);
}

}  // namespace
}  // namespace pelnor
