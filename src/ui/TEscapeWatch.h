#pragma once
// Sees the Esc key before any control of the window does (whichever control
// has the focus) and reports it; the key is not consumed.

#include <QObject>

#include <functional>

class QWidget;

class TEscapeWatch : public QObject {
  Q_OBJECT
public:
  TEscapeWatch(QWidget *window, std::function<void()> onEscape);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  QWidget *window_;
  std::function<void()> onEscape_;
};
