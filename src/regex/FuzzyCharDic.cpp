#include "regex/FuzzyCharDic.h"

#include <string>

#include "platform/Cp932.h"
#include "platform/Errors.h"

namespace {

// Kept in UTF-8 and converted once, so that a build whose narrow literals
// are not CP932 gets exactly the same dictionary.
constexpr const char8_t *kRows[kFuzzyCharDicRows] = {
    u8"Ａ,ａ,A,a", u8"Ｂ,ｂ,B,b", u8"Ｃ,ｃ,C,c", u8"Ｄ,ｄ,D,d", u8"Ｅ,ｅ,E,e",
    u8"Ｆ,ｆ,F,f", u8"Ｇ,ｇ,G,g", u8"Ｈ,ｈ,H,h", u8"Ｉ,ｉ,I,i", u8"Ｊ,ｊ,J,j",
    u8"Ｋ,ｋ,K,k", u8"Ｌ,ｌ,L,l", u8"Ｍ,ｍ,M,m", u8"Ｎ,ｎ,N,n", u8"Ｏ,ｏ,O,o",
    u8"Ｐ,ｐ,P,p", u8"Ｑ,ｑ,Q,q", u8"Ｒ,ｒ,R,r", u8"Ｓ,ｓ,S,s", u8"Ｔ,ｔ,T,t",
    u8"Ｕ,ｕ,U,u", u8"Ｖ,ｖ,V,v", u8"Ｗ,ｗ,W,w", u8"Ｘ,ｘ,X,x", u8"Ｙ,ｙ,Y,y",
    u8"Ｚ,ｚ,Z,z",
    // 26-35: digits
    u8"0,０,零", u8"1,１,一,①,Ⅰ,壱", u8"2,２,二,②,Ⅱ,弐", u8"3,３,三,③,Ⅲ,参",
    u8"4,４,四,④,Ⅳ", u8"5,５,五,⑤,Ⅴ,伍", u8"6,６,六,⑥,Ⅵ", u8"7,７,七,⑦,Ⅶ",
    u8"8,８,八,⑧,Ⅷ", u8"9,９,九,⑨,Ⅸ",
    // 36-71: punctuation
    u8"\"　\",\" \"", u8"!,！", u8"\"\"\"\",”", u8"#,＃", u8"$,＄", u8"%,％", u8"&,＆",
    u8"',’", u8"(,（", u8"),）", u8"*,＊", u8"+,＋",
    u8"ー,～,ｰ,", u8"-,ー,－,～,ｰ", u8"･,・", u8"/,／", u8":,：", u8";,；", u8"<,＜",
    u8"=,＝", u8">,＞", u8"?,？", u8"@,＠",
    u8"[,［,〔", u8"\\,￥", u8"],］,〕", u8"^,＾", u8"_,＿", u8"{,｛", u8"|,｜", u8"},｝",
    u8"~,￣", u8"\",\",､,、,，", u8"｡,.,。,．", u8"「,『,｢", u8"」,』,｣",
    // 72-95: ん and voiced kana
    u8"ん,ン,ﾝ", u8"が,ガ,ｶﾞ,か゛,カ゛", u8"ぎ,ギ,ｷﾞ,き゛,キ゛", u8"ぐ,グ,ｸﾞ,く゛,ク゛",
    u8"げ,ゲ,ｹﾞ,け゛,ケ゛", u8"ご,ゴ,ｺﾞ,こ゛,コ゛", u8"ざ,ザ,ｻﾞ,さ゛,サ゛",
    u8"じ,ジ,ｼﾞ,し゛,シ゛,ぢ,ヂ,ﾁﾞ,ち゛,チ゛", u8"ず,ズ,ｽﾞ,す゛,ス゛,づ,ヅ,ﾂﾞ,つ゛,ツ゛",
    u8"ぜ,ゼ,ｾﾞ,せ゛,セ゛", u8"ぞ,ゾ,ｿﾞ,そ゛,ソ゛", u8"だ,ダ,ﾀﾞ,た゛,タ゛", u8"で,デ,ﾃﾞ,て゛,テ゛",
    u8"ど,ド,ﾄﾞ,と゛,ト゛",
    u8"ば,バ,ﾊﾞ,は゛,ハ゛,ヴァ,う゛ぁ,ウ゛ァ,ｳﾞｧ", u8"び,ビ,ﾋﾞ,ひ゛,ヒ゛,ヴィ,う゛ぃ,ウ゛ィ,ｳﾞｨ",
    u8"ぶ,ブ,ﾌﾞ,ふ゛,フ゛,ヴ,ウ゛,う゛,ｳﾞ",
    u8"べ,ベ,ﾍﾞ,へ゛,ヘ゛,ヴェ,う゛ぇ,ウ゛ェ,ｳﾞｪ", u8"ぼ,ボ,ﾎﾞ,ほ゛,ホ゛,ヴォ,う゛ぉ,ウ゛ォ,ｳﾞｫ",
    u8"ぱ,パ,ﾊﾟ,は゜,ハ゜", u8"ぴ,ピ,ﾋﾟ,ひ゜,ヒ゜", u8"ぷ,プ,ﾌﾟ,ふ゜,フ゜", u8"ぺ,ペ,ﾍﾟ,へ゜,ヘ゜",
    u8"ぽ,ポ,ﾎﾟ,ほ゜,ホ゜",
    // 96-142: plain kana
    u8"あ,ア,ｱ,ぁ,ァ,ｧ", u8"い,イ,ｲ,ぃ,ィ,ｨ", u8"う,ウ,ｳ,ぅ,ゥ,ｩ", u8"え,エ,ｴ,ぇ,ェ,ｪ",
    u8"お,オ,ｵ,ぉ,ォ,ｫ",
    u8"か,カ,ｶ", u8"き,キ,ｷ", u8"く,ク,ｸ", u8"け,ケ,ｹ", u8"こ,コ,ｺ", u8"さ,サ,ｻ", u8"し,シ,ｼ",
    u8"す,ス,ｽ", u8"せ,セ,ｾ", u8"そ,ソ,ｿ", u8"た,タ,ﾀ", u8"ち,チ,ﾁ",
    u8"つ,ツ,ﾂ,っ,ッ,ｯ", u8"て,テ,ﾃ", u8"と,ト,ﾄ", u8"な,ナ,ﾅ", u8"に,ニ,ﾆ", u8"ぬ,ヌ,ﾇ",
    u8"ね,ネ,ﾈ", u8"の,ノ,ﾉ", u8"は,ハ,ﾊ", u8"ひ,ヒ,ﾋ", u8"ふ,フ,ﾌ", u8"へ,ヘ,ﾍ", u8"ほ,ホ,ﾎ",
    u8"ま,マ,ﾏ", u8"み,ミ,ﾐ", u8"む,ム,ﾑ", u8"め,メ,ﾒ", u8"も,モ,ﾓ", u8"や,ヤ,ﾔ,ゃ,ャ,ｬ",
    u8"ゆ,ユ,ﾕ,ゅ,ュ,ｭ", u8"よ,ヨ,ﾖ,ょ,ョ,ｮ", u8"ら,ラ,ﾗ", u8"り,リ,ﾘ", u8"る,ル,ﾙ", u8"れ,レ,ﾚ",
    u8"ろ,ロ,ﾛ",
    u8"わ,ワ,ﾜ,うぁ,ウァ,ｳｧ", u8"ヰ,ゐ,うぃ,ウィ,ｳｨ", u8"ヱ,ゑ,うぇ,ウェ,ｳｪ", u8"を,ヲ,ｦ,うぉ,ウォ,ｳｫ",
    // 143-144: separate voicing marks
    u8"ﾞ,゛", u8"ﾟ,゜",
};

// Names on Linux often hold another form of a character the table names: a
// decomposed kana (か + U+3099 COMBINING VOICED SOUND MARK, as macOS writes
// names) where the table has the separate mark ゛, or the character whose
// Shift-JIS code returns the table's look-alike (WAVE DASH for ～).  Each
// word with such a look-alike gets a twin with the other form, added at the
// end of its group, so the lookup order of the table's own words stays.
constexpr struct {
  const char8_t *TableForm;
  const char8_t *NameForm;
} kOtherForms[] = {
    {u8"\u309B", u8"\u3099"}, {u8"\u309C", u8"\u309A"}, {u8"\uFF5E", u8"\u301C"},
    {u8"\uFF0D", u8"\u2212"}, {u8"\u2225", u8"\u2016"}, {u8"\uFFE0", u8"\u00A2"},
    {u8"\uFFE1", u8"\u00A3"}, {u8"\uFFE2", u8"\u00AC"}, {u8"\u2015", u8"\u2014"},
};

std::string ToCp932OrThrow(std::u8string_view utf8, const std::string &what) {
  std::optional<std::string> cp932 =
      Utf8ToCp932(std::string_view(reinterpret_cast<const char *>(utf8.data()), utf8.size()));
  if (!cp932) throw EKorvaneError("fuzzy-character dictionary: " + what + " has no CP932 form");
  return *std::move(cp932);
}

// `word` with every `from` character (whole characters only) replaced by `to`.
std::string ReplaceCharacter(const std::string &word, const std::string &from, const std::string &to) {
  std::string out;
  for (std::size_t i = 0; i < word.size();) {
    const std::size_t length = IsDBCSLeadByte(static_cast<unsigned char>(word[i])) && i + 1 < word.size() ? 2 : 1;
    if (word.compare(i, length, from) == 0) {
      out += to;
    } else {
      out.append(word, i, length);
    }
    i += length;
  }
  return out;
}

void AddOtherForms(TREDictionary::TWordGroup &group) {
  const std::size_t tableWords = group.size();
  for (const auto &form : kOtherForms) {
    const std::string from = ToCp932OrThrow(form.TableForm, "a look-alike");
    const std::string to = ToCp932OrThrow(form.NameForm, "a look-alike");
    for (std::size_t w = 0; w < tableWords; ++w) {
      std::string twin = ReplaceCharacter(group[w], from, to);
      if (twin != group[w]) group.push_back(std::move(twin));
    }
  }
}

TREDictionary BuildFuzzyCharDic() {
  std::vector<TREDictionary::TWordGroup> groups;
  groups.reserve(kFuzzyCharDicRows);
  for (int row = 0; row < kFuzzyCharDicRows; ++row) {
    groups.push_back(SplitCommaText(ToCp932OrThrow(kRows[row], "row " + std::to_string(row))));
    AddOtherForms(groups.back());
  }
  return TREDictionary(std::move(groups));
}

} // namespace

std::u8string_view FuzzyCharDicRow(int row) { return kRows[row]; }

const TREDictionary &FuzzyCharDic() {
  static const TREDictionary dictionary = BuildFuzzyCharDic();
  return dictionary;
}
