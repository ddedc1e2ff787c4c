#include "ui/TPlanTableModel.h"

#include <QBrush>
#include <QColor>

#include "platform/Paths.h"
#include "ui/QtText.h"

TPlanTableModel::TPlanTableModel(const std::string &targetFolder, QObject *parent)
    : QAbstractTableModel(parent), Folder_(IncludeTrailingDelimiter(targetFolder)) {}

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
  Failures_ = 0;
  ShownRows_ = 0;
  endResetModel();
}

int TPlanTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ShownRows_; }

int TPlanTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumnCount; }

QString TPlanTableModel::Shown(const std::string &path) const {
  if (path.size() > Folder_.size() && path.compare(0, Folder_.size(), Folder_) == 0)
    return Q(std::string_view(path).substr(Folder_.size()));
  return Q(path);
}

QVariant TPlanTableModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= ShownRows_) return {};
  const TPlanRecord &record = Record(index.row());
  if (role == Qt::ForegroundRole) return record.Ok ? QVariant() : QBrush(QColor(0xC0, 0, 0));
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
  case kResult: return record.Ok ? QStringLiteral("予定") : QStringLiteral("失敗");
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
