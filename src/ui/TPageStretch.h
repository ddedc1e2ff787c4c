#pragma once
// Controls placed at fixed spots on a page that follow the page when the
// window is made larger than its least size: a box grows with it, a button
// keeps its distance from the page's right or bottom edge.  At the least
// size every control is where the layout placed it.

#include <QObject>
#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

class TPageStretch : public QObject {
public:
  enum TFollow : unsigned {
    kGrowWidth = 1,
    kGrowHeight = 2,
    kKeepRight = 4,   // moves right as the page widens
    kKeepBottom = 8,  // moves down as the page grows taller
  };

  // Owned by `page`, a page of `pages`, whose least size is `pagesLeast`:
  // what the page gains is what its page control has over that size, so
  // the first size the page is given (a window may start large) needs to
  // be no particular one.
  TPageStretch(QWidget *page, const QWidget *pages, QSize pagesLeast);
  void Follow(QWidget *control, unsigned how);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  struct TItem {
    QWidget *Control;
    QRect Placed;
    unsigned How;
  };
  QWidget *Page_;
  const QWidget *Pages_;
  QSize PagesLeast_;
  std::vector<TItem> Items_;
};
