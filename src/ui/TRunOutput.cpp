#include "ui/TRunOutput.h"

#include <algorithm>

#include "run/RunLog.h"
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

void TRunOutput::Begin(std::size_t total) {
  gathering_ = true;
  total_ = total;
  records_ = 0;
  startRow_ = log_.Count();
  firstFailure_.reset();
}

void TRunOutput::End() {
  Flush();
  gathering_ = false;
  status_.HideProgress();
  // The first failure of the run, for the log page to show.
  const std::vector<std::string> &lines = log_.Lines();
  for (std::size_t row = static_cast<std::size_t>(std::max(0, startRow_)); row < lines.size(); ++row)
    if (IsFailedRecordLine(lines[row])) {
      firstFailure_ = static_cast<int>(row);
      break;
    }
}

void TRunOutput::AddLogLine(const std::string &line) {
  if (gathering_ && IsRecordLine(line)) ++records_;
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
  if (gathering_ && records_ > 0) status_.ShowProgress(records_, total_);
}

void TRunOutput::Gathered() {
  if (!gathering_) {
    Flush();
  } else if (!clock_.isActive()) {
    clock_.start();
  }
}
