#include "ui/TCloseOnSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <system_error>

namespace {

// The write end of the pipe, and whether a signal is waiting to be handled;
// all the handler may touch.
volatile std::sig_atomic_t gSignalPipe = -1;
volatile std::sig_atomic_t gCloseRequested = 0;

extern "C" void OnCloseSignal(int signal) {
  if (gCloseRequested != 0) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
    return;
  }
  gCloseRequested = 1;
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(gSignalPipe, &byte, 1);
  errno = saved;
}

}  // namespace

TCloseOnSignals::TCloseOnSignals(QWidget &window) : window_(window) {
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  gSignalPipe = pipe_[1];
  gCloseRequested = 0;
  notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Close(); });

  struct sigaction action {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  // Restarted calls: a file operation under way goes on, and the run stops
  // at its next target.
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

TCloseOnSignals::~TCloseOnSignals() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
  gSignalPipe = -1;
  notifier_.reset();
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void TCloseOnSignals::Close() {
  char buffer[16];
  while (::read(pipe_[0], buffer, sizeof buffer) > 0) {
  }
  gCloseRequested = 0;
  // A modal dialog first: its own event loop would keep the window's close
  // waiting.  One that refuses to close stops the loop.
  while (QWidget *modal = QApplication::activeModalWidget()) {
    if (modal == &window_ || !modal->close()) break;
  }
  window_.close();
}
