#pragma once

#include <string>
#include <string_view>

// The last component of a folder path after one trailing delimiter is
// dropped; empty for a root.  What the rename object's FolderNameText gets.
std::string LastFolderName(std::string_view folder);
