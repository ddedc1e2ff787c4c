#pragma once
// The engine's error for malformed expressions and replacement templates.

#include <string>

#include "platform/Errors.h"

// Raised for every malformed expression and every malformed escape in a
// replacement template.  The message (CP932) is what reaches the user;
// ErrorPos is the scanner's 1-based position when the error was found,
// kept for diagnostics only.
class ERegExpParser : public EKorvaneError {
public:
  ERegExpParser(const std::string &message, int errorPos);
  int ErrorPos;
};
