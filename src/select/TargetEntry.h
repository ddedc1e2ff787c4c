#pragma once
// One file or folder found by the walk in one folder.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "media/MediaFacts.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"

struct TargetEntry {
  // The folder being walked, with its delimiter: the walk's own text of the
  // level, shared by all its entries, so an entry holds no copy of it.  It
  // lives as long as the level's walk, which is as long as its entries do.
  std::string_view Folder;
  std::string Name;
  std::uint32_t Attributes = 0;  // kAttr... bits
  std::int64_t Size = 0;         // bytes, 0 for folders (64 bits: files of 2 GiB and more compare right)
  DosDateTime Time = 0;          // last-write time, local, packed
  bool IsSymlink = false;        // never descended into
  // What the file says of itself (shooting time, tags), read by the walk
  // when the run needs it; null otherwise, and for a file whose kind no
  // source reads or that could not be read.
  std::shared_ptr<const TMediaFacts> Media;
  TFileId Id;                    // what the entry leads to (a link: what it points to)
};
