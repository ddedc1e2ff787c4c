#pragma once
// A date or time text in its fixed form: digits in the fixed positions, the
// separators part of the text, blanks where nothing is filled ("    /  /  ",
// "  :  :  ").  Unfilled positions show as "_" while editing.  Whether an
// incomplete entry is a valid date is decided when a run starts, not here.

#include <QLineEdit>

#include <string>
#include <string_view>

class TMaskEdit : public QLineEdit {
  Q_OBJECT
public:
  enum class TKind { Date, Time };

  TMaskEdit(TKind kind, QWidget *parent);

  // The CP932 fixed form ("2003/05/01", "12:  :00", "    /  /  ").
  std::string Text() const;
  // Takes a text in the fixed form; characters that are not digits in the
  // digit positions are left blank.
  void SetText(std::string_view fixedText);

signals:
  void Change();

private:
  TKind kind_;
};
