// libFuzzer target: a pattern, a template and a subject cut from the
// input; assigns the pattern (with or without the fuzzy pass) and runs
// ReplaceAll.  Flag bits also pick a DFA cache too small to keep up (so
// the cache drops its states and hands walks to the NFA) and a small
// output bound.  Malformed patterns and templates raise ERegExpParser, which
// is expected; anything else (a crash, a leak, a read past the subject, an
// other exception) is a finding.

#include <cstddef>
#include <cstdint>
#include <string>

#include "regex/AWKStr.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint8_t flags = data[0];
  std::size_t patternLength = data[1];
  std::size_t templateLength = data[2] % 16;
  data += 3;
  size -= 3;
  patternLength = patternLength < size ? patternLength : size;
  const std::string pattern(reinterpret_cast<const char *>(data), patternLength);
  data += patternLength;
  size -= patternLength;
  templateLength = templateLength < size ? templateLength : size;
  const std::string templ(reinterpret_cast<const char *>(data), templateLength);
  data += templateLength;
  size -= templateLength;
  std::string subject(reinterpret_cast<const char *>(data), size);

  TAWKStr awk;
  if (flags & 2) awk.LineSeparator = mcls_LF;
  if (flags & 4) awk.SetDFACacheBudget((flags & 16) ? 0 : 600);
  if (flags & 8) awk.MaxOutput = 64;
  try {
    awk.SetUseFuzzyCharDic((flags & 1) != 0);
    awk.SetRegExp(pattern);
    const std::string before = subject;
    const int count = awk.ReplaceAll(templ, subject);
    if (count == 0 && subject != before) __builtin_trap(); // no replacement must leave the text alone
  } catch (const ERegExpParser &) {
  }
  return 0;
}
