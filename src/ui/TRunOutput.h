#pragma once
// What a run shows while it is under way: the new lines of the log and of
// the list output, and the folder being walked.  During a run they are
// gathered and put into their controls together when the repaint clock
// ticks (kRepaintMs after the first of them), so each box takes one append
// per repaint and the run's own output makes the window lay out and paint at
// most that often.  The pumping between targets then only takes input.
// Outside a run every line goes to its box at once.

#include <QObject>
#include <QTimer>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class TMemo;
class TStatusPanels;

class TRunOutput : public QObject {
public:
  static constexpr int kRepaintMs = 40;

  TRunOutput(TMemo &log, TMemo &list, TStatusPanels &status, QObject *parent);

  // Gathering from Begin() to End(); End() shows what is left.  A run's
  // records are counted for the progress in the status bar, against
  // `total` when it is known (0: not).
  void Begin(std::size_t total = 0);
  void End();
  // The row of the log box holding the first failed record of the last
  // run, if it had one.
  std::optional<int> FirstFailureRow() const { return firstFailure_; }

  void AddLogLine(const std::string &line);
  void AddListLine(const std::string &line);
  // The first status panel (CP932).
  void SetStatusText(const std::string &text);

  // The box emptied at once; lines gathered for it and not yet shown are
  // dropped with it, as they were written before the box was emptied.
  void ClearLog();
  void ClearList();

  // Everything gathered goes into its control now.
  void Flush();

private:
  void Gathered();

  TMemo &log_;
  TMemo &list_;
  TStatusPanels &status_;
  bool gathering_ = false;
  std::size_t total_ = 0;
  std::size_t records_ = 0;
  int startRow_ = 0;
  std::optional<int> firstFailure_;
  std::vector<std::string> logLines_;
  std::vector<std::string> listLines_;
  QTimer clock_;
};
