#pragma once
// Name splitting shared by the rename steps and the copy operation.  A name
// is a base and an extension; the extension runs from the last '.' that has
// no path delimiter after it, dot included.  The scans are double-byte
// aware: the second byte of a Shift-JIS character is never taken for '.' or
// a delimiter (表 is 0x95 0x5C).

#include <string>
#include <string_view>

struct TNameParts {
  std::string Base;
  std::string Ext;  // empty, or starts with '.'
};

TNameParts SplitName(std::string_view name);
// Where SplitName's extension starts: name.size() when there is none.
std::size_t ExtensionOffset(std::string_view name);

// base + ext, ext used as given (it carries its own dot; empty removes the
// extension).
std::string ChangeFileExt(std::string_view name, std::string_view ext);

// The part of a path after its last delimiter.
std::string ExtractFileName(std::string_view path);

// True for a name that can only name an entry of the folder it is used in:
// not empty, not "." or "..", no delimiter and no NUL byte.  A rename or an
// alias that fails this must touch nothing.
bool IsPlainName(std::string_view name);
