// The width and kana conversions of the case step.
//
// ICU's transforms (Fullwidth-Halfwidth, Halfwidth-Fullwidth,
// Hiragana-Katakana, Katakana-Hiragana) and its NFC composition are the
// source of every table here.  Each table is read from ICU once, character by
// character, the first time a conversion needs it; a name then costs one
// lookup per character, which a rename of a large folder needs: running the
// transforms over every name would cost more than the rename itself.
//
// Where a transform's answer is not what the conversion promises, the
// promise holds and the table is adjusted around ICU:
// - Each conversion touches only its own kind of character: the width
//   transforms also change ASCII, kana punctuation and the space, which
//   only the conversion of that kind may do.
// - A character whose counterpart is not a single character that converts
//   back to it has none: Katakana-Hiragana makes the small ヵ a full-size か,
//   and ヿ two characters.  Where ICU has no answer, a kana's counterpart is
//   the character of the same Unicode name in the other script (ゕ for ヵ),
//   when there is one.
// - Within a name the prolonged sound mark stays ー: the transforms read
//   トー as とお.  Characters are converted one by one, never by context,
//   except that a half-width katakana joins its half-width sound mark.
// - A half-width sound mark that joins nothing becomes the full-width
//   spacing mark (ﾝﾞ -> ン゛), not the combining one ICU gives, which would
//   sit on the character before it; the reverse makes both kinds of mark
//   half-width.
// - No output may hold '/', '\', ':', NUL or the yen sign (which Shift-JIS
//   writes as the backslash): the character stays instead, so ／, ＼, ：
//   and ￥ stay full-width.

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/JapaneseText.h"

namespace {

// Characters to their replacements, in pages of 256 that exist only where a
// character of the page has one.  An empty replacement is "no entry".
class TCharMap {
public:
  void Set(char16_t from, std::u16string to) {
    auto &page = pages_[from >> 8];
    if (!page) page = std::make_unique<std::array<std::u16string, 256>>();
    (*page)[from & 0xFF] = std::move(to);
  }
  const std::u16string *Find(char16_t c) const {
    const auto &page = pages_[c >> 8];
    if (!page) return nullptr;
    const std::u16string &to = (*page)[c & 0xFF];
    return to.empty() ? nullptr : &to;
  }

private:
  std::array<std::unique_ptr<std::array<std::u16string, 256>>, 256> pages_;
};

std::unique_ptr<icu::Transliterator> Transform(const char *id) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Transliterator> transform(
      icu::Transliterator::createInstance(icu::UnicodeString(id, -1, US_INV), UTRANS_FORWARD, status));
  if (U_FAILURE(status) || !transform) {
    throw EKorvaneError(std::string("ICU has no transform ") + id + " (" + u_errorName(status) + ")");
  }
  return transform;
}

std::u16string Apply(const icu::Transliterator &transform, std::u16string_view text) {
  icu::UnicodeString converted(text.data(), static_cast<int32_t>(text.size()));
  transform.transliterate(converted);
  return std::u16string(converted.getBuffer(), static_cast<std::size_t>(converted.length()));
}

bool IsSafeOutput(std::u16string_view text) {
  for (const char16_t c : text) {
    if (c == u'/' || c == u'\\' || c == u':' || c == 0 || c == 0x00A5) return false;
  }
  return true;
}

// One table per direction: every character of [first, last] that the
// transform changes into something `accept` takes.
template <class Accept>
void FillFromTransform(TCharMap &map, const icu::Transliterator &transform, char16_t first,
                       char16_t last, Accept accept) {
  for (char32_t c = first; c <= last; ++c) {
    const std::u16string from(1, static_cast<char16_t>(c));
    std::u16string to = Apply(transform, from);
    if (to != from && IsSafeOutput(to) && accept(to)) map.Set(from[0], std::move(to));
  }
}

constexpr char16_t kCombiningVoiced = 0x3099;
constexpr char16_t kCombiningSemiVoiced = 0x309A;
constexpr char16_t kSpacingVoiced = 0x309B;
constexpr char16_t kSpacingSemiVoiced = 0x309C;
constexpr char16_t kHalfVoiced = 0xFF9E;
constexpr char16_t kHalfSemiVoiced = 0xFF9F;
constexpr char16_t kHalfKanaFirst = 0xFF61;  // ｡ to ﾟ: half-width katakana and their marks
constexpr char16_t kHalfKanaLast = 0xFF9F;
constexpr char16_t kKanaFirst = 0x3041;  // hiragana ぁ to katakana ヿ
constexpr char16_t kKanaLast = 0x30FF;

bool IsHalfKana(char16_t c) { return c >= kHalfKanaFirst && c <= kHalfKanaLast; }
bool IsKana(char16_t c) { return c >= kKanaFirst && c <= kKanaLast; }

