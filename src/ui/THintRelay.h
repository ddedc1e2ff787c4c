#pragma once
// Shows the hint of the control under the mouse in the first status panel.
// A control without a hint of its own shows that of the nearest enclosing
// control that has one (a page's hint covers its bare labels); leaving the
// window clears the panel.  Hints are the controls' tool tips, so both
// forms always show the same whole text.  The panel is written only when the
// hint changes: moving within one control, or onto a part of it (the edit
// of a combo box), keeps whatever message the panel shows.

#include <QObject>

class QWidget;
class TStatusPanels;

class THintRelay : public QObject {
  Q_OBJECT
public:
  // Watches every widget of `window` (through an application event filter,
  // since Enter and Leave go to the innermost widget only).
  THintRelay(QWidget *window, TStatusPanels *status);

  // The hint shown for `widget`: its own, else its nearest ancestor's within
  // the window, else empty.
  QString HintOf(QWidget *widget) const;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  bool IsInWindow(QWidget *widget) const;
  void ShowHint(const QString &hint);

  QWidget *window_;
  TStatusPanels *status_;
  QString hint_;  // the hint written last
};
