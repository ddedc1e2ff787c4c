// Temporary stand-in so that korvane_regex links while the engine is built.
#include "regex/AWKStr.h"

class TREPreProcessor {};
class TRE_DFA {};

ERegExpParser::ERegExpParser(const std::string &message, int errorPos)
    : EKorvaneError(message), ErrorPos(errorPos) {}

TRegularExpression::TRegularExpression(void *owner) : owner_(owner), preprocessor_(std::make_unique<TREPreProcessor>()) {}
TRegularExpression::~TRegularExpression() = default;
void TRegularExpression::SetRegExp(const std::string &value) { regExp_ = value; }
const TRE_DFA &TRegularExpression::CurrentDFA() const { static TRE_DFA dfa; return dfa; }
void TRegularExpression::Compile(const std::string &) {}
TMatchCORE::TMatchCORE(void *owner) : TRegularExpression(owner) {}
TMatchSpan TMatchCORE::SearchPlain(std::string_view) const { return {}; }
TMatchSpan TMatchCORE::SearchFromLineStart(std::string_view) const { return {}; }
TMatchSpan TMatchCORE::SearchInLine(std::string_view) const { return {}; }
std::size_t TMatchCORE::MatchLongest(std::string_view, std::size_t, int) const { return TMatchSpan::npos; }
std::size_t TMatchCORE::MatchAtLineStart(std::string_view, std::size_t, int) const { return TMatchSpan::npos; }
bool TMatchCORE::IsLineEndChar(std::uint32_t) const { return false; }
TAWKStr::TAWKStr(void *owner) : TMatchCORE(owner) {}
void TAWKStr::SetRegExp(const std::string &value) { TRegularExpression::SetRegExp(value); }
bool TAWKStr::UseFuzzyCharDic() const { return false; }
void TAWKStr::SetUseFuzzyCharDic(bool) {}
bool TAWKStr::UseSynonymDic() const { return false; }
void TAWKStr::SetUseSynonymDic(bool) {}
int TAWKStr::ReplaceAll(const std::string &, std::string &) { return 0; }
TMatchSpan TAWKStr::MatchMethod(std::string_view) const { return {}; }
std::string TAWKStr::ExpandReplacement(const std::string &templ, std::string_view) { return templ; }
