#pragma once
// Controls placed at fixed spots on a page that follow the page when the
// window is made larger than its least size: a box grows with it, a button
// keeps its distance from the page's right or bottom edge.  At the least
// size every control is where the layout placed it.

#include <QObject>
#include <QRect>
#include <QSize>

#include <optional>
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

  // Owned by `page`.
  explicit TPageStretch(QWidget *page);
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
  std::optional<QSize> Least_;
  std::vector<TItem> Items_;
};
