#pragma once
// The engine's messages, CP932 at run time.  They reach the user as they
// stand, so their wording (quotes included) must not change.

namespace regex_messages {
inline constexpr const char *kInvalidDoubleByte = "不正な２バイト文字コードです。";
inline constexpr const char *kCharAfterBackslash = "\"\\\"の次には文字が必要です。";
inline constexpr const char *kInvalidHex = "不正な１６進数コード表記です。";
inline constexpr const char *kInvalidOctal = "不正な８進数コード表記です。";
inline constexpr const char *kNeedRightBracket = "右ブラケット\"]\"が必要です";
inline constexpr const char *kInvalidRange = "不正なキャラクタ範囲です";
inline constexpr const char *kNeedCharOrLeftParen = "普通の文字、または左括弧\"(\"が必要です";
inline constexpr const char *kNeedRightParen = "右(閉じ)括弧が必要です";
inline constexpr const char *kInvalidClass = "不正なキャラクタクラス指定です。";
inline constexpr const char *kExtraChars = "正規表現に余分な文字があります";
inline constexpr const char *kTooComplex = "正規表現が複雑すぎます。";
inline constexpr const char *kFatalTree = "TREParseTree : 致命的エラー";
inline constexpr const char *kCannotHappen = "This cannot happen in TRE_NFA.GenerateStateList";
} // namespace regex_messages
