#include "ui/TLiveList.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRect>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/TPlanTableModel.h"

TLiveList::TLiveList(QWidget *page)
    : QWidget(page), Page_(page), Model_(new TPlanTableModel({}, this)),
      Proxy_(new QSortFilterProxyModel(this)), Summary_(new QLabel(this)),
      FailuresOnly_(new QCheckBox(QStringLiteral("失敗のみ"), this)), Table_(new QTableView(this)) {
  Summary_->setTextFormat(Qt::PlainText);
  FailuresOnly_->setToolTip(QStringLiteral("失敗の予測と、名前の衝突する対象だけを表示します。"));
  FailuresOnly_->setAccessibleName(QStringLiteral("失敗のみ"));

  // The view sorts and narrows; the rows stay in the order the run takes them.
  Proxy_->setSourceModel(Model_);
  Proxy_->setSortRole(Qt::DisplayRole);
  Proxy_->setFilterRole(TPlanTableModel::kAttentionRole);
  Proxy_->setFilterKeyColumn(TPlanTableModel::kResult);
  connect(FailuresOnly_, &QCheckBox::toggled, this, [this](bool only) {
    Proxy_->setFilterFixedString(only ? QVariant(true).toString() : QString());
  });

  Table_->setModel(Proxy_);
  Table_->setAccessibleName(QStringLiteral("リネーム後の名前の一覧"));
  Table_->setToolTip(QStringLiteral("対象の先頭の一部と、リネーム後の名前です。"
                                    "すべての対象はプレビュー (F5) で確認できます。"));
  Table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  Table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Table_->setWordWrap(false);
  Table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  Table_->verticalHeader()->setDefaultSectionSize(18);
  Table_->verticalHeader()->hide();
  Table_->horizontalHeader()->setStretchLastSection(true);
  Table_->setColumnWidth(TPlanTableModel::kResult, 44);
  Table_->setColumnWidth(TPlanTableModel::kTarget, 200);
  Table_->setColumnWidth(TPlanTableModel::kOutcome, 200);
  // Unsorted until a header is clicked: the run's order.
  Table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  Table_->setSortingEnabled(true);

  auto *top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->addWidget(Summary_, 1);
  top->addWidget(FailuresOnly_);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addLayout(top);
  layout->addWidget(Table_, 1);

  setVisible(false);
  page->installEventFilter(this);
}

TLiveList::~TLiveList() = default;

// The rows are made anew after every edit; the view stays where the user
// scrolled it.
void TLiveList::Clear(const std::string &targetFolder) {
  Scrolled_ = Table_->verticalScrollBar()->value();
  Model_->Clear(targetFolder);
}

void TLiveList::Finish(std::size_t shown, std::size_t total, bool counted) {
  Model_->Flush();
  Model_->MarkCollisions();
  Table_->verticalScrollBar()->setValue(Scrolled_);
  QString text;
  if (total == 0) {
    text = counted ? QStringLiteral("対象はありません。") : QStringLiteral("対象を数えきれません。");
  } else if (!counted) {
    text = shown < total ? QStringLiteral("先頭 %1 件を表示、ほか %2 件以上。").arg(shown).arg(total - shown)
                         : QStringLiteral("%1 件を表示、ほかは数えていません。").arg(shown);
  } else if (shown < total) {
    text = QStringLiteral("先頭 %1 件を表示、ほか %2 件。").arg(shown).arg(total - shown);
  } else {
    text = QStringLiteral("%1 件を表示。").arg(shown);
  }
  if (Model_->Failures() > 0) text += QStringLiteral("失敗の予測 %1 件。").arg(Model_->Failures());
  if (Model_->Collisions() > 0) text += QStringLiteral("名前の衝突 %1 件。").arg(Model_->Collisions());
  Summary_->setText(text);
  Summary_->setToolTip(shown < total || !counted ? QStringLiteral("すべての対象はプレビュー (F5) で確認できます。") : QString());
  emit Updated();
}

void TLiveList::ShowRefusal(const QString &message) {
  Summary_->setText(message.isEmpty() ? QStringLiteral("一覧を作れません。") : message);
  emit Updated();
}

bool TLiveList::eventFilter(QObject *watched, QEvent *event) {
  if (watched == Page_ && event->type() == QEvent::Resize) Place();
  return false;
}

void TLiveList::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  emit Shown();
}

// Below the controls or beside them, wherever the list gets more room; at
// the least size neither has enough, and the list stays hidden.  The room
// the controls take is measured each time, wherever the layout put them.
void TLiveList::Place() {
  QRect used;
  for (QWidget *control : Page_->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
    if (control != this) used |= control->geometry();
  const QRect page = Page_->rect();
  const QRect below(4, used.bottom() + 4, page.width() - 8, page.height() - used.bottom() - 8);
  const QRect beside(used.right() + 6, 2, page.width() - used.right() - 10, page.height() - 6);
  const bool belowFits = below.height() >= kLeastHeight;
  const bool besideFits = beside.width() >= kLeastWidth && beside.height() >= kLeastHeight;
  const auto area = [](const QRect &r) { return r.width() * r.height(); };
  if (belowFits && (!besideFits || area(below) >= area(beside))) {
    setGeometry(below);
  } else if (besideFits) {
    setGeometry(beside);
  } else {
    setVisible(false);
    return;
  }
  setVisible(true);
}
