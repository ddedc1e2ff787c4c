#include "ui/TPreviewDialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include "run/EditedPlan.h"
#include "run/RunLog.h"
#include "run/RunPlan.h"
#include "ui/QtText.h"
#include "ui/TPlanTableModel.h"

namespace {

// Records between two updates of the list and the count while planning.
constexpr std::size_t kBatch = 500;

QString Title(RunMode mode) {
  switch (mode) {
  case RunMode::Rename: return QStringLiteral("リネームのプレビュー");
  case RunMode::Copy: return QStringLiteral("コピーのプレビュー");
  case RunMode::Delete: return QStringLiteral("削除のプレビュー");
  case RunMode::Change: return QStringLiteral("日付・属性変更のプレビュー");
  case RunMode::List: break;
  }
  return QStringLiteral("プレビュー");
}

}  // namespace

// Takes the plan's records into the list, a batch at a time.
class TPreviewDialog::TSink final : public TPlanSink {
public:
  TSink(TPreviewDialog &dialog) : Dialog_(dialog) {}
  void AddPlanMarker(std::string_view) override {}
  void AddPlanRecord(const TPlanRecord &record) override {
    Dialog_.Model_->Add(record);
    if (Dialog_.Model_->Records() % kBatch == 0) {
      Dialog_.Model_->Flush();
      Dialog_.ShowCount();
    }
  }

private:
  TPreviewDialog &Dialog_;
};

TPreviewDialog::TPreviewDialog(QWidget *parent, TRunDriver &driver, RunMode mode,
                               const std::string &targetFolder, bool makeCopy, TRun run)
    : TPreviewDialog(parent, driver, Title(mode),
                     [&driver, mode](TPlanSink &sink) { return driver.PlanRun(mode, sink); }, targetFolder,
                     std::move(run), mode == RunMode::Rename, makeCopy) {}

TPreviewDialog::TPreviewDialog(QWidget *parent, TRunDriver &driver, const QString &title, TPlanner planner,
                               const std::string &targetFolder, std::function<void()> run)
    : TPreviewDialog(parent, driver, title, std::move(planner), targetFolder,
                     run ? TRun([run = std::move(run)](std::unique_ptr<TEditedPlan>) { run(); }) : TRun(),
                     false, false) {}

TPreviewDialog::TPreviewDialog(QWidget *parent, TRunDriver &driver, const QString &title, TPlanner planner,
                               const std::string &targetFolder, TRun run, bool editable, bool makeCopy)
    : QDialog(parent), Driver_(driver), Planner_(std::move(planner)), Run_(std::move(run)), Editable_(editable),
      MakeCopy_(makeCopy),
      Model_(std::make_unique<TPlanTableModel>(targetFolder)), Sink_(std::make_unique<TSink>(*this)) {
  setWindowTitle(title);
  setWindowModality(Qt::WindowModal);
  resize(720, 440);

  Summary_ = new QLabel(this);
  Summary_->setTextFormat(Qt::PlainText);
  Progress_ = new QProgressBar(this);
  Progress_->setRange(0, 0);  // the number of targets is known only at the end
  Progress_->setTextVisible(false);
  Progress_->setFixedHeight(12);
  Hint_ = new QLabel(Q(kRunMessage), this);

  // The view sorts and narrows the rows; the plan keeps them, and their
  // edits, in the order the run takes them.
  Proxy_ = new QSortFilterProxyModel(this);
  Proxy_->setSourceModel(Model_.get());
  Proxy_->setFilterKeyColumn(-1);
  Proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  Proxy_->setSortRole(Qt::DisplayRole);
  Filter_ = new QLineEdit(this);
  Filter_->setPlaceholderText(QStringLiteral("絞り込み (対象・処理後・理由に含む文字)"));
  Filter_->setClearButtonEnabled(true);
  connect(Filter_, &QLineEdit::textChanged, Proxy_, &QSortFilterProxyModel::setFilterFixedString);

  Table_ = new QTableView(this);
  Table_->setModel(Proxy_);
  Table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  // Only the new name is edited, whichever cell of its row is current.
  Table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(Table_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) { EditName(index); });
  auto *f2 = new QShortcut(QKeySequence(Qt::Key_F2), Table_);
  f2->setContext(Qt::WidgetShortcut);
  connect(f2, &QShortcut::activated, this, [this] { EditName(Table_->currentIndex()); });
  connect(Model_.get(), &TPlanTableModel::Edited, this, [this] { ShowCounted(); });
  Table_->setWordWrap(false);
  Table_->verticalHeader()->setDefaultSectionSize(18);
  Table_->verticalHeader()->hide();
  Table_->horizontalHeader()->setStretchLastSection(true);
  Table_->setColumnWidth(TPlanTableModel::kResult, 44);
  Table_->setColumnWidth(TPlanTableModel::kTarget, 240);
  Table_->setColumnWidth(TPlanTableModel::kOutcome, 260);

  RunButton_ = new QPushButton(QStringLiteral("実行"), this);
  RunButton_->setToolTip(QStringLiteral("プレビューを閉じて、この処理を実行します。"));
  RunButton_->setEnabled(false);
  CloseButton_ = new QPushButton(QStringLiteral("閉じる"), this);
  connect(RunButton_, &QPushButton::clicked, this, [this] {
    const TRun run = Run_;
    std::unique_ptr<TEditedPlan> plan = Model_->Editing() ? Model_->TakePlan() : nullptr;
    accept();
    if (run) run(std::move(plan));
  });
  connect(CloseButton_, &QPushButton::clicked, this, [this] { reject(); });

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(Hint_, 1);
  buttons->addWidget(RunButton_);
  buttons->addWidget(CloseButton_);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(Summary_);
  layout->addWidget(Progress_);
  layout->addWidget(Filter_);
  layout->addWidget(Table_, 1);
  layout->addLayout(buttons);
}

