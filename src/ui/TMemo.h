#pragma once
// A memo box of lines: the log (read-only) and the list output (its lines
// may be edited and deleted).  Lines are selected whole; Ctrl+C copies the
// selected lines, Ctrl+A selects every line.  A plain text edit would lay
// out and keep a text block per line, which a run of 100,000 targets makes
// slow and large; here the lines stay CP932 strings and only the rows on
// screen are drawn.

#include <QTableView>

#include <string>
#include <vector>

class QValidator;
class TMemoLines;

class TMemo : public QTableView {
  Q_OBJECT
public:
  enum class TMode { ReadOnly, Editable };

  // `editValidator` guards the text of an edited line (may be null).
  TMemo(TMode mode, QValidator *editValidator, QWidget *parent);

  // Adds lines after the last one in one insertion (`lines` is left empty).
  // When the last line was in view, the box keeps showing the end.
  void AppendLines(std::vector<std::string> &lines);
  void SetLines(std::vector<std::string> lines);
  void Clear();

  const std::vector<std::string> &Lines() const;
  int Count() const;
  // Every line, joined by line feeds.
  QString Text() const;
  // The selected lines in their order, joined by line feeds.
  QString SelectedText() const;

  void CopySelection() const;
  // Editable boxes only.
  void DeleteSelection();

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void scrollContentsBy(int dx, int dy) override;

private:
  std::vector<int> SelectedRows() const;
  bool AtEnd() const;
  // The column is as wide as the widest line shown so far (measured for the
  // rows in view only, so a long box costs nothing), and at least as wide
  // as the box, so the horizontal scroll bar reaches every line the user
  // has seen.
  void WidenToContents();

  TMode mode_;
  TMemoLines *lines_;
  int widest_ = 0;
  bool followEnd_ = true;
};
