#pragma once
// Support for the tests that run Qt: the application object and a recorder
// that takes the place of the error box for the life of a test.

#include <QStringList>

#include "ui/session/TKorvaneApplication.h"

TKorvaneApplication &Application();

class TErrorRecorder {
public:
  TErrorRecorder();
  ~TErrorRecorder();
  TErrorRecorder(const TErrorRecorder &) = delete;
  TErrorRecorder &operator=(const TErrorRecorder &) = delete;

  QStringList Captions;
  QStringList Texts;
};

// Calls `inspect` with the modal dialog of type TDialog once it is up (from
// a timer that fires inside the dialog's own event loop).  It looks again
// every 10 ms; after 3 s it gives up and calls `inspect` with nullptr.
template <class TDialog, class F>
void WhenModal(F inspect, int triesLeft = 300);

#include <QApplication>
#include <QTimer>

template <class TDialog, class F>
void WhenModal(F inspect, int triesLeft) {
  QTimer::singleShot(triesLeft == 300 ? 0 : 10, [inspect, triesLeft] {
    auto *dialog = qobject_cast<TDialog *>(QApplication::activeModalWidget());
    if (dialog == nullptr && triesLeft > 0) {
      WhenModal<TDialog>(inspect, triesLeft - 1);
    } else {
      inspect(dialog);
    }
  });
}
