#pragma once
// TREScanner: turns an expression into tokens.  It has two modes, because
// inside a character class almost every metacharacter is a plain character
// and 'a-b' is a range: normal mode, and class mode between '[' and ']'.

#include <cstdint>
#include <string>
#include <string_view>

enum TREToken : std::uint8_t {
  retk_Char,      // one literal character (TokenChar)
  retk_CharRange, // 'a-b' inside a class: TokenChar..RangeHigh
  retk_Union,     // |
  retk_LPar,      // (
  retk_RPar,      // )
  retk_Star,      // *
  retk_Plus,      // +
  retk_QMark,     // ?
  retk_LBra,      // [
  retk_NegLBra,   // [^
  retk_RBra,      // ]
  retk_Dot,       // .
  retk_LHead,     // ^
  retk_LTail,     // $
  retk_End        // end of the expression
};

class TREScanner {
public:
  explicit TREScanner(std::string_view source = {}) { SetSource(source); }

  // Starts over on text, in normal mode.
  void SetSource(std::string_view text);
  // Reads the next token, switching modes at '[', '[^' and ']'.
  TREToken GetToken();

  const std::string &Source() const { return source_; }
  int Position = 1;
  TREToken Token = retk_End;
  std::uint16_t TokenChar = 0;
  std::uint16_t RangeHigh = 0;
  bool InCharClass = false;

private:
  TREToken ScanNormal();
  TREToken ScanClass();
  [[noreturn]] void Fail(const char *message) const;

  std::string source_;
};
