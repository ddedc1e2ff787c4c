#include "QtTestSupport.h"

#include <QCoreApplication>

TKorvaneApplication &Application() {
  return *dynamic_cast<TKorvaneApplication *>(QCoreApplication::instance());
}

TErrorRecorder::TErrorRecorder() {
  Application().SetErrorBox([this](const QString &caption, const QString &text) {
    Captions.push_back(caption);
    Texts.push_back(text);
  });
}

TErrorRecorder::~TErrorRecorder() { Application().SetErrorBox(nullptr); }
