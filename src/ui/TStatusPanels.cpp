#include "ui/TStatusPanels.h"

#include <QLabel>

TStatusPanels::TStatusPanels(QWidget *parent) : QStatusBar(parent) {
  setSizeGripEnabled(false);
  setContentsMargins(0, 0, 0, 0);
  for (QLabel *&panel : panels_) {
    panel = new QLabel(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
  }
  panels_[0]->setFixedWidth(kPanel0Width);
  // The clock takes what is left of the width: the date and time need more
  // than 50 pixels in any Japanese font.
  panels_[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  addWidget(panels_[0]);
  addWidget(panels_[1], 1);
}

QString TStatusPanels::PanelText(int panel) const { return panels_[panel]->text(); }

void TStatusPanels::SetPanelText(int panel, const QString &text) {
  panels_[panel]->setText(text);
}
