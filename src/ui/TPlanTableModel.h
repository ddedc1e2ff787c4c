#pragma once
// The records of a plan as a table: result, target, what it becomes (or
// what is done to it) and the reason of a predicted failure.  Records are
// taken as the plan makes them and shown in batches, so a plan of 100,000
// targets does not repaint the list 100,000 times.
//
// Once a rename plan is complete, its new names can be edited in the
// "処理後" column: the rows then come from a TEditedPlan, every edit checks
// the whole plan again, and an edited row is marked.  Edits belong to the
// rows of the plan, so sorting or filtering the view keeps them.

#include <QAbstractTableModel>

#include <memory>
#include <string>
#include <vector>

#include "run/RunPlan.h"

class TEditedPlan;

class TPlanTableModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum TColumn { kResult, kTarget, kOutcome, kReason, kColumnCount };
  // True for a row whose new name was edited by hand.
  static constexpr int kEditedRole = Qt::UserRole + 1;
  // True for a row MarkCollisions found sharing its new name.
  static constexpr int kCollisionRole = Qt::UserRole + 2;
  // True for a row predicted to fail or marked as a collision.
  static constexpr int kAttentionRole = Qt::UserRole + 3;

  // Paths below `targetFolder` (CP932) are shown relative to it.
  explicit TPlanTableModel(const std::string &targetFolder, QObject *parent = nullptr);
  ~TPlanTableModel() override;

  void Add(const TPlanRecord &record);
  // Shows the records added since the last call.
  void Flush();
  void Clear();
  // The same, for records whose paths are shown relative to another folder.
  void Clear(const std::string &targetFolder);
  // Marks every row whose new name another row also takes, or that an
  // earlier target of the plan takes first: among the rows at hand, as a
  // list of part of a plan sees them.  The rows say "衝突".
  void MarkCollisions();

  // The new names of the complete rename plan may now be edited;
  // `makeCopy`: the job makes renamed copies.
  void StartEditing(bool makeCopy);
  bool Editing() const { return Plan_ != nullptr; }
  // The plan as edited, for the run; the table is empty afterwards.
  std::unique_ptr<TEditedPlan> TakePlan();

  std::size_t Records() const;
  std::size_t Failures() const;
  std::size_t Edits() const;
  std::size_t Collisions() const { return Collisions_; }
  const TPlanRecord &Record(int row) const;

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  // A new name for the row (the "処理後" column); false for a name
  // Shift-JIS cannot hold or a row that cannot be edited.
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
  // A name was edited and the plan checked again.
  void Edited();

private:
  QString Shown(const std::string &path) const;

  std::string Folder_;
  std::vector<TPlanRecord> Records_;
  std::size_t Failures_ = 0;
  std::vector<bool> Collides_;  // by row, once MarkCollisions ran
  std::size_t Collisions_ = 0;
  int ShownRows_ = 0;
  std::unique_ptr<TEditedPlan> Plan_;
};
