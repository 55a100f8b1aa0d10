// The walk of -r on the in-memory platform: the order of a directory's entries, the names it
// leaves out, and a directory that cannot be read, which counts as a file that fails.
#include "app/walk.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "memory_platform.h"

namespace pelnor {
namespace {

using testing::Bytes;
using testing::MemoryPlatform;

struct Walked {
  int status;
  std::string out;
};

Walked walk(MemoryPlatform& platform, std::vector<std::string> args) {
  std::vector<char*> argv;
  std::string program = "pelnor";
  argv.push_back(program.data());
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  ::testing::internal::CaptureStdout();
  const int status = run(static_cast<int>(argv.size()) - 1, argv.data(), platform);
  return {status, ::testing::internal::GetCapturedStdout()};
}

// Each file's "==> NAME <==" line, and the open errors.
std::string names(const std::string& out) {
  std::string lines;
  for (std::size_t at = 0; at < out.size();) {
    const std::size_t end = out.find('\n', at);
    const std::string line = out.substr(at, end - at);
    if (line.starts_with("==> ") || line.ends_with("open error")) lines += line + "\n";
    at = end == std::string::npos ? out.size() : end + 1;
  }
  return lines;
}

class Walk : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(PELNOR_CASES_DIR "/names/in/sound.jpg", std::ios::binary);
    const Bytes sound(std::istreambuf_iterator<char>(in), {});
    using E = DirectoryEntry;
    // As a file system lists them: in no order.
    platform.directories["top"] = {{"z.jpg", E::kFile},
                                   {"sub", E::kDirectory},
                                   {"b.JPG", E::kFile},
                                   {"notes.txt", E::kFile},
                                   {"link-to-dir", E::kOther},
                                   {"sub-x.jpeg", E::kFile},
                                   {"b.JPG.thumb.jpg", E::kFile},
                                   {"b.JPG.mpf2.jpg", E::kFile},
                                   {"b.JPG.photoshop-2.jpg", E::kFile},
                                   {"locked", E::kDirectory}};
    platform.directories["top/sub"] = {{"c.tif", E::kFile}, {"deeper", E::kDirectory}};
    platform.directories["top/sub/deeper"] = {};
    platform.directories["top/locked"] = {};
    platform.unreadable.insert("top/locked");
    for (const char* f : {"top/z.jpg", "top/b.JPG", "top/sub-x.jpeg", "top/sub/c.tif"}) {
      platform.files[f] = sound;
    }
  }
  MemoryPlatform platform;
};

TEST_F(Walk, OrderSkipsAndAnUnreadableDirectory) {
  // Byte order of the paths: "sub-x.jpeg" before "sub/"; an unreadable directory ends the run.
  Walked w = walk(platform, {"-r", "-n", "top"});
  EXPECT_EQ(names(w.out), "==> top/b.JPG <==\n==> top/locked <==\n`top/locked' open error\n");
  EXPECT_EQ(w.status, kExitStopped);
  w = walk(platform, {"-r", "-n", "-k", "top", "top/z.jpg"});
  EXPECT_EQ(names(w.out),
            "==> top/b.JPG <==\n==> top/locked <==\n`top/locked' open error\n"
            "==> top/sub-x.jpeg <==\n==> top/sub/c.tif <==\n==> top/z.jpg <==\n"
            "==> top/z.jpg <==\n");
  EXPECT_EQ(w.status, kExitStopped);
}

TEST_F(Walk, WithoutRecursionADirectoryIsAFileThatCannotBeOpened) {
  const Walked w = walk(platform, {"-n", "-k", "top"});
  EXPECT_EQ(names(w.out), "==> top <==\n`top' open error\n");
  EXPECT_EQ(w.status, kExitStopped);
}

TEST_F(Walk, TheDocumentHoldsTheUnreadableDirectory) {
  platform.directories["top"].resize(1);  // z.jpg alone, and the locked one
  platform.directories["top"].push_back({"locked", DirectoryEntry::kDirectory});
  const Walked w = walk(platform, {"-r", "-j", "-k", "top"});
  EXPECT_TRUE(
      w.out.starts_with("[\n{\"file\":\"top/locked\",\"result\":\"open-error\"},\n"
                        "{\"file\":\"top/z.jpg\","))
      << w.out;
  EXPECT_TRUE(w.out.ends_with("\"result\":\"handled\"}\n]\n")) << w.out;
}

}  // namespace
}  // namespace pelnor
