#pragma once
// The status bar with its two panels: panel 0 for hints and messages,
// panel 1 (right-aligned) for the clock.

#include <QStatusBar>

#include <cstddef>
#include <optional>

class QLabel;

class QProgressBar;

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

  // A run's progress over the right end of the first panel: "n / total"
  // with a bar, or, with no total known (0), "n 件" with a moving bar.
  void ShowProgress(std::size_t done, std::size_t total);
  void HideProgress();
  QProgressBar *Progress() const { return progress_; }
  QString ProgressText() const;

protected:
  void resizeEvent(QResizeEvent *event) override;

private:
  void PlaceProgress();

  QLabel *panels_[2];
  QLabel *count_ = nullptr;
  QProgressBar *progress_ = nullptr;
  std::optional<QString> deferred_[2];
};
