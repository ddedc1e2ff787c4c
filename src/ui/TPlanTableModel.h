#pragma once
// The records of a plan as a table: result, target, what it becomes (or
// what is done to it) and the reason of a predicted failure.  Records are
// taken as the plan makes them and shown in batches, so a plan of 100,000
// targets does not repaint the list 100,000 times.

#include <QAbstractTableModel>

#include <string>
#include <vector>

#include "run/RunPlan.h"

class TPlanTableModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum TColumn { kResult, kTarget, kOutcome, kReason, kColumnCount };

  // Paths below `targetFolder` (CP932) are shown relative to it.
  explicit TPlanTableModel(const std::string &targetFolder, QObject *parent = nullptr);

  void Add(const TPlanRecord &record);
  // Shows the records added since the last call.
  void Flush();
  void Clear();

  std::size_t Records() const { return Records_.size(); }
  std::size_t Failures() const { return Failures_; }
  const TPlanRecord &Record(int row) const { return Records_[static_cast<std::size_t>(row)]; }

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
  QString Shown(const std::string &path) const;

  std::string Folder_;
  std::vector<TPlanRecord> Records_;
  std::size_t Failures_ = 0;
  int ShownRows_ = 0;
};
