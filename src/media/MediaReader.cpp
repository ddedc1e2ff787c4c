#include "media/MediaReader.h"

#include <sys/stat.h>

#include <mutex>
#include <optional>
#include <string>

#include "media/MediaKinds.h"
#include "platform/Inspect.h"
#include "platform/Modules.h"
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
  if (!source->Read(TMediaInput{file.Get(), static_cast<long long>(st.st_size), extension}, *facts))
    return nullptr;
  return facts;
}

namespace {

#ifndef KORVANE_MEDIA_MODULE_DIR
#define KORVANE_MEDIA_MODULE_DIR ""
#endif

// A kind's source, its module loaded on the first file it is to read.
class TModuleSource final : public TMetadataSource {
public:
  TModuleSource(const TMediaKind &kind, std::string path) : Kind_(kind), Path_(std::move(path)) {}

  bool Reads(std::string_view extension, TMediaNeed need) const override {
    return KindReads(Kind_, extension, need);
  }

  bool Read(const TMediaInput &input, TMediaFacts &facts) const override {
    std::call_once(Once_, [this] {
      // A module that cannot be loaded reads nothing, as a missing one.
      std::string error;
      using TEntry = const TMetadataSource *(*)();
      if (void *entry = ModuleEntry(Path_, "KorvaneMediaSource", error))
        Loaded_ = reinterpret_cast<TEntry>(entry)();
    });
    return Loaded_ != nullptr && Loaded_->Read(input, facts);
  }

private:
  const TMediaKind &Kind_;
  std::string Path_;
  mutable std::once_flag Once_;
  mutable const TMetadataSource *Loaded_ = nullptr;
};

}  // namespace

const TMediaReader &TMediaReader::Default() {
  static const TMediaReader reader = [] {
    std::vector<std::unique_ptr<TMetadataSource>> sources;
    bool available = true;
    for (const TMediaKind &kind : kMediaKinds) {
      const std::optional<std::string> path =
          ModulePath("korvane-media-" + std::string(kind.Module) + ".so", KORVANE_MEDIA_MODULE_DIR);
      if (path)
        sources.push_back(std::make_unique<TModuleSource>(kind, *path));
      else
        available = false;
    }
    TMediaReader made(std::move(sources));
    made.Available_ = available;
    return made;
  }();
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
