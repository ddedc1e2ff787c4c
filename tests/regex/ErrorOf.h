#pragma once
// The message of the ERegExpParser a call raises, or "" when it raises none.

#include <string>

#include "regex/AWKStr.h"

template <typename F> std::string ErrorOf(F &&f) {
  try {
    f();
  } catch (const ERegExpParser &e) {
    return e.what();
  }
  return "";
}
