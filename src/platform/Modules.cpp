#include "platform/Modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <vector>

std::optional<std::string> ModulePath(std::string_view file, std::string_view buildFolder) {
  std::vector<std::string> places;
  char self[4096];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string folder(self, static_cast<std::size_t>(length));
    folder.erase(folder.rfind('/') + 1);
    places.push_back(folder + "../lib/korvane/" + std::string(file));
  }
  if (!buildFolder.empty()) places.push_back(std::string(buildFolder) + "/" + std::string(file));
  for (const std::string &place : places)
    if (::access(place.c_str(), R_OK) == 0) return place;
  return std::nullopt;
}

void *ModuleEntry(const std::string &path, const char *entry, std::string &error) {
  void *module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char *reason = ::dlerror();
    error = reason != nullptr ? reason : path;
    return nullptr;
  }
  void *address = ::dlsym(module, entry);
  if (address == nullptr) {
    const char *reason = ::dlerror();
    error = reason != nullptr ? reason : entry;
  }
  return address;
}
