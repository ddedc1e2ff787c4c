// TAWKStr: the dictionary switches, the choice of search routine and the
// global substitution with an AWK-like template.

#include "regex/AWKStr.h"

#include "regex/Dfa.h"
#include "regex/FuzzyCharDic.h"
#include "regex/MBChar.h"
#include "regex/Messages.h"
#include "regex/PreProcessor.h"

namespace {

// Pass 1: double the backslash of '\&' so that decoding the escapes leaves
// '\&' (a literal '&') apart from an '&' produced by an escape.
std::string ProtectAmpersand(std::string_view templ) {
  std::string out;
  int pos = 1;
  while (pos <= static_cast<int>(templ.size())) {
    const std::uint16_t c = GetMBChar(templ, pos);
    out += MBCharToStr(c);
    if (c != '\\') continue;
    const std::uint16_t next = GetMBChar(templ, pos); // 0 at the end, written as a zero byte
    if (next == '&') out += '\\';
    out += MBCharToStr(next);
  }
  return out;
}

// Pass 2: every backslash sequence becomes the character it denotes.
std::string DecodeEscapes(std::string_view text) {
  std::string out;
  int pos = 1;
  while (pos <= static_cast<int>(text.size())) {
    std::uint16_t c = GetMBChar(text, pos);
    if (c == '\\') c = GetEscapeChar(text, pos);
    out += MBCharToStr(c);
  }
  return out;
}

} // namespace

// The template after the first two passes, cut at every '&' that stands for
// the matched text.  The third pass depends on nothing but the template, so
// it is done once per template and the expansion is a concatenation.
struct TCompiledTemplate {
  std::vector<std::string> Pieces; // literal text before, between and after the '&'s
  std::size_t LiteralBytes = 0;    // the pieces together
};

static TCompiledTemplate CompileTemplate(std::string_view templ) {
  const std::string decoded = DecodeEscapes(ProtectAmpersand(templ));
  TCompiledTemplate compiled;
  compiled.Pieces.emplace_back();
  int pos = 1;
  const int length = static_cast<int>(decoded.size());
  while (pos <= length) {
    const int before = pos;
    const std::uint16_t c = GetMBChar(decoded, pos);
    if (c == '&') {
      compiled.Pieces.emplace_back();
    } else if (c == '\\') {
      // '\&' is a literal '&'; any other backslash is itself, and the
      // character after it is read again on its own.
      const int afterBackslash = pos;
      if (pos <= length && GetMBChar(decoded, pos) == '&') {
        compiled.Pieces.back() += '&';
      } else {
        pos = afterBackslash;
        compiled.Pieces.back() += '\\';
      }
    } else {
      compiled.Pieces.back().append(decoded, static_cast<std::size_t>(before - 1), static_cast<std::size_t>(pos - before));
    }
  }
  for (const std::string &piece : compiled.Pieces) compiled.LiteralBytes += piece.size();
  return compiled;
}

// Appends text to out unless out would grow past limit.
static void AppendWithin(std::string &out, std::string_view text, std::size_t limit) {
  if (text.size() > limit - std::min(limit, out.size())) throw ERegExpParser(regex_messages::kOutputTooLong, 0);
  out += text;
}

// Appends the text before a match (if any) and the match's expansion.  The
// whole is measured against the bound before any of it is appended: one
// test per match instead of one per piece, and the output never grows past
// the bound even for a moment.  Kept inline: the loop of a global
// substitution calls it for every match.
[[gnu::always_inline]] static inline void AppendExpansion(std::string &out, const TCompiledTemplate &compiled, std::string_view matched,
                            std::size_t limit = TAWKStr::kNoLimit, std::string_view before = {}) {
  const std::size_t copies = compiled.Pieces.size() - 1;
  const std::size_t room = limit - std::min(limit, out.size());
  const std::size_t fixed = before.size() + compiled.LiteralBytes;
  const bool fits = fixed >= before.size() && fixed <= room &&
                    (matched.empty() || copies <= (room - fixed) / matched.size());
  if (!fits) throw ERegExpParser(regex_messages::kOutputTooLong, 0);
  out += before;
  out += compiled.Pieces.front();
  for (std::size_t k = 1; k <= copies; ++k) {
    out += matched;
    out += compiled.Pieces[k];
  }
}

