#include "media/MediaReader.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "media/LibrarySources.h"
#include "platform/Inspect.h"
#include "platform/Sys.h"

std::string MediaExtension(std::string_view name) {
  // '.' is never the second byte of a CP932 character.
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(name.substr(dot));
  for (char &c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

TMediaReader::TMediaReader(std::vector<std::unique_ptr<TMetadataSource>> sources)
    : Sources_(std::move(sources)) {}

const TMetadataSource *TMediaReader::SourceFor(std::string_view name, TMediaNeed need) const {
  if (need == TMediaNeed::None) return nullptr;
  const std::string extension = MediaExtension(name);
  for (const auto &source : Sources_)
    if (source->Reads(extension, need)) return source.get();
  return nullptr;
}

bool TMediaReader::Reads(std::string_view name, TMediaNeed need) const {
  return SourceFor(name, need) != nullptr;
}

std::shared_ptr<const TMediaFacts> TMediaReader::Read(const TEntryRef &entry, std::string_view name,
                                                      TMediaNeed need) const {
  const TMetadataSource *source = SourceFor(name, need);
  if (source == nullptr) return nullptr;
  const korvane::sys::TFd file(OpenForReading(entry));
  if (!file.Valid()) return nullptr;
  struct stat st {};
  if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  const std::string extension = MediaExtension(name);
  auto facts = std::make_shared<TMediaFacts>();
  if (!source->Read(TMediaInput{file.Get(), extension}, *facts)) return nullptr;
  return facts;
}

namespace {

constexpr const char *kModuleName = "korvane-media.so";

// Where the module lies: beside an installed program in lib/korvane, or
// where the build left it.
std::vector<std::string> ModulePlaces() {
  std::vector<std::string> places;
  char self[4096];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string folder(self, static_cast<std::size_t>(length));
    folder.erase(folder.rfind('/') + 1);
    places.push_back(folder + "../lib/korvane/" + kModuleName);
  }
#ifdef KORVANE_MEDIA_MODULE
  places.emplace_back(KORVANE_MEDIA_MODULE);
#endif
  return places;
}

std::vector<std::unique_ptr<TMetadataSource>> LoadModuleSources() {
  std::vector<std::unique_ptr<TMetadataSource>> sources;
  for (const std::string &place : ModulePlaces()) {
    // Never unloaded: the sources live as long as the process.
    void *module = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) continue;
    using TEntry = void (*)(std::vector<std::unique_ptr<TMetadataSource>> &);
    const auto entry = reinterpret_cast<TEntry>(::dlsym(module, "KorvaneMediaSources"));
    if (entry == nullptr) continue;
    entry(sources);
    break;
  }
  return sources;
}

}  // namespace

const TMediaReader &TMediaReader::Default() {
  static const TMediaReader reader(LoadModuleSources());
  return reader;
}

std::optional<DosDateTime> ShotDosDateTime(const TShotTime &shot) {
  // Whole seconds, rounded down also before 1970.
  std::int64_t seconds = shot.Instant / 1000;
  if (shot.Instant % 1000 < 0) --seconds;
  timespec time{};
  time.tv_sec = static_cast<std::time_t>(seconds);
  return FileTimeToDosDateTime(time);
}
