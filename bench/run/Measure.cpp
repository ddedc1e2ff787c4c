// Runs a command with its output (and its messages) thrown away and prints its wall-clock time
// and its processor time (user and system) in nanoseconds, and its peak
// resident memory in KiB, for bench_batch.sh.
// Usage: korvane-measure COMMAND [ARGS...]

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s COMMAND [ARGS...]\n", argv[0]);
    return 2;
  }
  timespec start{}, end{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  const pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    return 2;
  }
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, 1);
      dup2(null, 2);
    }
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) < 0) {
    std::perror("wait4");
    return 2;
  }
  clock_gettime(CLOCK_MONOTONIC, &end);
  const long long ns = (end.tv_sec - start.tv_sec) * 1000000000LL + (end.tv_nsec - start.tv_nsec);
  const auto nanos = [](const timeval &t) { return t.tv_sec * 1000000000LL + t.tv_usec * 1000LL; };
  std::printf("%lld %lld %ld\n", ns, nanos(usage.ru_utime) + nanos(usage.ru_stime), usage.ru_maxrss);
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    std::fprintf(stderr, "%s failed (status %d)\n", argv[1], status);
    return 1;
  }
  return 0;
}
