#include "ui/TPlanTableModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <unordered_map>

#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "run/EditedPlan.h"
#include "ui/FailureColour.h"
#include "ui/QtText.h"

TPlanTableModel::TPlanTableModel(const std::string &targetFolder, QObject *parent)
    : QAbstractTableModel(parent), Folder_(IncludeTrailingDelimiter(targetFolder)) {}

TPlanTableModel::~TPlanTableModel() = default;

void TPlanTableModel::Add(const TPlanRecord &record) {
  Records_.push_back(record);
  if (!record.Ok) ++Failures_;
}

void TPlanTableModel::Flush() {
  const int total = static_cast<int>(Records_.size());
  if (total == ShownRows_) return;
  beginInsertRows(QModelIndex(), ShownRows_, total - 1);
  ShownRows_ = total;
  endInsertRows();
}

void TPlanTableModel::Clear() {
  beginResetModel();
  Records_.clear();
  Plan_.reset();
  Failures_ = 0;
  ShownRows_ = 0;
  Collides_.clear();
  Collisions_ = 0;
  endResetModel();
}

void TPlanTableModel::Clear(const std::string &targetFolder) {
  Folder_ = IncludeTrailingDelimiter(targetFolder);
  Clear();
}

void TPlanTableModel::MarkCollisions() {
  std::unordered_map<std::string_view, std::size_t> taking;
  for (const TPlanRecord &record : Records_)
    if (record.Mode == RunMode::Rename || record.Mode == RunMode::Copy) ++taking[record.Destination];
  Collides_.assign(Records_.size(), false);
  Collisions_ = 0;
  for (std::size_t row = 0; row < Records_.size(); ++row) {
    const TPlanRecord &record = Records_[row];
    const bool named = record.Mode == RunMode::Rename || record.Mode == RunMode::Copy;
    Collides_[row] = named && (taking[record.Destination] > 1 || record.Failure.Reason == TFailReason::TakenByPlan);
    if (Collides_[row]) ++Collisions_;
  }
  if (ShownRows_ > 0) emit dataChanged(index(0, 0), index(ShownRows_ - 1, kColumnCount - 1));
}

void TPlanTableModel::StartEditing(bool makeCopy) {
  Flush();
  Plan_ = std::make_unique<TEditedPlan>(std::move(Records_), makeCopy);
  Records_.clear();
}

std::unique_ptr<TEditedPlan> TPlanTableModel::TakePlan() {
  beginResetModel();
  std::unique_ptr<TEditedPlan> plan = std::move(Plan_);
  Records_.clear();
  Failures_ = 0;
  ShownRows_ = 0;
  endResetModel();
  return plan;
}

std::size_t TPlanTableModel::Records() const { return Plan_ ? Plan_->Size() : Records_.size(); }
std::size_t TPlanTableModel::Failures() const { return Plan_ ? Plan_->Failures() : Failures_; }
std::size_t TPlanTableModel::Edits() const { return Plan_ ? Plan_->EditCount() : 0; }

const TPlanRecord &TPlanTableModel::Record(int row) const {
  const auto at = static_cast<std::size_t>(row);
  return Plan_ ? Plan_->Row(at) : Records_[at];
}

int TPlanTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ShownRows_; }

int TPlanTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumnCount; }

QString TPlanTableModel::Shown(const std::string &path) const {
  if (path.size() > Folder_.size() && path.compare(0, Folder_.size(), Folder_) == 0)
    return Q(std::string_view(path).substr(Folder_.size()));
  return Q(path);
}

Qt::ItemFlags TPlanTableModel::flags(const QModelIndex &index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (Plan_ && index.isValid() && index.column() == kOutcome &&
      Plan_->Editable(static_cast<std::size_t>(index.row())))
    flags |= Qt::ItemIsEditable;
  return flags;
}

QVariant TPlanTableModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= ShownRows_) return {};
  const auto row = static_cast<std::size_t>(index.row());
  const TPlanRecord &record = Record(index.row());
  const bool edited = Plan_ && Plan_->Edited(row);
  const bool collides = !Plan_ && row < Collides_.size() && Collides_[row];
  // An edited row has a pale background of its own, light or dark theme
  // alike; its text is then drawn to read on that background.
  const QColor editedBase(0xFF, 0xF2, 0xB8);
  switch (role) {
  case kEditedRole: return edited;
  case kCollisionRole: return collides;
  case kAttentionRole: return collides || !record.Ok;
  case Qt::ForegroundRole:
    if (!record.Ok || collides) return QBrush(edited ? FailureColour(editedBase) : FailureColour());
    return edited ? QVariant(QBrush(QColor(Qt::black))) : QVariant();
  case Qt::BackgroundRole: return edited ? QBrush(editedBase) : QVariant();
  case Qt::FontRole:
    if (edited && index.column() == kOutcome) {
      QFont font;
      font.setBold(true);
      return font;
    }
    return {};
  case Qt::EditRole:
    if (index.column() == kOutcome && Plan_) return Q(Plan_->NewName(row));
    return {};
  case Qt::ToolTipRole:
    if (edited && index.column() == kOutcome)
      return QStringLiteral("手で変更した名前です。手順の作った名前: %1").arg(Q(Plan_->PlannedName(row)));
    if (collides && index.column() == kResult) return QStringLiteral("ほかの対象と同じ名前になります。");
    break;
  case Qt::DisplayRole: break;
  default: return {};
  }
  switch (index.column()) {
  case kResult:
    if (collides) return QStringLiteral("衝突");
    return record.Ok ? QStringLiteral("予定") : QStringLiteral("失敗");
  case kTarget: return Shown(record.Path);
  case kOutcome:
    if (!record.Outcome.empty()) return Q(record.Outcome);
    switch (record.Mode) {
    case RunMode::Rename:
    case RunMode::Copy: return Shown(record.Destination);
    case RunMode::Delete: return QStringLiteral("削除");
    case RunMode::Change: return QStringLiteral("日付・属性変更");
    case RunMode::List: break;
    }
    return {};
  case kReason:
    if (!record.Reason.empty()) return Q(record.Reason);
    return record.Failure.Reason == TFailReason::None ? QString() : Q(ReasonText(record.Failure));
  default: return {};
  }
}

bool TPlanTableModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (!Plan_ || role != Qt::EditRole || !index.isValid() || index.column() != kOutcome) return false;
  const std::optional<std::string> name = Utf16ToCp932(value.toString().toStdU16String());
  if (!name || !Plan_->SetNewName(static_cast<std::size_t>(index.row()), *name)) return false;
  // Every row may have changed: the whole plan was checked again.
  emit dataChanged(this->index(0, 0), this->index(ShownRows_ - 1, kColumnCount - 1));
  emit Edited();
  return true;
}

QVariant TPlanTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
  case kResult: return QStringLiteral("結果");
  case kTarget: return QStringLiteral("対象");
  case kOutcome: return QStringLiteral("処理後");
  case kReason: return QStringLiteral("理由");
  default: return {};
  }
}
