#pragma once
// The status bar with its two panels: panel 0 for hints and messages,
// panel 1 (right-aligned) for the clock.

#include <QStatusBar>

#include <optional>

class QLabel;

class TStatusPanels : public QStatusBar {
  Q_OBJECT
public:
  static constexpr int kPanel0Width = 420;

  explicit TStatusPanels(QWidget *parent);

  QString PanelText(int panel) const;
  void SetPanelText(int panel, const QString &text);

  // A text the panel takes with the next ShowDeferred(), unless it is
  // written before then: a panel shows whatever was written last.  A run
  // names each folder it enters this way, so a walk through many folders
  // redraws the bar only as often as the run shows its output.
  void SetPanelTextLater(int panel, const QString &text);
  void ShowDeferred();

private:
  QLabel *panels_[2];
  std::optional<QString> deferred_[2];
};
