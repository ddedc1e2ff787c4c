#include "regex/Messages.h"

namespace regex_messages {
const char *const kInvalidDoubleByte = "不正な２バイト文字コードです。";
const char *const kCharAfterBackslash = "\"\\\"の次には文字が必要です。";
const char *const kInvalidHex = "不正な１６進数コード表記です。";
const char *const kInvalidOctal = "不正な８進数コード表記です。";
const char *const kNeedRightBracket = "右ブラケット\"]\"が必要です";
const char *const kInvalidRange = "不正なキャラクタ範囲です";
const char *const kNeedCharOrLeftParen = "普通の文字、または左括弧\"(\"が必要です";
const char *const kNeedRightParen = "右(閉じ)括弧が必要です";
const char *const kInvalidClass = "不正なキャラクタクラス指定です。";
const char *const kExtraChars = "正規表現に余分な文字があります";
const char *const kTooComplex = "正規表現が複雑すぎます。";
const char *const kOutputTooLong = "置換結果が長すぎます。";
const char *const kFatalTree = "TREParseTree : 致命的エラー";
const char *const kCannotHappen = "This cannot happen in TRE_NFA.GenerateStateList";
} // namespace regex_messages
