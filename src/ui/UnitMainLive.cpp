// The live list's refresh: every edit of the window starts a short clock,
// and when the edits pause the list is planned again, if it is in view.
// The clock keeps typing smooth: a burst of keys plans once, after the last.

#include <QGuiApplication>
#include <QTimer>

#include "run/RunDriver.h"
#include "ui/TJobWatch.h"
#include "ui/TLiveList.h"
#include "ui/TLivePlan.h"
#include "ui/TWindowHost.h"
#include "ui/UnitMain.h"

void TBunselMain::ConnectLive() {
  LivePlan_ = std::make_unique<TLivePlan>(*Host_, *RenameCn_, *CopyCn_, *DeleteCn_, *ChangeCn_);
  LiveTimer_ = new QTimer(this);
  LiveTimer_->setSingleShot(true);
  LiveTimer_->setInterval(kLiveDelayMs);
  connect(LiveTimer_, &QTimer::timeout, this, [this] { RefreshLive(); });
  LiveWatch_ = std::make_unique<TJobWatch>(*this, [this] { ScheduleLive(); });
  connect(c_.LiveList, &TLiveList::Shown, this, [this] { ScheduleLive(); });
  // Files renamed in a file manager meanwhile show when the user comes back.
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) LiveListAgain();
  });
}

void TBunselMain::ScheduleLive() {
  if (c_.LiveList->isVisible()) LiveTimer_->start();
}

void TBunselMain::RefreshLive() {
  if (!c_.LiveList->isVisible()) return;
  // A run pumps events: the list waits for its end (LiveListAgain).  A job
  // half put into the controls waits for the rest of it.
  if (RunDriver_->IsRunning()) return;
  if (InputPaused_ > 0) {
    LiveTimer_->start();
    return;
  }
  LivePlan_->Refresh(ReadJob(), *c_.LiveList);
}

void TBunselMain::LiveListAgain() {
  LivePlan_->Forget();
  ScheduleLive();
}
