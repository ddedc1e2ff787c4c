#pragma once
// Letter case as the Windows name comparison ignores it: ASCII letters, and
// among the double-byte characters of code page 932 the full-width Latin,
// Greek and Cyrillic letters.  Other characters, and every trail byte, have
// no case.

#include <cstdint>
#include <string_view>

// One character (one byte, or a lead byte and its trail byte) as a number in
// which both cases of a letter are the same: the upper-case form.
std::uint16_t FoldedCharCode(std::string_view character);
