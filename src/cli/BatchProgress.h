#pragma once
// The progress line of korvane-batch: on a terminal only, one line on
// stderr (targets done, elapsed time, the folder being walked), redrawn in
// place at most ten times a second and wiped before anything else is
// printed, so that it never mixes with the log or a message.

#include <cstddef>
#include <cstdint>
#include <string>

// <chrono> cannot be compiled with Shift-JIS literals (it holds a "µs"),
// so times are milliseconds of the monotonic clock.
using TMilliseconds = std::int64_t;
TMilliseconds MonotonicMilliseconds();

class TBatchProgress {
public:
  // `fd` is the descriptor the line goes to; nothing is ever drawn unless
  // it is a terminal.
  explicit TBatchProgress(int fd);
  TBatchProgress(int fd, bool terminal, int columns);  // for the tests

  bool Enabled() const { return Enabled_; }

  // True when the line is to be redrawn: it is enabled and was not drawn in
  // the last 100 ms.
  bool Due(TMilliseconds now = MonotonicMilliseconds()) const;
  // Redraws the line when it is due.  `folder` is UTF-8.
  void Update(std::size_t done, const std::string &folder,
              TMilliseconds now = MonotonicMilliseconds());
  // Wipes the line if it is shown (before other output, and at the end).
  void Clear();

  // The line as it is drawn: "N 件  m:ss  folder", cut to fit `columns`
  // (the folder loses its beginning first).  Wide characters count two.
  static std::string Format(std::size_t done, std::int64_t elapsedSeconds,
                            const std::string &folder, int columns);

private:
  void Write(const std::string &text);

  int Fd_;
  bool Enabled_;
  int Columns_;
  bool Shown_ = false;
  TMilliseconds Start_;
  TMilliseconds LastDraw_ = 0;
  bool Drawn_ = false;
};
