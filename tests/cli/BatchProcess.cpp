#include "BatchProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>

extern char **environ;

namespace {

// The program under test: the one built beside the tests, or the one
// KORVANE_BATCH_UNDER_TEST names (an installed one, an older build).
std::string ProgramUnderTest() {
  const char *named = std::getenv("KORVANE_BATCH_UNDER_TEST");
  return named && *named ? named : KORVANE_BATCH_PATH;
}

}  // namespace

Strings TResult::OutLines() const {
  Strings lines;
  std::istringstream in(Out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TBatchProcess::TBatchProcess(const Strings &arguments, bool stderrTerminal) {
  int out[2], err[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe");
  int errChild = -1;
  if (stderrTerminal) {
    err[0] = posix_openpt(O_RDWR | O_NOCTTY);
    if (err[0] < 0 || grantpt(err[0]) != 0 || unlockpt(err[0]) != 0)
      throw std::runtime_error("posix_openpt");
    errChild = open(ptsname(err[0]), O_RDWR | O_NOCTTY);
    if (errChild < 0) throw std::runtime_error("ptsname");
  } else {
    if (pipe(err) != 0) throw std::runtime_error("pipe");
    errChild = err[1];
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errChild, 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, err[0]);
  const std::string program = ProgramUnderTest();
  std::vector<std::string> all = {program};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char *> argv;
  for (std::string &argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  if (posix_spawn(&Pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
    throw std::runtime_error("posix_spawn");
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(errChild);
  Out_ = out[0];
  Err_ = err[0];
}

TBatchProcess::~TBatchProcess() {
  if (!Finished_) {
    kill(Pid_, SIGKILL);
    Finish();
  }
}

void TBatchProcess::ReadOutAtLeast(std::size_t bytes) {
  char buffer[4096];
  while (Out_ >= 0 && Result_.Out.size() < bytes) {
    ssize_t got = read(Out_, buffer, sizeof buffer);
    if (got <= 0) return;
    Result_.Out.append(buffer, static_cast<std::size_t>(got));
  }
}

void TBatchProcess::ReadFor(double seconds) {
  auto now = [] {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
  };
  const double end = now() + seconds;
  pollfd fds[2] = {{Out_, POLLIN, 0}, {Err_, POLLIN, 0}};
  std::string *sinks[2] = {&Result_.Out, &Result_.Err};
  for (double left = seconds; left > 0; left = end - now()) {
    if (poll(fds, 2, static_cast<int>(left * 1000) + 1) <= 0) return;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & POLLIN)) continue;
      char buffer[65536];
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) sinks[i]->append(buffer, static_cast<std::size_t>(got));
      else fds[i].fd = -1;  // ended; Finish closes it
    }
    if (fds[0].fd < 0 && fds[1].fd < 0) return;
  }
}

void TBatchProcess::CloseOut() {
  if (Out_ >= 0) close(Out_);
  Out_ = -1;
}

void TBatchProcess::Signal(int signal) { kill(Pid_, signal); }

TResult TBatchProcess::Finish() {
  pollfd fds[2] = {{Out_, POLLIN, 0}, {Err_, POLLIN, 0}};
  std::string *sinks[2] = {&Result_.Out, &Result_.Err};
  int open = (Out_ >= 0) + (Err_ >= 0);
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[65536];
      ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else {
        // A pseudo-terminal reports the last writer's close as EIO.
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  Out_ = Err_ = -1;
  int status = 0;
  rusage usage{};
  wait4(Pid_, &status, 0, &usage);
  Result_.PeakKb = usage.ru_maxrss;
  Finished_ = true;
  Result_.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return Result_;
}

TResult RunBatch(const Strings &arguments) { return TBatchProcess(arguments).Finish(); }
