#pragma once
// Refuses, as it is typed or pasted, any text that Shift-JIS cannot hold, so
// that such a character never reaches a job, a pattern or a file name.  The
// refusal is reported through a callback (the window shows it in the first
// status panel) instead of passing silently.

#include <QValidator>

#include <functional>

class TCp932Validator : public QValidator {
  Q_OBJECT
public:
  using TRefusal = std::function<void()>;

  TCp932Validator(TRefusal onRefusal, QObject *parent);

  State validate(QString &input, int &pos) const override;

private:
  TRefusal onRefusal_;
};