std::string TAWKStr::ExpandReplacement(const std::string &templ, std::string_view matched) {
  std::string out;
  AppendExpansion(out, CompileTemplate(templ), matched);
  return out;
}

void TAWKStr::CheckTemplate(const std::string &templ) { CompileTemplate(templ); }

TAWKStr::TAWKStr(void *owner) : TMatchCORE(owner), compiledTemplate_(std::make_unique<TCompiledTemplate>()) {
  Preprocessor().FuzzyCharDicList.push_back(&FuzzyCharDic());
}

TAWKStr::~TAWKStr() = default;

void TAWKStr::SetRegExp(const std::string &value) {
  TMatchCORE::SetRegExp(value);
  const TRE_DFA &dfa = CurrentDFA();
  searchFromLineStart_ = dfa.LHead || dfa.LTail;
}

bool TAWKStr::UseFuzzyCharDic() const { return Preprocessor().UseFuzzyCharDic; }

void TAWKStr::SetUseFuzzyCharDic(bool value) {
  Preprocessor().UseFuzzyCharDic = value;
  const std::string current = RegExp();
  SetRegExp(current);
}

bool TAWKStr::UseSynonymDic() const { return Preprocessor().UseSynonymDic; }

void TAWKStr::AssignRegExp(const std::string &value, bool useFuzzyCharDic) {
  Preprocessor().UseFuzzyCharDic = useFuzzyCharDic;
  SetRegExp(value);
}

void TAWKStr::SetUseSynonymDic(bool value) {
  Preprocessor().UseSynonymDic = value;
  const std::string current = RegExp();
  SetRegExp(current);
}

TMatchSpan TAWKStr::MatchMethod(std::string_view text) const {
  return searchFromLineStart_ ? SearchFromLineStart(text) : SearchPlain(text);
}

int TAWKStr::ReplaceAll(const std::string &templ, std::string &text) {
  const std::string_view all(text);
  TMatchSpan match = MatchMethod(all);
  if (!match.Found()) return 0;
  // The template is checked only once a match needs it, and text is
  // assigned only at the end, so a malformed template leaves text as it was.
  if (!templateValid_ || templ != templateText_) {
    templateValid_ = false;
    *compiledTemplate_ = CompileTemplate(templ);
    templateText_ = templ;
    templateValid_ = true;
  }
  const TCompiledTemplate &compiled = *compiledTemplate_;
  if (all.empty()) {
    std::string out;
    AppendExpansion(out, compiled, {}, MaxOutput);
    text = std::move(out);
    return 1;
  }
  std::string &out = out_;
  out.clear();
  std::string_view rest = all;
  int count = 0;
  for (;;) {
    AppendExpansion(out, compiled, rest.substr(match.Start, match.End - match.Start), MaxOutput,
                    rest.substr(0, match.Start));
    std::size_t end = match.End;
    if (match.Start == match.End && match.Start < rest.size()) {
      // An empty match: copy one character unchanged and go on after it.
      // In CR LF mode a CR is copied together with the character after it
      // (so CR LF counts as one), and that character is copied whole: the
      // next search must never start on a trail byte, where a match would
      // put the template inside a double-byte character.
      const auto characterLength = [&rest](std::size_t at) -> std::size_t {
        if (at >= rest.size()) return 0;
        return IsLeadByte(static_cast<unsigned char>(rest[at])) ? 2 : 1;
      };
      std::size_t n = characterLength(match.Start);
      if (LineSeparator == mcls_CRLF && rest[match.Start] == '\r') n += characterLength(match.Start + 1);
      n = std::min(n, rest.size() - match.Start);
      AppendWithin(out, rest.substr(match.Start, n), MaxOutput);
      end = match.Start + n;
    }
    ++count;
    const char last = rest[end - 1];
    rest = rest.substr(end);
    if (rest.empty()) break;
    if (!searchFromLineStart_) {
      // Without anchors both routines find the same match; the plain one
      // skips the line bookkeeping.
      match = SearchPlain(rest);
    } else {
      match = last == '\n' ? SearchFromLineStart(rest) : SearchInLine(rest);
    }
    if (!match.Found()) break;
  }
  AppendWithin(out, rest, MaxOutput);
  text.assign(out); // a copy, so that out_ keeps its grown buffer for the next call
  return count;
}
