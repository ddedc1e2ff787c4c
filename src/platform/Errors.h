#pragma once
// The system's own exceptions.  Every message is CP932 text, shown to the
// user as it stands (the window converts it; korvane-batch prints it as
// UTF-8).  Operations report ordinary failures through their results; these
// are for the errors that end what they interrupt.

#include <stdexcept>
#include <string>

// Base of every exception the system raises on purpose.
class EKorvaneError : public std::runtime_error {
public:
  explicit EKorvaneError(const std::string &message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A value that cannot be turned into a date or a time
// ("日付に変換できない値が渡されました", "時刻に変換できない値が渡されました").
class EConvertError : public EKorvaneError {
public:
  using EKorvaneError::EKorvaneError;
};

// A file or folder that cannot be read, written or created
// ("ディレクトリを作成できません", "%s に書き込めません", ...).
class EInOutError : public EKorvaneError {
public:
  using EKorvaneError::EKorvaneError;
};
