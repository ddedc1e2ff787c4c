#include "ui/TPageStretch.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

TPageStretch::TPageStretch(QWidget *page) : QObject(page), Page_(page) { page->installEventFilter(this); }

void TPageStretch::Follow(QWidget *control, unsigned how) {
  Items_.push_back(TItem{control, control->geometry(), how});
}

bool TPageStretch::eventFilter(QObject *watched, QEvent *event) {
  if (watched != Page_ || event->type() != QEvent::Resize) return false;
  // The first size the page is given is the one its controls were placed for.
  if (!Least_) Least_ = Page_->size();
  const int dw = std::max(0, Page_->width() - Least_->width());
  const int dh = std::max(0, Page_->height() - Least_->height());
  for (const TItem &item : Items_) {
    QRect at = item.Placed;
    if (item.How & kGrowWidth) at.setWidth(at.width() + dw);
    if (item.How & kGrowHeight) at.setHeight(at.height() + dh);
    if (item.How & kKeepRight) at.translate(dw, 0);
    if (item.How & kKeepBottom) at.translate(0, dh);
    item.Control->setGeometry(at);
  }
  return false;
}
