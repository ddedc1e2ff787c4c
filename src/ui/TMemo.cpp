#include "ui/TMemo.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

#include "ui/QtText.h"
#include "ui/TMemoLines.h"

namespace {

// The editor of a line: a line edit with the window's text validator.
class TLineDelegate : public QStyledItemDelegate {
public:
  TLineDelegate(QValidator *validator, QObject *parent)
      : QStyledItemDelegate(parent), validator_(validator) {}

  QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                        const QModelIndex &index) const override {
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto *edit = qobject_cast<QLineEdit *>(editor); edit != nullptr && validator_ != nullptr)
      edit->setValidator(validator_);
    return editor;
  }

private:
  QValidator *validator_;
};

}  // namespace

TMemo::TMemo(TMode mode, QValidator *editValidator, QWidget *parent)
    : QTableView(parent), mode_(mode), lines_(new TMemoLines(mode == TMode::Editable, this)) {
  setModel(lines_);
  setItemDelegate(new TLineDelegate(editValidator, this));
  horizontalHeader()->hide();
  verticalHeader()->hide();
  // Every row one text line high, the line pitch of a text box; fixed
  // sizes keep a long box cheap.
  const int rowHeight = fontMetrics().lineSpacing();
  verticalHeader()->setMinimumSectionSize(rowHeight);
  verticalHeader()->setDefaultSectionSize(rowHeight);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setShowGrid(false);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);
  setCornerButtonEnabled(false);
  setTabKeyNavigation(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setEditTriggers(mode == TMode::Editable
                      ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed
                      : QAbstractItemView::NoEditTriggers);

  // The box follows the end while the user leaves it there: scrolling away
  // from the end stops that, scrolling back to the end starts it again.  A
  // scroll bar appearing or rows arriving change the range, not the value,
  // and so change nothing.
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { followEnd_ = AtEnd(); });

  setContextMenuPolicy(Qt::ActionsContextMenu);
  auto addAction = [this](const QString &caption, auto slot) {
    auto *action = new QAction(caption, this);
    connect(action, &QAction::triggered, this, slot);
    QWidget::addAction(action);
  };
  addAction(QStringLiteral("コピー(&C)"), [this] { CopySelection(); });
  if (mode == TMode::Editable) addAction(QStringLiteral("削除(&D)"), [this] { DeleteSelection(); });
  addAction(QStringLiteral("すべて選択(&A)"), [this] { selectAll(); });
}

void TMemo::AppendLines(std::vector<std::string> &lines) {
  if (lines.empty()) return;
  lines_->Append(lines);
  // The new rows are laid out and the scroll range set now, so that they
  // and the scroll to the end are drawn by one paint.
  executeDelayedItemsLayout();
  updateGeometries();
  WidenToContents();
  if (isVisible() && followEnd_) {
    scrollToBottom();
  } else {
    // A hidden box stays where it is, and follows the end again only once
    // it is scrolled there.
    followEnd_ = AtEnd();
  }
}

bool TMemo::AtEnd() const {
  const QScrollBar *bar = verticalScrollBar();
  return bar->value() >= bar->maximum();
}

void TMemo::SetLines(std::vector<std::string> lines) {
  widest_ = 0;
  lines_->SetLines(std::move(lines));
  followEnd_ = AtEnd();
  WidenToContents();
}

void TMemo::Clear() {
  widest_ = 0;
  lines_->Clear();
  followEnd_ = true;
  WidenToContents();
}

const std::vector<std::string> &TMemo::Lines() const { return lines_->Lines(); }

int TMemo::Count() const { return lines_->rowCount(); }

QString TMemo::Text() const {
  QStringList text;
  text.reserve(Count());
  for (const std::string &line : Lines()) text << Q(line);
  return text.join(QLatin1Char('\n'));
}

std::vector<int> TMemo::SelectedRows() const {
  std::vector<int> rows;
  for (const QItemSelectionRange &range : selectionModel()->selection()) {
    for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

QString TMemo::SelectedText() const {
  QStringList text;
  for (int row : SelectedRows()) text << Q(Lines()[static_cast<std::size_t>(row)]);
  return text.join(QLatin1Char('\n'));
}

void TMemo::CopySelection() const {
  const QString text = SelectedText();
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void TMemo::DeleteSelection() {
  if (mode_ != TMode::Editable) return;
  const std::vector<int> rows = SelectedRows();
  // From the end, one run of neighbouring rows at a time.
  for (auto last = rows.rbegin(); last != rows.rend();) {
    auto first = last;
    while (std::next(first) != rows.rend() && *std::next(first) == *first - 1) ++first;
    lines_->removeRows(*first, *last - *first + 1);
    last = std::next(first);
  }
}

void TMemo::keyPressEvent(QKeyEvent *event) {
  if (event == QKeySequence::Copy) {
    CopySelection();
  } else if (event == QKeySequence::SelectAll) {
    selectAll();
  } else if (mode_ == TMode::Editable && event == QKeySequence::Delete &&
             state() != QAbstractItemView::EditingState) {
    DeleteSelection();
  } else {
    QTableView::keyPressEvent(event);
    return;
  }
  event->accept();
}

void TMemo::resizeEvent(QResizeEvent *event) {
  QTableView::resizeEvent(event);
  WidenToContents();
}

void TMemo::showEvent(QShowEvent *event) {
  QTableView::showEvent(event);
  WidenToContents();
}

void TMemo::scrollContentsBy(int dx, int dy) {
  QTableView::scrollContentsBy(dx, dy);
  if (dy != 0) WidenToContents();
}

void TMemo::WidenToContents() {
  int width = viewport()->width();
  if (isVisible() && Count() > 0) {
    const int first = std::max(0, rowAt(0));
    int last = rowAt(viewport()->height() - 1);
    if (last < 0) last = Count() - 1;
    for (int row = first; row <= last; ++row) {
      width = std::max(width, sizeHintForIndex(lines_->index(row, 0)).width());
    }
  }
  widest_ = std::max(widest_, width);
  if (columnWidth(0) == widest_) return;
  setColumnWidth(0, widest_);
  updateGeometries();
}
