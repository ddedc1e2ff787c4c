#include "regex/Scanner.h"

#include "regex/MBChar.h"
#include "regex/Messages.h"
#include "regex/RegExpError.h"

void TREScanner::SetSource(std::string_view text) {
  source_.assign(text);
  Position = 1;
  InCharClass = false;
}

void TREScanner::Fail(const char *message) const { throw ERegExpParser(message, Position); }

TREToken TREScanner::GetToken() {
  if (InCharClass) {
    Token = ScanClass();
    if (Token == retk_RBra) InCharClass = false;
  } else {
    Token = ScanNormal();
    if (Token == retk_LBra || Token == retk_NegLBra) InCharClass = true;
  }
  return Token;
}

TREToken TREScanner::ScanNormal() {
  const std::uint16_t c = GetMBChar(source_, Position);
  TokenChar = c;
  switch (c) {
  case 0: return retk_End;
  case '$': return retk_LTail;
  case '(': return retk_LPar;
  case ')': return retk_RPar;
  case '*': return retk_Star;
  case '+': return retk_Plus;
  case '.': return retk_Dot;
  case '?': return retk_QMark;
  case '|': return retk_Union;
  case ']': return retk_RBra;
  case '^': return retk_LHead;
  case '[': {
    const std::uint16_t d = GetMBChar(source_, Position);
    if (d == 0) Fail(regex_messages::kNeedRightBracket);
    if (d == '^') return retk_NegLBra;
    UnGetMBChar(source_, Position);
    return retk_LBra;
  }
  case '\\':
    TokenChar = GetEscapeChar(source_, Position);
    return retk_Char;
  default:
    return retk_Char;
  }
}

TREToken TREScanner::ScanClass() {
  std::uint16_t a = GetMBChar(source_, Position);
  if (a == 0) Fail(regex_messages::kNeedRightBracket);
  if (a == ']') return retk_RBra; // before any escape: only '\]' puts ']' in a class
  if (a == '\\') a = GetEscapeChar(source_, Position);
  TokenChar = a;
  const std::uint16_t b = GetMBChar(source_, Position);
  if (b == 0) Fail(regex_messages::kNeedRightBracket);
  if (b != '-') {
    UnGetMBChar(source_, Position);
    return retk_Char;
  }
  std::uint16_t c = GetMBChar(source_, Position);
  if (c == 0) Fail(regex_messages::kNeedRightBracket);
  if (c == ']') {
    // 'a-]': the '-' is a literal of its own and ']' closes the class.
    UnGetMBChar(source_, Position);
    UnGetMBChar(source_, Position);
    return retk_Char;
  }
  if (c == '\\') c = GetEscapeChar(source_, Position);
  if (c < a) Fail(regex_messages::kInvalidRange);
  RangeHigh = c;
  return retk_CharRange;
}
