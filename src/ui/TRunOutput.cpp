#include "ui/TRunOutput.h"

#include "ui/QtText.h"
#include "ui/TMemo.h"
#include "ui/TStatusPanels.h"

TRunOutput::TRunOutput(TMemo &log, TMemo &list, TStatusPanels &status, QObject *parent)
    : QObject(parent), log_(log), list_(list), status_(status) {
  clock_.setSingleShot(true);
  clock_.setInterval(kRepaintMs);
  clock_.setTimerType(Qt::PreciseTimer);
  connect(&clock_, &QTimer::timeout, this, [this] { Flush(); });
}

void TRunOutput::Begin() { gathering_ = true; }

void TRunOutput::End() {
  Flush();
  gathering_ = false;
}

void TRunOutput::AddLogLine(const std::string &line) {
  logLines_.push_back(line);
  Gathered();
}

void TRunOutput::AddListLine(const std::string &line) {
  listLines_.push_back(line);
  Gathered();
}

void TRunOutput::SetStatusText(const std::string &text) {
  if (gathering_) {
    status_.SetPanelTextLater(0, Q(text));
    Gathered();
  } else {
    status_.SetPanelText(0, Q(text));
  }
}

void TRunOutput::ClearLog() {
  logLines_.clear();
  log_.Clear();
}

void TRunOutput::ClearList() {
  listLines_.clear();
  list_.Clear();
}

void TRunOutput::Flush() {
  clock_.stop();
  log_.AppendLines(logLines_);
  list_.AppendLines(listLines_);
  status_.ShowDeferred();
}

void TRunOutput::Gathered() {
  if (!gathering_) {
    Flush();
  } else if (!clock_.isActive()) {
    clock_.start();
  }
}
