#include "ui/TStatusPanels.h"

#include <QLabel>

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
}

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
