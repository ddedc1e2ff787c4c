#pragma once
// How the text of a settings value becomes a field value: the profile
// functions' cleanup (quotes, length), integers, flags and the fixed forms
// of date and time texts.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// A value is read into a buffer of 2048 bytes, so at most this many bytes
// of it are read.
inline constexpr std::size_t kMaxValueBytes = 2047;

// A stored (already trimmed) value as a reader sees it: one pair of
// enclosing quotes (both ends the same, ' or ") removed, then cut to
// kMaxValueBytes.  The cut never splits a double-byte character: a lead
// byte whose trail byte would fall beyond the limit is dropped too.
std::string ProfileText(std::string_view stored);

// "0x"/"0X" followed by hex digits (text longer than 2 characters) or "$"
// followed by hex digits, up to 32 bits (wrapping to negative as a 32-bit
// integer would); otherwise a decimal number with an optional sign in the
// range of a 32-bit integer.  nullopt for anything else.
std::optional<int> ParseProfileInteger(std::string_view text);

// The fixed form of a date ("yyyy/mm/dd") or time ("hh:nn:ss") text, as the
// masked field makes it: the text is split at the separators in order, each
// field keeps its digits and blanks (other characters are dropped), a field
// that is too long keeps its last characters and a short one is padded with
// leading blanks.  Text after a further separator is dropped.  So "/  /"
// becomes "    /  /  " and ":  :" becomes "  :  :  ".
std::string NormaliseDateText(std::string_view text);
std::string NormaliseTimeText(std::string_view text);
