#pragma once
// The rename page's live list: the first targets of the job with the names
// they would get, in the room a window larger than its least size leaves
// below the page's controls, or beside them when there is more room there.
// At the least size there is no room, and the list is hidden: the page
// looks as the layout placed it.
//
// The list shows the rows it is given (TPlanTableModel); it makes no plan
// itself.  Its columns sort on a click, and "失敗のみ" narrows it to the
// rows predicted to fail or marked as collisions.

#include <QWidget>

#include <cstddef>
#include <string>

class QCheckBox;
class QLabel;
class QSortFilterProxyModel;
class QTableView;
class TPlanTableModel;

class TLiveList : public QWidget {
  Q_OBJECT
public:
  // The least room, in pixels, the list needs to be shown below the
  // controls, and beside them.
  static constexpr int kLeastHeight = 72;
  static constexpr int kLeastWidth = 260;

  // A child of `page`, made after the page's own controls.
  explicit TLiveList(QWidget *page);
  ~TLiveList() override;

  // The rows, replaced by each plan (paths relative to `targetFolder`).
  TPlanTableModel &Model() { return *Model_; }
  void Clear(const std::string &targetFolder);
  // The rows are complete: `shown` targets of `total` (of at least
  // `total` when not `counted` to the end); collisions among them are
  // marked.
  void Finish(std::size_t shown, std::size_t total, bool counted = true);
  // The job cannot be planned now; the rows of the last plan stay.
  void ShowRefusal(const QString &message);

  QLabel *Summary() const { return Summary_; }
  QCheckBox *FailuresOnly() const { return FailuresOnly_; }
  QTableView *Table() const { return Table_; }

signals:
  // The list came into view: its rows may be out of date.
  void Shown();
  // The rows or the summary were brought up to date.
  void Updated();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;

private:
  void Place();

  QWidget *Page_;
  TPlanTableModel *Model_;
  QSortFilterProxyModel *Proxy_;
  QLabel *Summary_;
  QCheckBox *FailuresOnly_;
  QTableView *Table_;
  int Scrolled_ = 0;
};
