#include "regex/PreProcessor.h"

void TREPreProcessor::Run() {
  ProcessedRegExp = Scanner.Source();
  if (UseSynonymDic) {
    ExpandWords(SynonymDicList);
    Scanner.SetSource(ProcessedRegExp);
  }
  if (UseFuzzyCharDic) ExpandWords(FuzzyCharDicList);
}

void TREPreProcessor::Tokenize() {
  tokenList_.clear();
  Scanner.SetSource(std::string(Scanner.Source()));
  for (;;) {
    const int start = Scanner.Position;
    const TREToken kind = Scanner.GetToken();
    if (kind == retk_End) break;
    tokenList_.push_back({kind, Scanner.TokenChar, start, Scanner.Position});
  }
  tokenList_.push_back({retk_End, 0, 0, 0});
}

void TREPreProcessor::ExpandWords(const std::vector<const TREDictionary *> &dictionaries) {
  Tokenize();
  const std::string &source = Scanner.Source();
  auto sourceText = [&](const TTokenRecord &record) {
    return std::string_view(source).substr(record.Start - 1, record.End - record.Start);
  };
  std::string out;
  bool inClass = false;
  const std::size_t count = tokenList_.size();
  std::size_t i = 0;
  while (i < count) {
    const TTokenRecord &record = tokenList_[i];
    if (record.Kind == retk_LBra || record.Kind == retk_NegLBra) inClass = true;
    if (record.Kind == retk_RBra) inClass = false;
    if (record.Kind != retk_Char || inClass) {
      if (record.Kind != retk_End) out += sourceText(record);
      ++i;
      continue;
    }
    // A run of literal characters, bounded by the first other record.
    std::size_t e = i;
    runCodes_.clear();
    while (tokenList_[e].Kind == retk_Char) runCodes_.push_back(tokenList_[e++].Char);
    while (i < e) {
      std::size_t matched = 0;
      const std::string *groupText = nullptr;
      for (const TREDictionary *dictionary : dictionaries) {
        matched = dictionary->Lookup(runCodes_.data() + (i - (e - runCodes_.size())), e - i, &groupText);
        if (matched != 0) break;
      }
      if (matched == 0) {
        out += sourceText(tokenList_[i]);
        ++i;
      } else {
        out += *groupText;
        i += matched;
      }
    }
  }
  ProcessedRegExp = std::move(out);
}
