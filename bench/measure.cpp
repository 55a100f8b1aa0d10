// Runs one command and prints what it cost: wall time, user and system CPU time of the command
// and every process it waited for, and the peak resident set of the largest of them.
//
//   bench_measure command [args...]
//     prints: wall_seconds user_seconds sys_seconds max_rss_kib exit_code
//
// The command's standard input, output and error are /dev/null. It is started with a real fork
// from this small process, not from the benchmark script: Linux carries a process's peak
// resident set across exec, so a command spawned straight from a large interpreter would report
// the interpreter's size as its own.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

namespace {

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

double now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_measure command [args...]\n");
    return 2;
  }
  const double start = now();
  pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    dup2(null_fd, 2);
    if (null_fd > 2) close(null_fd);
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) < 0) return 2;
  const double wall = now() - start;
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::printf("%.6f %.6f %.6f %ld %d\n", wall, seconds(usage.ru_utime), seconds(usage.ru_stime),
              usage.ru_maxrss, code);
  return 0;
}
