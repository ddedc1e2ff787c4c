#pragma once
// TREPreProcessor: rewrites an expression before it is compiled.  With a
// dictionary pass switched on, every run of literal characters outside a
// class is searched for dictionary words, and each word found is replaced
// by the alternation of its whole group, so 'a' becomes '(Ａ|ａ|A|a)'.
// The synonym pass runs first; the fuzzy pass then also sees the
// alternations the synonym pass wrote.

#include <string>
#include <string_view>
#include <vector>

#include "regex/Dictionary.h"
#include "regex/Scanner.h"

class TREPreProcessor {
public:
  explicit TREPreProcessor(std::string_view source = {}) : Scanner(source) {}

  void SetSource(std::string_view text) { Scanner.SetSource(text); }
  // Preprocesses the source; the result is ProcessedRegExp.  Scanner errors
  // propagate as ERegExpParser.
  void Run();

  TREScanner Scanner;
  std::string ProcessedRegExp;
  // Dictionaries are not owned: the lists only refer to them.
  std::vector<const TREDictionary *> SynonymDicList;
  std::vector<const TREDictionary *> FuzzyCharDicList;
  bool UseFuzzyCharDic = false;
  bool UseSynonymDic = false;

private:
  struct TTokenRecord {
    TREToken Kind;
    std::uint16_t Char;
    int Start; // position of the token's first byte
    int End;   // position just after it
  };

  void ExpandWords(const std::vector<const TREDictionary *> &dictionaries);
  void Tokenize();

  std::vector<TTokenRecord> tokenList_;
  std::vector<std::uint16_t> runCodes_;
};
