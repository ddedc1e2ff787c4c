#include "ui/TPageStretch.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

TPageStretch::TPageStretch(QWidget *page, const QWidget *pages, QSize pagesLeast)
    : QObject(page), Page_(page), Pages_(pages), PagesLeast_(pagesLeast) {
  page->installEventFilter(this);
}

void TPageStretch::Follow(QWidget *control, unsigned how) {
  Items_.push_back(TItem{control, control->geometry(), how});
}

bool TPageStretch::eventFilter(QObject *watched, QEvent *event) {
  if (watched != Page_ || event->type() != QEvent::Resize) return false;
  const int dw = std::max(0, Pages_->width() - PagesLeast_.width());
  const int dh = std::max(0, Pages_->height() - PagesLeast_.height());
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
