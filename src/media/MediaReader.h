#pragma once
// The one door through which the rest of the system learns what a file
// says of itself.  It picks the source for a name's extension, opens the
// entry for reading (relative to the folder the walk holds, never through
// a link) and hands back what the source found.

#include <memory>
#include <string_view>
#include <vector>

#include "media/MetadataSource.h"
#include "platform/FileSystem.h"

class TMediaReader {
public:
  // The sources in the order they are asked; the first that reads an
  // extension reads its files.
  explicit TMediaReader(std::vector<std::unique_ptr<TMetadataSource>> sources);

  // True when some source reads files of this name (CP932) for `need`.
  bool Reads(std::string_view name, TMediaNeed need) const;

  // What the file says, or nullptr when no source reads its kind, when it
  // is no regular file or cannot be opened, or when its source could not
  // read it.  Safe on several threads at once.
  std::shared_ptr<const TMediaFacts> Read(const TEntryRef &entry, std::string_view name,
                                          TMediaNeed need) const;

  // The reader of the libraries (Exiv2, libheif, libavformat, TagLib),
  // each in a module of its own (MediaKinds.h), loaded when the first file
  // of its kind is read.
  static const TMediaReader &Default();
  // False when a module of the libraries is missing.
  bool Available() const { return Available_; }

private:
  const TMetadataSource *SourceFor(std::string_view name, TMediaNeed need) const;
  std::vector<std::unique_ptr<TMetadataSource>> Sources_;
  bool Available_ = true;
};

// The extension of a name in ASCII lower case, dot included (empty without
// a dot).
std::string MediaExtension(std::string_view name);
