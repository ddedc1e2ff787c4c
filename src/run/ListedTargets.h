#pragma once
// The targets of a job as the walk found them, kept so that their plan can
// be made again without listing the folders again: the window's live list
// plans the same targets after every edit of a rename's options, and the
// disk is read only when the folder, the filter or the narrowing change.
//
// Each level holds its entries as listed (before the run orders them) and
// the levels below it by name: the folder targets' own subtrees and the
// subfolders the closing scan found, the latter in the order it found them.

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "select/TargetEntry.h"

struct TListedLevel {
  std::string Dir;  // with its trailing delimiter
  std::vector<TargetEntry> Entries;
  struct TBelow {
    std::string Name;
    std::unique_ptr<TListedLevel> Level;
  };
  std::vector<TBelow> Below;

  // The level below of that name; null when it was not walked.
  const TListedLevel *Child(const std::string &name) const;
  TListedLevel &AddBelow(const std::string &name);

private:
  std::unordered_map<std::string, std::size_t> ByName_;
};

struct TListedTargets {
  std::string Folder;       // as the walk was given it
  std::string Destination;  // where the run puts renamed copies
  std::unique_ptr<TListedLevel> Top;
  std::size_t Count = 0;    // targets of every level
  // False when the listing was ended early: the levels listed are whole,
  // but later ones are missing, and Count is a least.
  bool Complete = true;
};
