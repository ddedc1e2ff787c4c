#include "ui/TMemoLines.h"

#include <iterator>

#include "ui/QtText.h"

TMemoLines::TMemoLines(bool editable, QObject *parent)
    : QAbstractTableModel(parent), editable_(editable) {}

int TMemoLines::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int TMemoLines::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 1; }

QVariant TMemoLines::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  return Q(lines_[static_cast<std::size_t>(index.row())]);
}

Qt::ItemFlags TMemoLines::flags(const QModelIndex &index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (editable_) flags |= Qt::ItemIsEditable;
  return flags;
}

bool TMemoLines::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (!editable_ || !index.isValid() || role != Qt::EditRole) return false;
  std::optional<std::string> text = ToCp932(value.toString());
  if (!text) return false;
  lines_[static_cast<std::size_t>(index.row())] = std::move(*text);
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  return true;
}

bool TMemoLines::removeRows(int row, int count, const QModelIndex &parent) {
  if (parent.isValid() || row < 0 || count <= 0 || row + count > rowCount()) return false;
  beginRemoveRows({}, row, row + count - 1);
  lines_.erase(lines_.begin() + row, lines_.begin() + row + count);
  endRemoveRows();
  return true;
}

void TMemoLines::Append(std::vector<std::string> &lines) {
  if (lines.empty()) return;
  const int first = rowCount();
  beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
  if (lines_.empty()) {
    lines_.swap(lines);
  } else {
    lines_.insert(lines_.end(), std::make_move_iterator(lines.begin()),
                  std::make_move_iterator(lines.end()));
  }
  endInsertRows();
  lines.clear();
}

void TMemoLines::SetLines(std::vector<std::string> lines) {
  beginResetModel();
  lines_ = std::move(lines);
  endResetModel();
}

void TMemoLines::Clear() {
  beginResetModel();
  // Gives the memory back: a cleared log after a long run holds nothing.
  std::vector<std::string>().swap(lines_);
  endResetModel();
}
