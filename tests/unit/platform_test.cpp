// The head read over a pipe (or a network file system) that hands the bytes over in pieces.
#include "io/platform.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

TEST(SystemPlatform, ReadGoesOnAfterShortReadsUntilTheEnd) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  std::vector<char> sent(40000), got(32768);
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7);
  std::thread writer([&] {  // three pieces, a pause after each
    std::size_t from = 0;
    for (std::size_t to : {100, 20000, 40000}) {
      EXPECT_EQ(::write(ends[1], &sent[from], to - from), static_cast<ssize_t>(to - from));
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      from = to;
    }
    ::close(ends[1]);
  });
  EXPECT_EQ(pelnor::system_platform().read(ends[0], got.data(), 32768), 32768);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), sent.begin()));
  EXPECT_EQ(pelnor::system_platform().read(ends[0], got.data(), 32768), 40000 - 32768);
  writer.join();
  ::close(ends[0]);
}
