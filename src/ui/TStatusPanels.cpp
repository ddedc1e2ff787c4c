#include "ui/TStatusPanels.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>

TStatusPanels::TStatusPanels(QWidget *parent) : QStatusBar(parent) {
  setSizeGripEnabled(false);
  setContentsMargins(0, 0, 0, 0);
  for (QLabel *&panel : panels_) {
    panel = new QLabel(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
  }
  // The clock takes what is left of the width, and panel 0 gives up what
  // the clock needs to show the whole date and time in the window's font.
  const int clockWidth =
      panels_[1]->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00 00:00:00")) + 12;
  const int windowWidth = parent != nullptr ? parent->width() : 0;
  panels_[0]->setFixedWidth(windowWidth > clockWidth
                                ? std::min(kPanel0Width, windowWidth - clockWidth)
                                : kPanel0Width);
  panels_[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  addWidget(panels_[0]);
  addWidget(panels_[1], 1);

  count_ = new QLabel(panels_[0]);
  count_->setTextFormat(Qt::PlainText);
  count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  count_->setAutoFillBackground(true);
  progress_ = new QProgressBar(panels_[0]);
  progress_->setTextVisible(false);
  progress_->setAccessibleName(QStringLiteral("進行状況"));
  count_->hide();
  progress_->hide();
}

void TStatusPanels::resizeEvent(QResizeEvent *event) {
  QStatusBar::resizeEvent(event);
  PlaceProgress();
}

void TStatusPanels::PlaceProgress() {
  const QRect inside = panels_[0]->contentsRect();
  const int bar = 80;
  const int count = count_->fontMetrics().horizontalAdvance(QStringLiteral("000000 / 000000")) + 8;
  progress_->setGeometry(inside.right() - bar - 1, inside.top() + 2, bar, std::max(4, inside.height() - 4));
  count_->setGeometry(progress_->x() - count, inside.top(), count, inside.height());
}

void TStatusPanels::ShowProgress(std::size_t done, std::size_t total) {
  if (progress_->isHidden()) {
    PlaceProgress();
    count_->show();
    progress_->show();
  }
  if (total == 0) {
    progress_->setRange(0, 0);
    count_->setText(QStringLiteral("%1 件").arg(done));
  } else {
    // The bar counts in thousandths, as a run can pass int's range.
    progress_->setRange(0, 1000);
    progress_->setValue(static_cast<int>(std::min<std::size_t>(done, total) * 1000 / total));
    count_->setText(QStringLiteral("%1 / %2").arg(done).arg(total));
  }
}

void TStatusPanels::HideProgress() {
  count_->hide();
  progress_->hide();
}

QString TStatusPanels::ProgressText() const { return count_->isVisible() ? count_->text() : QString(); }

QString TStatusPanels::PanelText(int panel) const { return panels_[panel]->text(); }

void TStatusPanels::SetPanelText(int panel, const QString &text) {
  deferred_[panel].reset();
  panels_[panel]->setText(text);
}

void TStatusPanels::SetPanelTextLater(int panel, const QString &text) { deferred_[panel] = text; }

void TStatusPanels::ShowDeferred() {
  for (int panel = 0; panel < 2; ++panel) {
    if (!deferred_[panel]) continue;
    const QString text = std::move(*deferred_[panel]);
    SetPanelText(panel, text);
  }
}