// Full-width ASCII (！ to ～) and the ideographic space to ASCII.
TCharMap MakeAlnumHalf() {
  TCharMap map;
  const auto transform = Transform("Fullwidth-Halfwidth");
  const auto single = [](const std::u16string &to) { return to.size() == 1 && to[0] < 0x80; };
  FillFromTransform(map, *transform, 0xFF01, 0xFF5E, single);
  FillFromTransform(map, *transform, 0x3000, 0x3000, single);
  return map;
}

// ASCII, the space included, to full-width.
TCharMap MakeAlnumFull() {
  TCharMap map;
  const auto transform = Transform("Halfwidth-Fullwidth");
  FillFromTransform(map, *transform, 0x20, 0x7E, [](const std::u16string &to) { return to.size() == 1; });
  return map;
}

// Half-width katakana to full-width, with the joins of a letter and its
// sound mark.
struct THalfKanaTables {
  TCharMap Single;
  TCharMap JoinVoiced;      // letter -> letter with ﾞ
  TCharMap JoinSemiVoiced;  // letter -> letter with ﾟ
};

THalfKanaTables MakeKanaFull() {
  THalfKanaTables tables;
  const auto transform = Transform("Halfwidth-Fullwidth");
  FillFromTransform(tables.Single, *transform, kHalfKanaFirst, kHalfKanaLast,
                    [](const std::u16string &to) { return to.size() == 1; });
  // A mark on its own is the spacing mark.
  tables.Single.Set(kHalfVoiced, std::u16string(1, kSpacingVoiced));
  tables.Single.Set(kHalfSemiVoiced, std::u16string(1, kSpacingSemiVoiced));
  for (char16_t letter = kHalfKanaFirst; letter < kHalfVoiced; ++letter) {
    for (const char16_t mark : {kHalfVoiced, kHalfSemiVoiced}) {
      const std::u16string pair{letter, mark};
      std::u16string joined = Apply(*transform, pair);
      if (joined.size() != 1 || !IsSafeOutput(joined)) continue;
      (mark == kHalfVoiced ? tables.JoinVoiced : tables.JoinSemiVoiced).Set(letter, std::move(joined));
    }
  }
  return tables;
}

// Full-width katakana, their punctuation and the sound marks to half-width:
// every character whose half-width form lies wholly in the half-width
// katakana block (ガ -> ｶﾞ).  Katakana without a half-width form (ヮ, ヵ)
// stay.
TCharMap MakeKanaHalf() {
  TCharMap map;
  const auto transform = Transform("Fullwidth-Halfwidth");
  FillFromTransform(map, *transform, 0x3000, kKanaLast, [](const std::u16string &to) {
    for (const char16_t c : to)
      if (!IsHalfKana(c)) return false;
    return true;
  });
  for (const char16_t mark : {kCombiningVoiced, kSpacingVoiced})
    if (!map.Find(mark)) map.Set(mark, std::u16string(1, kHalfVoiced));
  for (const char16_t mark : {kCombiningSemiVoiced, kSpacingSemiVoiced})
    if (!map.Find(mark)) map.Set(mark, std::u16string(1, kHalfSemiVoiced));
  return map;
}

// The character whose Unicode name is `c`'s with the script word `from`
// replaced by `to` (HIRAGANA LETTER SMALL KA -> KATAKANA LETTER SMALL KA),
// or 0.
char16_t NamedCounterpart(char16_t c, std::string_view from, std::string_view to) {
  char name[128];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = u_charName(c, U_UNICODE_CHAR_NAME, name, sizeof name, &status);
  if (U_FAILURE(status) || length <= 0) return 0;
  const std::string_view named(name, static_cast<std::size_t>(length));
  if (named.substr(0, from.size()) != from) return 0;
  const std::string other = std::string(to) + std::string(named.substr(from.size()));
  status = U_ZERO_ERROR;
  const UChar32 found = u_charFromName(U_UNICODE_CHAR_NAME, other.c_str(), &status);
  return U_FAILURE(status) || found <= 0 || found > 0xFFFF ? 0 : static_cast<char16_t>(found);
}

// The kana of one script to the other: ICU's answer when it is one
// character that ICU turns back into the kana, else the kana of the same
// name, else none.
TCharMap MakeKanaKind(const char *forwardId, const char *backwardId, char16_t first, char16_t last,
                      std::string_view script, std::string_view otherScript) {
  TCharMap map;
  const auto forward = Transform(forwardId);
  const auto backward = Transform(backwardId);
  for (char16_t c = first; c <= last; ++c) {
    const std::u16string from(1, c);
    std::u16string to = Apply(*forward, from);
    const bool roundTrip = to.size() == 1 && to != from && Apply(*backward, to) == from;
    if (!roundTrip) {
      const char16_t named = NamedCounterpart(c, script, otherScript);
      to = named != 0 ? std::u16string(1, named) : std::u16string();
    }
    if (!to.empty() && IsSafeOutput(to)) map.Set(c, std::move(to));
  }
  return map;
}

