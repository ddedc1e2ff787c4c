#pragma once
// The status bar with its two panels: panel 0 for hints and messages,
// panel 1 (right-aligned) for the clock.

#include <QStatusBar>

class QLabel;

class TStatusPanels : public QStatusBar {
  Q_OBJECT
public:
  static constexpr int kPanel0Width = 420;

  explicit TStatusPanels(QWidget *parent);

  QString PanelText(int panel) const;
  void SetPanelText(int panel, const QString &text);

private:
  QLabel *panels_[2];
};
