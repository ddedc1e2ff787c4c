// The window's program where no display can be reached (ssh, a server): two
// lines that say so and point to korvane-batch, and exit status 2, instead
// of Qt's plugin message and an abort.
// (Compiled with UTF-8 literals, as every source of the window.)

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TStart {
  int Exit = -1;
  std::string Err;
};

TStart StartWith(std::vector<std::string> environment) {
  environment.push_back("HOME=/nonexistent");
  environment.push_back("PATH=/usr/bin:/bin");
  std::vector<char *> envp;
  for (std::string &entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  int err[2];
  if (pipe(err) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_addclose(&actions, err[0]);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 0, 0);
  std::string program = KORVANE_WINDOW_PATH;
  char *argv[] = {program.data(), nullptr};
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(err[1]);
  TStart start;
  char buffer[4096];
  for (ssize_t got; (got = read(err[0], buffer, sizeof buffer)) > 0;) start.Err.append(buffer, got);
  close(err[0]);
  if (spawned != 0) return start;
  int status = 0;
  waitpid(pid, &status, 0);
  start.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return start;
}

TEST(StartWithoutDisplayTest, SaysSoInJapaneseAndEnglishAndExitsWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},                         // nothing set at all
      {"DISPLAY=:77"},            // a display that is not there
      {"QT_QPA_PLATFORM=xcb"},    // X11 asked for, without a display
  };
  for (const auto &environment : cases) {
    const TStart start = StartWith(environment);
    const std::string shown = environment.empty() ? "(none)" : environment.front();
    EXPECT_EQ(start.Exit, 2) << shown << "\n" << start.Err;
    EXPECT_NE(start.Err.find("korvane: ディスプレイが見つかりません。"), std::string::npos) << start.Err;
    EXPECT_NE(start.Err.find("korvane: no display found; korvane-batch runs the same jobs"),
              std::string::npos)
        << start.Err;
    EXPECT_EQ(start.Err.find("platform plugin"), std::string::npos) << start.Err;
  }
}

}  // namespace
