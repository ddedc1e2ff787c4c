#include "ui/THintRelay.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include "ui/TStatusPanels.h"

THintRelay::THintRelay(QWidget *window, TStatusPanels *status)
    : QObject(window), window_(window), status_(status) {
  qApp->installEventFilter(this);
}

QString THintRelay::HintOf(QWidget *widget) const {
  for (QWidget *w = widget; w != nullptr; w = w->parentWidget()) {
    if (!w->toolTip().isEmpty()) return w->toolTip();
    if (w == window_) break;
  }
  return {};
}

bool THintRelay::IsInWindow(QWidget *widget) const {
  return widget != nullptr && (widget == window_ || window_->isAncestorOf(widget));
}

void THintRelay::ShowHint(const QString &hint) {
  if (hint == hint_) return;
  hint_ = hint;
  status_->SetPanelText(0, hint);
}

bool THintRelay::eventFilter(QObject *watched, QEvent *event) {
  if (!watched->isWidgetType()) return false;
  auto *widget = static_cast<QWidget *>(watched);
  if (event->type() == QEvent::Enter && IsInWindow(widget)) {
    ShowHint(HintOf(widget));
  } else if (event->type() == QEvent::Leave && IsInWindow(widget)) {
    // Back to the enclosing control's hint; off the window entirely, none.
    ShowHint(widget == window_ ? QString() : HintOf(widget->parentWidget()));
  }
  return false;
}
