#include "ui/TEscapeWatch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

TEscapeWatch::TEscapeWatch(QWidget *window, std::function<void()> onEscape)
    : QObject(window), window_(window), onEscape_(std::move(onEscape)) {
  qApp->installEventFilter(this);
}

bool TEscapeWatch::eventFilter(QObject *watched, QEvent *event) {
  // The application filter sees the key before the focused control does.
  // An unhandled key is offered to the parents as well, so one press may be
  // reported more than once; raising a flag twice does no harm.
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto *widget = static_cast<QWidget *>(watched);
    if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
        (widget == window_ || window_->isAncestorOf(widget))) {
      onEscape_();
    }
  }
  return false;
}
