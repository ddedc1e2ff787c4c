#include "ui/TPreviewDialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

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
                               const std::string &targetFolder, std::function<void()> run)
    : TPreviewDialog(parent, driver, Title(mode),
                     [&driver, mode](TPlanSink &sink) { return driver.PlanRun(mode, sink); }, targetFolder,
                     std::move(run)) {}

TPreviewDialog::TPreviewDialog(QWidget *parent, TRunDriver &driver, const QString &title, TPlanner planner,
                               const std::string &targetFolder, std::function<void()> run)
    : QDialog(parent), Driver_(driver), Planner_(std::move(planner)), Run_(std::move(run)),
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

  Table_ = new QTableView(this);
  Table_->setModel(Model_.get());
  Table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  Table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
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
    const std::function<void()> run = Run_;
    accept();
    if (run) run();
  });
  connect(CloseButton_, &QPushButton::clicked, this, [this] { reject(); });

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(Hint_, 1);
  buttons->addWidget(RunButton_);
  buttons->addWidget(CloseButton_);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(Summary_);
  layout->addWidget(Progress_);
  layout->addWidget(Table_, 1);
  layout->addLayout(buttons);
}

TPreviewDialog::~TPreviewDialog() = default;

std::size_t TPreviewDialog::Records() const { return Model_->Records(); }
std::size_t TPreviewDialog::Failures() const { return Model_->Failures(); }
QString TPreviewDialog::Summary() const { return Summary_->text(); }

void TPreviewDialog::ShowCount() {
  Summary_->setText(QStringLiteral("確認中... %1 件").arg(Model_->Records()));
}

TRunOutcome TPreviewDialog::Plan() {
  Model_->Clear();
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
    Summary_->setText(counted);
    RunButton_->setEnabled(true);
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