const TCharMap &AlnumHalf() {
  static const TCharMap map = MakeAlnumHalf();
  return map;
}
const TCharMap &AlnumFull() {
  static const TCharMap map = MakeAlnumFull();
  return map;
}
const THalfKanaTables &KanaFull() {
  static const THalfKanaTables tables = MakeKanaFull();
  return tables;
}
const TCharMap &KanaHalf() {
  static const TCharMap map = MakeKanaHalf();
  return map;
}
const TCharMap &ToKatakana() {
  static const TCharMap map =
      MakeKanaKind("Hiragana-Katakana", "Katakana-Hiragana", 0x3041, 0x309F, "HIRAGANA ", "KATAKANA ");
  return map;
}
const TCharMap &ToHiragana() {
  static const TCharMap map =
      MakeKanaKind("Katakana-Hiragana", "Hiragana-Katakana", 0x30A0, kKanaLast, "KATAKANA ", "HIRAGANA ");
  return map;
}

const icu::Normalizer2 &Nfc() {
  static const icu::Normalizer2 *nfc = [] {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *instance = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status) || instance == nullptr)
      throw EKorvaneError(std::string("ICU has no NFC data (") + u_errorName(status) + ")");
    return instance;
  }();
  return *nfc;
}

// Each pass returns whether it changed anything.
bool MapChars(std::u16string &text, const TCharMap &map) {
  std::u16string out;
  bool changed = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::u16string *to = map.Find(text[i]);
    if (to != nullptr && !changed) {
      out.assign(text, 0, i);
      changed = true;
    }
    if (changed) {
      if (to != nullptr) out += *to;
      else out += text[i];
    }
  }
  if (changed) text = std::move(out);
  return changed;
}

bool JoinHalfKana(std::u16string &text) {
  const THalfKanaTables &tables = KanaFull();
  std::u16string out;
  out.reserve(text.size());
  bool changed = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (!IsHalfKana(c)) {
      out += c;
      continue;
    }
    if (i + 1 < text.size() && (text[i + 1] == kHalfVoiced || text[i + 1] == kHalfSemiVoiced)) {
      const TCharMap &join = text[i + 1] == kHalfVoiced ? tables.JoinVoiced : tables.JoinSemiVoiced;
      if (const std::u16string *joined = join.Find(c)) {
        out += *joined;
        ++i;
        changed = true;
        continue;
      }
    }
    const std::u16string *to = tables.Single.Find(c);
    out += to != nullptr ? *to : std::u16string(1, c);
    changed = changed || to != nullptr;
  }
  if (changed) text = std::move(out);
  return changed;
}

// NFC for kana only: other decomposed characters (a Mac's é) stay as they
// are, and so do the compatibility ideographs that NFC would replace.
bool ComposeKanaMarks(std::u16string &text) {
  const icu::Normalizer2 &nfc = Nfc();
  std::u16string out;
  bool changed = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsKana(c) && i + 1 < text.size() &&
        (text[i + 1] == kCombiningVoiced || text[i + 1] == kCombiningSemiVoiced)) {
      const UChar32 composed = nfc.composePair(c, text[i + 1]);
      if (composed > 0 && composed <= 0xFFFF) {
        if (!changed) out.assign(text, 0, i);
        changed = true;
        out += static_cast<char16_t>(composed);
        ++i;
        continue;
      }
    }
    if (changed) out += c;
  }
  if (changed) text = std::move(out);
  return changed;
}

// The program's own IsAscii is not linked into this module.
bool AllAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

std::string ConvertKana(std::string_view cp932, const TKanaConversions &conversions) {
  if (!conversions.Any()) return std::string(cp932);
  // Only ASCII made full-width changes an ASCII text.
  if (conversions.WidthAlnum != 2 && AllAscii(cp932)) return std::string(cp932);
  std::optional<std::u16string> text = Cp932ToUtf16(cp932);
  if (!text) return std::string(cp932);
  bool changed = false;
  if (conversions.ComposeMarks) changed |= ComposeKanaMarks(*text);
  if (conversions.WidthAlnum == 1) changed |= MapChars(*text, AlnumHalf());
  if (conversions.WidthAlnum == 2) changed |= MapChars(*text, AlnumFull());
  if (conversions.WidthKana == 1) changed |= JoinHalfKana(*text);
  if (conversions.KanaKind == 1) changed |= MapChars(*text, ToKatakana());
  if (conversions.KanaKind == 2) changed |= MapChars(*text, ToHiragana());
  if (conversions.WidthKana == 2) changed |= MapChars(*text, KanaHalf());
  // An unchanged text keeps its own bytes (CP932 has a few duplicate codes).
  if (!changed) return std::string(cp932);
  std::optional<std::string> converted = Utf16ToCp932(*text);
  return converted ? std::move(*converted) : std::string(cp932);
}
