#include "ui/TWindowHost.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLabel>
#include <QTabWidget>

#include "core/Histories.h"
#include "ui/JobTexts.h"
#include "ui/QtText.h"
#include "ui/THistoryCombo.h"
#include "ui/TJobControls.h"
#include "ui/TMaskEdit.h"
#include "ui/TRunOutput.h"
#include "ui/TStatusPanels.h"

TWindowHost::TWindowHost(QWidget &window, const TMainControls &controls, const TRenameCn &rename,
                         TRunOutput &output)
    : c_(controls), rename_(rename), output_(output), watch_(window), job_(DefaultJob()) {}

TWindowHost::~TWindowHost() { SetBusyCursor(false); }

void TWindowHost::BeginRun(std::size_t total) {
  inRun_ = true;
  lastPump_ = {};
  jobCurrent_ = false;
  output_.Begin(total);
}

void TWindowHost::EndRun() {
  output_.End();
  inRun_ = false;
  jobCurrent_ = false;
}

const JobSettings &TWindowHost::Job() {
  if (!jobCurrent_ || watch_.Changes() != changesAtRead_) {
    changesAtRead_ = watch_.Changes();
    job_ = ReadJobFromControls(c_, rename_);
    ++jobReads_;
    // Outside a run nothing tells of changes made without a signal (a list
    // given its default choice quietly), so only a run keeps the read.
    jobCurrent_ = inRun_;
  }
  return job_;
}

// Input only, in effect: the run's own output waits for the repaint clock.
// The walk asks at every entry, and a look at an empty queue costs about as
// much as listing an entry; after such a look the queue is looked at again
// once a millisecond has gone by, which no key press can tell from every
// time.  A look that found something is followed by another at the next
// ask (one event often brings the next: a signal's note, a timer's), and a
// run's first ask always looks.
void TWindowHost::ProcessMessages() {
  using namespace std::chrono;
  if (steady_clock::now() - lastPump_ < milliseconds(1)) return;
  QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
  const bool found = dispatcher != nullptr && dispatcher->processEvents(QEventLoop::AllEvents);
  lastPump_ = found ? steady_clock::time_point{} : steady_clock::now();
}

void TWindowHost::SetStatusText(const std::string &text) { output_.SetStatusText(text); }

void TWindowHost::SetRunMessage(const std::string &text) { c_.LabelMessage->setText(Q(text)); }

void TWindowHost::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void TWindowHost::AddLogLine(const std::string &line) { output_.AddLogLine(line); }

void TWindowHost::ShowLogPage() { c_.PageControlExec->setCurrentWidget(c_.TabSheetRestore); }

void TWindowHost::ClearList() { output_.ClearList(); }

void TWindowHost::AddListLine(const std::string &path) { output_.AddListLine(path); }

void TWindowHost::ShowPage(TRunPage page) {
  switch (page) {
    case TRunPage::None: return;
    case TRunPage::TabSheetTarget: c_.PageControlFile->setCurrentWidget(c_.TabSheetTarget); return;
    case TRunPage::TabSheetCond: c_.PageControlFile->setCurrentWidget(c_.TabSheetCond); return;
  }
}

void TWindowHost::SetFocus(TRunFocus control) {
  QWidget *target = nullptr;
  switch (control) {
    case TRunFocus::None: return;
    case TRunFocus::ComboBoxFolder: target = c_.ComboBoxFolder; break;
    case TRunFocus::ComboBoxFilter: target = c_.ComboBoxFilter; break;
    case TRunFocus::MaskEditDateFrom: target = c_.MaskEditDateFrom; break;
    case TRunFocus::MaskEditDateTo: target = c_.MaskEditDateTo; break;
    case TRunFocus::ComboBoxCopyFolder: target = c_.ComboBoxCopyFolder; break;
    case TRunFocus::MaskEditUpDate: target = c_.MaskEditUpDate; break;
    case TRunFocus::MaskEditNwDate: target = c_.MaskEditNwDate; break;
    case TRunFocus::MaskEditAcDate: target = c_.MaskEditAcDate; break;
  }
  if (target != nullptr && target->isEnabled()) target->setFocus(Qt::OtherFocusReason);
}

THistoryCombo *TWindowHost::Box(THistoryBox box) const {
  switch (box) {
    case THistoryBox::Folder: return c_.ComboBoxFolder;
    case THistoryBox::CopyFolder: return c_.ComboBoxCopyFolder;
    case THistoryBox::Filter: return c_.ComboBoxFilter;
    case THistoryBox::Exception: return c_.ComboBoxException;
    case THistoryBox::FromName: return c_.ComboBoxFromName;
    case THistoryBox::ToName: return c_.ComboBoxToName;
  }
  return nullptr;
}

bool TWindowHost::IsHistoryTextTyped(THistoryBox box) { return Box(box)->ItemIndex() < 0; }

void TWindowHost::PushHistory(THistoryBox box, const std::string &text) {
  THistoryCombo *combo = Box(box);
  std::vector<std::string> items = combo->Items();
  ::PushHistory(items, text);
  combo->SetItems(items);
}

void TWindowHost::PushReplaceHistory(THistoryBox box,
                                     const std::array<std::string, kConditionCount> &texts) {
  THistoryCombo *combo = Box(box);
  std::vector<std::string> items = combo->Items();
  ::PushReplaceHistory(items, texts);
  combo->SetItems(items);
}
