#pragma once
// The lines of a memo box (the log, the list output), kept as the CP932
// byte strings the run writes and the log file stores.  Only the rows a
// view shows are converted to window text, so a box of 100,000 lines costs
// little more than its text, and a batch of lines goes in as one insertion.

#include <QAbstractTableModel>

#include <string>
#include <vector>

class TMemoLines : public QAbstractTableModel {
  Q_OBJECT
public:
  // Editable: the user may change a line's text (the list output); the log
  // is read-only.
  TMemoLines(bool editable, QObject *parent);

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  // An edit the window text cannot give back as CP932 is refused.
  bool setData(const QModelIndex &index, const QVariant &value, int role) override;
  bool removeRows(int row, int count, const QModelIndex &parent = {}) override;

  const std::vector<std::string> &Lines() const { return lines_; }
  // Moves `lines` in after the last line; `lines` is left empty.
  void Append(std::vector<std::string> &lines);
  void SetLines(std::vector<std::string> lines);
  void Clear();

private:
  bool editable_;
  std::vector<std::string> lines_;
};
