#pragma once
// One source of facts about a file, each behind the library that reads its
// formats (Exiv2 for photos, libheif for HEIF and AVIF, libavformat for
// videos, TagLib for music).  The renaming logic sees only this interface,
// so a test can hand it a source of its own.

#include <string_view>

#include "media/MediaFacts.h"

// An open file to read.  A source reads only through the descriptor, which
// it must neither close nor keep; the file is a regular file.
struct TMediaInput {
  int Fd = -1;
  long long Size = 0;  // bytes
  // The name's extension in lower case, dot included (".jpg"); empty
  // without one.
  std::string_view Extension;
};

class TMetadataSource {
public:
  virtual ~TMetadataSource() = default;
  // True when the source reads files with this extension (lower case, dot
  // included) for what `need` asks.
  virtual bool Reads(std::string_view extension, TMediaNeed need) const = 0;
  // Adds what the file says to `facts`; false when the file could not be
  // read as its format.  Reads no more of it than its header, and is safe to
  // call on several threads at once for different files.
  virtual bool Read(const TMediaInput &input, TMediaFacts &facts) const = 0;
};
