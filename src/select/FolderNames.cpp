#include "select/FolderNames.h"

#include "platform/Cp932.h"

std::string TFolderNames::Key(std::string_view name) const {
  return CaseSensitive_ ? std::string(name) : LowerCaseCp932(name);
}

bool TFolderNames::Contains(std::string_view name) const {
  if (CaseSensitive_) return Names_.find(name) != Names_.end();
  return Names_.find(Key(name)) != Names_.end();
}

void TFolderNames::Add(std::string_view name) { Names_.insert(Key(name)); }
