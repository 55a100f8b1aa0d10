#include "tool_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pelnor::e2e {

namespace fs = std::filesystem;

namespace {

std::string tool_path() {
  const char* chosen = std::getenv("PELNOR_BIN");
  std::string path = chosen != nullptr && *chosen != '\0' ? chosen : PELNOR_BINARY;
  // The tool runs in another directory, so a relative path must be made absolute first.
  return fs::absolute(path).string();
}

bool crlf_output() {
  const char* crlf = std::getenv("PELNOR_CRLF");
  return crlf != nullptr && std::string_view(crlf) == "1";
}

Bytes read_all(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string read_text(const fs::path& path) {
  Bytes bytes = read_all(path);
  return std::string(bytes.begin(), bytes.end());
}

void write_all(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::map<std::string, Bytes> snapshot(const fs::path& root) {
  std::map<std::string, Bytes> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string name = fs::relative(entry.path(), root).generic_string();
    if (entry.is_directory()) {
      files[name + "/"] = {};
    } else {
      files[name] = read_all(entry.path());
    }
  }
  return files;
}

// A private scratch area: the tool's working directory, and beside it the two capture files,
// which therefore never show up among the files the tool made.
struct Scratch {
  Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/pelnor-e2e-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      ADD_FAILURE() << "cannot make a temporary directory: errno " << errno;
      return;
    }
    root = pattern;
    fs::create_directory(root / "work");
  }
  ~Scratch() {
    std::error_code ignored;
    if (!root.empty()) fs::remove_all(root, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  fs::path root;
};

// Runs argv in `dir` with standard output and standard error going to the two files. Returns
// the exit code, or 128 + the signal number when the tool was killed.
int spawn(const std::vector<std::string>& argv, const fs::path& dir, const fs::path& out,
          const fs::path& err) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    int in_fd = open("/dev/null", O_RDONLY);
    int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in_fd < 0 || out_fd < 0 || err_fd < 0 || dup2(in_fd, 0) < 0 || dup2(out_fd, 1) < 0 ||
        dup2(err_fd, 2) < 0 || chdir(dir.c_str()) != 0) {
      _exit(126);
    }
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

std::string describe(const std::map<std::string, Bytes>& files) {
  std::string text;
  for (const auto& [name, bytes] : files) {
    text += "  " + name + " (" + std::to_string(bytes.size()) + " bytes)\n";
  }
  return text;
}

}  // namespace

Input file(std::string name, Bytes bytes) {
  return Input{std::move(name), std::move(bytes), false};
}

Input directory(std::string name) { return Input{std::move(name), {}, true}; }

Outcome run_tool(const std::vector<Input>& inputs, const std::vector<std::string>& args) {
  Outcome outcome;
  Scratch scratch;
  if (scratch.root.empty()) return outcome;
  const fs::path work = scratch.root / "work";
  for (const Input& input : inputs) {
    const fs::path path = work / input.name;
    fs::create_directories(path.parent_path());
    if (input.directory) {
      fs::create_directories(path);
    } else {
      write_all(path, input.bytes);
    }
  }

  std::vector<std::string> argv;
  const char* launcher = std::getenv("PELNOR_LAUNCHER");
  if (launcher != nullptr && *launcher != '\0') argv.emplace_back(launcher);
  argv.push_back(tool_path());
  argv.insert(argv.end(), args.begin(), args.end());

  outcome.exit_code = spawn(argv, work, scratch.root / "stdout", scratch.root / "stderr");
  outcome.out = read_text(scratch.root / "stdout");
  outcome.err = read_text(scratch.root / "stderr");
  outcome.files = snapshot(work);
  return outcome;
}

std::string native_text(std::string_view text) {
  std::string out;
  const bool crlf = crlf_output();
  for (char c : text) {
    if (c == '\n' && crlf) out += '\r';
    out += c;
  }
  return out;
}

Outcome expect_run(const std::vector<Input>& inputs, const std::vector<std::string>& args,
                   const Expected& expected) {
  Outcome outcome = run_tool(inputs, args);
  EXPECT_EQ(outcome.out, native_text(expected.out)) << "standard output";
  EXPECT_EQ(outcome.err, native_text(expected.err)) << "standard error";
  EXPECT_EQ(outcome.exit_code, expected.exit_code) << "exit code";

  std::map<std::string, Bytes> want;
  for (const Input& input : inputs) {
    // Parent directories of nested inputs are there too.
    for (fs::path p = fs::path(input.name).parent_path(); !p.empty(); p = p.parent_path()) {
      want[p.generic_string() + "/"] = {};
    }
    want[input.directory ? input.name + "/" : input.name] = input.bytes;
  }
  for (const auto& [name, bytes] : expected.files) want[name] = bytes;
  EXPECT_TRUE(outcome.files == want) << "files afterwards:\n"
                                     << describe(outcome.files) << "expected:\n"
                                     << describe(want);
  for (const auto& [name, bytes] : want) {
    auto it = outcome.files.find(name);
    if (it != outcome.files.end() && it->second != bytes) {
      ADD_FAILURE() << "bytes of " << name << " differ";
    }
  }
  return outcome;
}

std::string after_last_ifd1_dump(const std::string& out) {
  // The dump never prints an empty line, so the IFD1 dump ends at the first empty line after
  // its heading.
  const std::string heading = native_text("1th IFD dumping...:\n");
  const std::string blank = native_text("\n");
  std::size_t at = out.rfind(heading);
  if (at == std::string::npos) return {};
  std::size_t pos = at + heading.size();
  while (pos < out.size()) {
    if (out.compare(pos, blank.size(), blank) == 0) return out.substr(pos + blank.size());
    std::size_t end = out.find(blank, pos);
    if (end == std::string::npos) return {};
    pos = end + blank.size();
  }
  return {};
}

}  // namespace pelnor::e2e