TPreviewDialog::~TPreviewDialog() = default;

std::size_t TPreviewDialog::Records() const { return Model_->Records(); }
std::size_t TPreviewDialog::Failures() const { return Model_->Failures(); }
std::size_t TPreviewDialog::Edits() const { return Model_->Edits(); }

void TPreviewDialog::EditName(const QModelIndex &index) {
  if (!index.isValid() || !Model_->Editing()) return;
  const QModelIndex name = index.siblingAtColumn(TPlanTableModel::kOutcome);
  Table_->setCurrentIndex(name);
  Table_->edit(name);
}

void TPreviewDialog::ShowCounted() {
  QString text = QStringLiteral("%1 件の処理のうち、失敗の予測は %2 件です。")
                     .arg(Model_->Records())
                     .arg(Model_->Failures());
  if (Model_->Edits() > 0) text += QStringLiteral("手で変更した名前は %1 件です。").arg(Model_->Edits());
  Summary_->setText(text);
}
QString TPreviewDialog::Summary() const { return Summary_->text(); }

void TPreviewDialog::ShowCount() {
  Summary_->setText(QStringLiteral("確認中... %1 件").arg(Model_->Records()));
}

TRunOutcome TPreviewDialog::Plan() {
  Model_->Clear();
  // Rows come in the run's order while the plan is made.
  Table_->setSortingEnabled(false);
  Table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  Planning_ = true;
  RunButton_->setEnabled(false);
  Progress_->show();
  Hint_->show();
  ShowCount();
  struct TEnd {
    TPreviewDialog &Dialog;
    ~TEnd() {
      Dialog.Planning_ = false;
      Dialog.Model_->Flush();
      Dialog.Progress_->hide();
      Dialog.Hint_->hide();
    }
  };
  TRunOutcome outcome;
  {
    const TEnd end{*this};
    outcome = Planner_(*Sink_);
  }
  const QString counted = QStringLiteral("%1 件の処理のうち、失敗の予測は %2 件です。")
                              .arg(Model_->Records())
                              .arg(Model_->Failures());
  switch (outcome) {
  case TRunOutcome::Finished:
    if (Editable_) {
      Model_->StartEditing(MakeCopy_);
      RunButton_->setToolTip(QStringLiteral("プレビューを閉じて、表示のとおりに実行します。"
                                            "新しい名前は F2 かダブルクリックで変更できます。"));
    }
    Table_->setSortingEnabled(true);
    Summary_->setText(counted);
    RunButton_->setEnabled(true);
    if (Model_->Editing()) {
      Hint_->setText(QStringLiteral("新しい名前は F2 かダブルクリックで変更できます。"));
      Hint_->show();
    }
    break;
  case TRunOutcome::Aborted:
    Summary_->setText(QStringLiteral("中断しました。") + counted);
    break;
  case TRunOutcome::Refused:
  case TRunOutcome::Busy:
    Summary_->setText(QStringLiteral("プレビューできません。"));
    break;
  }
  if (CloseAfterPlan_) close();
  return outcome;
}

void TPreviewDialog::reject() {
  if (Planning_) {
    Driver_.Abort();
    return;
  }
  QDialog::reject();
}

// Closing in mid-plan stops the plan first: the plan's records come here.
void TPreviewDialog::closeEvent(QCloseEvent *event) {
  if (Planning_) {
    CloseAfterPlan_ = true;
    Driver_.Abort();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}
