#pragma once
// The engine's messages, CP932 at run time.  They reach the user as they
// stand, so their wording (quotes included) must not change.  Defined out
// of line, in one CP932 source.

namespace regex_messages {
extern const char *const kInvalidDoubleByte;
extern const char *const kCharAfterBackslash;
extern const char *const kInvalidHex;
extern const char *const kInvalidOctal;
extern const char *const kNeedRightBracket;
extern const char *const kInvalidRange;
extern const char *const kNeedCharOrLeftParen;
extern const char *const kNeedRightParen;
extern const char *const kInvalidClass;
extern const char *const kExtraChars;
extern const char *const kTooComplex;
extern const char *const kOutputTooLong;
extern const char *const kFatalTree;
extern const char *const kCannotHappen;
} // namespace regex_messages
