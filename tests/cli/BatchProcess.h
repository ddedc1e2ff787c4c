#pragma once
// korvane-batch as a child process for the tests: its stdout and stderr on
// pipes (or stderr on a pseudo-terminal), signals, and the exit status as
// a shell reports it (128 + N for a signal).

#include <gtest/gtest.h>

#include <sys/types.h>

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "TempTree.h"

using Strings = std::vector<std::string>;

inline std::string U8(const char8_t *text) { return reinterpret_cast<const char *>(text); }

struct TResult {
  int Exit = -1;
  std::string Out;
  std::string Err;
  long PeakKb = 0;  // the program's peak resident memory
  Strings OutLines() const;
};

class TBatchProcess {
public:
  // `stderrTerminal`: stderr is the slave side of a pseudo-terminal.
  explicit TBatchProcess(const Strings &arguments, bool stderrTerminal = false);
  ~TBatchProcess();
  TBatchProcess(const TBatchProcess &) = delete;
  TBatchProcess &operator=(const TBatchProcess &) = delete;

  // Reads stdout until it holds at least `bytes` bytes (or ends).
  void ReadOutAtLeast(std::size_t bytes);
  // Reads stdout and stderr for `seconds`, so that the program never waits
  // on a full pipe meanwhile.
  void ReadFor(double seconds);
  // Closes the reading end of stdout, as a reader that goes away does.
  void CloseOut();
  void Signal(int signal);
  TResult Finish();

private:
  pid_t Pid_ = -1;
  int Out_ = -1;
  int Err_ = -1;
  bool Finished_ = false;
  TResult Result_;
};

TResult RunBatch(const Strings &arguments);

class BatchTest : public ::testing::Test {
protected:
  std::string P(std::string_view relative = {}) const { return Tree.Native(relative).string(); }
  // A settings file; `text` is CP932 (narrow literals are), lines joined by CR LF.
  std::string Settings(const std::string &text, std::string_view name = "job.ini") {
    std::string path = P(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  TTempTree Tree;
};
