#pragma once
// SIGTERM (log-out, shut-down), SIGINT (Ctrl+C in the terminal) and SIGHUP
// (the terminal went away) close the window as its close button does, so
// the histories and the carried-over job are written and a run under way
// stops at its next target first.  The handler only writes a byte to a
// pipe; the window's thread reads it, closes any open dialog and then the
// window.  A second signal before the first has been handled ends the
// program the default way, so a close that hangs can still be stopped.

#include <QObject>

#include <csignal>
#include <iterator>
#include <memory>

class QSocketNotifier;
class QWidget;

class TCloseOnSignals : public QObject {
public:
  // Installs the handlers for as long as the object lives; one at a time.
  explicit TCloseOnSignals(QWidget &window);
  ~TCloseOnSignals() override;
  TCloseOnSignals(const TCloseOnSignals &) = delete;
  TCloseOnSignals &operator=(const TCloseOnSignals &) = delete;

  static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

private:
  void Close();

  QWidget &window_;
  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction previous_[std::size(kSignals)] = {};
};
