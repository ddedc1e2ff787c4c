// Which file system a folder lies on, and what it holds.
//
// The kernel names most file systems itself (statfs's magic number and the
// type in /proc/self/mountinfo).  A FUSE driver of a block device shows up
// only as "fuseblk", so the device's own superblock says what is on it
// (libblkid; where the device may not be read, udev's record of it).
// ntfs-3g refuses the names Windows refuses only when mounted with
// windows_names, an option the kernel never sees: the driver's own command
// line says whether it was given.
//
// The answers are kept per device for the run.  Lookups come from the walk's
// thread and the listing's second one, so the table is guarded.

#include "platform/FileSystems.h"

#include <blkid/blkid.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <cerrno>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "platform/CharCase.h"
#include "platform/Cp932.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

constexpr unsigned long kFuseMagic = 0x65735546;

// One line of /proc/self/mountinfo.
struct TMount {
  std::uint64_t Device = 0;
  std::string MountPoint;  // as the kernel gives it, escapes undone
  std::string Type;        // "ext4", "fuseblk", "fuse.fusefat", ...
  std::string Source;
  std::string Options;     // the file system's own options
};

// mountinfo escapes blanks, tabs, new lines and backslashes as \ooo.
std::string Unescaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size()) {
      const auto digit = [&](std::size_t at) { return text[at] >= '0' && text[at] <= '7'; };
      if (digit(i + 1) && digit(i + 2) && digit(i + 3)) {
        out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
        i += 3;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::vector<TMount> ReadMounts() {
  std::vector<TMount> mounts;
  std::ifstream in("/proc/self/mountinfo");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id, parent, majorMinor, root, point, options;
    if (!(fields >> id >> parent >> majorMinor >> root >> point >> options)) continue;
    std::string field;
    while (fields >> field && field != "-") {
    }
    TMount mount;
    if (!(fields >> mount.Type >> mount.Source)) continue;
    fields >> mount.Options;
    unsigned major = 0, minor = 0;
    if (std::sscanf(majorMinor.c_str(), "%u:%u", &major, &minor) != 2) continue;
    mount.Device = makedev(major, minor);
    mount.MountPoint = Unescaped(point);
    mount.Source = Unescaped(mount.Source);
    mounts.push_back(std::move(mount));
  }
  return mounts;
}

bool HasOption(std::string_view options, std::string_view option) {
  std::size_t at = 0;
  while (at <= options.size()) {
    std::size_t end = options.find(',', at);
    if (end == std::string_view::npos) end = options.size();
    const std::string_view one = options.substr(at, end - at);
    if (one == option || (one.starts_with(option) && one.size() > option.size() && one[option.size()] == '='))
      return true;
    at = end + 1;
  }
  return false;
}

// What the superblock of a device or image file says it holds ("exfat",
// "vfat", "ntfs", ...), or empty.
std::string ProbedType(const std::string &source) {
  struct stat st {};
  if (source.empty() || source.front() != '/' || ::stat(source.c_str(), &st) != 0) return {};
  if (!S_ISBLK(st.st_mode) && !S_ISREG(st.st_mode)) return {};
  std::string type;
  if (blkid_probe probe = blkid_new_probe_from_filename(source.c_str())) {
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE);
    const char *value = nullptr;
    if (blkid_do_safeprobe(probe) == 0 && blkid_probe_lookup_value(probe, "TYPE", &value, nullptr) == 0 &&
        value != nullptr)
      type = value;
    blkid_free_probe(probe);
  }
  if (!type.empty() || !S_ISBLK(st.st_mode)) return type;
  // An ordinary user may not read the device; udev has looked already.
  std::ifstream record("/run/udev/data/b" + std::to_string(major(st.st_rdev)) + ":" +
                       std::to_string(minor(st.st_rdev)));
  std::string line;
  while (std::getline(record, line))
    if (line.starts_with("E:ID_FS_TYPE=")) return line.substr(13);
  return {};
}

// True when the ntfs-3g process serving `mount` was given windows_names.
// The daemon has left its working folder, so a relative path on its command
// line is matched by its end.
bool NtfsDriverRefusesWindowsNames(const TMount &mount) {
  const auto names = [&](std::string_view arg) {
    if (arg.empty() || arg.front() == '-') return false;
    const auto matches = [&](const std::string &full) {
      if (arg.front() == '/') return full == arg;
      return full.size() > arg.size() && full.ends_with(arg) && full[full.size() - arg.size() - 1] == '/';
    };
    return matches(mount.MountPoint) || matches(mount.Source);
  };
  std::unique_ptr<DIR, int (*)(DIR *)> proc(::opendir("/proc"), ::closedir);
  if (!proc) return false;
  while (const dirent *entry = ::readdir(proc.get())) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    std::ifstream in(std::string("/proc/") + entry->d_name + "/cmdline", std::ios::binary);
    std::vector<std::string> args;
    for (std::string arg; std::getline(in, arg, '\0');) args.push_back(arg);
    if (args.empty()) continue;
    const std::string program = args[0].substr(args[0].rfind('/') + 1);
    if (program.find("ntfs") == std::string::npos) continue;
    if (std::none_of(args.begin() + 1, args.end(), names)) continue;
    for (std::size_t i = 1; i < args.size(); ++i) {
      const std::string &arg = args[i];
      const std::string_view options =
          arg == "-o" && i + 1 < args.size() ? std::string_view(args[i + 1])
          : arg.starts_with("-o")           ? std::string_view(arg).substr(2)
                                            : std::string_view();
      if (HasOption(options, "windows_names")) return true;
    }
    return false;
  }
  return false;
}

// The traits of a file system from what the kernel and the device say.
TFileSystemTraits TraitsOf(const struct statfs &info, const TMount *mount) {
  TFileSystemTraits traits;
  std::string type = mount ? mount->Type : std::string();
  const std::string options = mount ? mount->Options : std::string();
  bool fuse = info.f_type == kFuseMagic;
  if (fuse && mount) {
    // "fuse.NAME" names the driver; "fuseblk" and plain "fuse" say nothing,
    // and the superblock is asked.
    if (type.starts_with("fuse.")) {
      const std::string driver = type.substr(5);
      if (driver.find("exfat") != std::string::npos) type = "exfat";
      else if (driver.find("fat") != std::string::npos) type = "vfat";
      else if (driver.find("ntfs") != std::string::npos) type = "ntfs";
    } else {
      const std::string probed = ProbedType(mount->Source);
      if (!probed.empty()) type = probed;
    }
  }
  traits.Type = type.empty() ? std::string("unknown") : type;
  traits.StableFileNumbers = !fuse;

  const bool fat = type == "vfat" || type == "msdos" || type == "fat";
  const bool exfat = type == "exfat";
  const bool ntfs = type == "ntfs" || type == "ntfs3";
  if (fat || exfat) {
    traits.StableFileNumbers = false;
    traits.TimesKeptOnRename = !(fuse && fat);
    traits.ReservedCharacters = true;
    traits.Utf16Names = true;
    traits.CaseInsensitive = true;
    // The kernel's drivers drop a trailing dot (exFAT keeps it when told
    // to); the FUSE drivers store it as given.
    traits.TrailingDot = !fuse && !(exfat && HasOption(options, "keep_last_dots"));
    traits.DosAttributeIoctl = !fuse && info.f_type == MSDOS_SUPER_MAGIC;
  } else if (ntfs) {
    traits.Utf16Names = true;
    const bool windowsNames = fuse ? (mount && NtfsDriverRefusesWindowsNames(*mount))
                                   : HasOption(options, "windows_names");
    traits.ReservedCharacters = traits.TrailingDot = traits.TrailingSpace = traits.DeviceNames =
        windowsNames;
    traits.CaseInsensitive = !fuse && HasOption(options, "nocase");
  }
  return traits;
}

int RealFatGet(int fd, std::uint32_t &attributes) {
  return ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes);
}
int RealFatSet(int fd, std::uint32_t attributes) {
  return ::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &attributes);
}

// Everything learnt about the file systems of this run.
class TRegistry {
public:
  static TRegistry &Get() {
    static TRegistry registry;
    return registry;
  }

  TFileSystemTraits Traits(std::uint64_t device, int fd) {
    {
      const std::lock_guard lock(Mutex_);
      const auto found = Known_.find(device);
      if (found != Known_.end()) return found->second.Traits;
    }
    struct statfs info {};
    TFileSystemTraits traits;
    if (::fstatfs(fd, &info) == 0) {
      std::optional<TMount> mount;
      {
        const std::lock_guard lock(Mutex_);
        if (!MountsRead_) {
          Mounts_ = ReadMounts();
          MountsRead_ = true;
        }
        for (const TMount &m : Mounts_)
          if (m.Device == device) {
            mount = m;
            break;
          }
      }
      traits = TraitsOf(info, mount ? &*mount : nullptr);
    }
    const std::lock_guard lock(Mutex_);
    return Known_.try_emplace(device, TKnown{traits}).first->second.Traits;
  }

  // Known traits without a call, or nullopt.
  std::optional<TFileSystemTraits> Known(std::uint64_t device) {
    const std::lock_guard lock(Mutex_);
    const auto found = Known_.find(device);
    if (found == Known_.end()) return std::nullopt;
    return found->second.Traits;
  }

  bool AnyRefusal() const { return AnyRefusal_.load(std::memory_order_relaxed) != 0; }

  bool Refuses(std::uint64_t device, fs::TKernelFeature feature) {
    if (AnyRefusal_.load(std::memory_order_relaxed) == 0) return false;
    const std::lock_guard lock(Mutex_);
    const auto found = Known_.find(device);
    return found != Known_.end() && (found->second.Refused & Bit(feature)) != 0;
  }

  void NoteRefusal(std::uint64_t device, fs::TKernelFeature feature) {
    const std::lock_guard lock(Mutex_);
    auto found = Known_.find(device);
    if (found == Known_.end()) found = Known_.try_emplace(device, TKnown{}).first;
    found->second.Refused |= Bit(feature);
    AnyRefusal_.store(1, std::memory_order_relaxed);
  }

  std::vector<std::string> MountPoints(std::uint64_t device) {
    const std::lock_guard lock(Mutex_);
    if (!MountsRead_) {
      Mounts_ = ReadMounts();
      MountsRead_ = true;
    }
    std::vector<std::string> points;
    for (const TMount &m : Mounts_)
      if (m.Device == device) points.push_back(m.MountPoint);
    return points;
  }

  void Forget() {
    const std::lock_guard lock(Mutex_);
    for (auto it = Known_.begin(); it != Known_.end();) {
      if (Overridden_.count(it->first) != 0) {
        it->second.Refused = 0;
        ++it;
      } else {
        it = Known_.erase(it);
      }
    }
    Mounts_.clear();
    MountsRead_ = false;
    AnyRefusal_.store(0, std::memory_order_relaxed);
  }

  void Override(std::uint64_t device, const TFileSystemTraits &traits) {
    const std::lock_guard lock(Mutex_);
    Known_.insert_or_assign(device, TKnown{traits});
    Overridden_.insert_or_assign(device, true);
  }

  void ClearOverrides() {
    const std::lock_guard lock(Mutex_);
    for (const auto &[device, overridden] : Overridden_) Known_.erase(device);
    Overridden_.clear();
  }

  TFatAttributeCalls FatCalls() {
    const std::lock_guard lock(Mutex_);
    return FatCalls_;
  }
  void SetFatCalls(const TFatAttributeCalls &calls) {
    const std::lock_guard lock(Mutex_);
    FatCalls_ = calls.Get && calls.Set ? calls : TFatAttributeCalls{RealFatGet, RealFatSet};
  }

private:
  static unsigned Bit(fs::TKernelFeature feature) { return 1u << static_cast<unsigned>(feature); }

  struct TKnown {
    TFileSystemTraits Traits;
    unsigned Refused = 0;
  };
  std::mutex Mutex_;
  std::unordered_map<std::uint64_t, TKnown> Known_;
  std::unordered_map<std::uint64_t, bool> Overridden_;
  std::vector<TMount> Mounts_;
  bool MountsRead_ = false;
  std::atomic<int> AnyRefusal_{0};
  TFatAttributeCalls FatCalls_{RealFatGet, RealFatSet};
};

// Letters of a name walked a character at a time, double-byte aware.
template <class F>
void ForEachChar(std::string_view name, F &&f) {
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t length =
        IsDBCSLeadByte(static_cast<unsigned char>(name[at])) && at + 1 < name.size() ? 2 : 1;
    f(name.substr(at, length));
    at += length;
  }
}

bool IsDeviceName(std::string_view utf8) {
  std::string_view base = utf8.substr(0, utf8.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  // Every device name has three or four letters: other names are done
  // with at once, as every new name of a run passes here.
  if (base.size() != 3 && base.size() != 4) return false;
  char upper[4] = {};
  for (std::size_t i = 0; i < base.size(); ++i) {
    const char c = base[i];
    upper[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  const std::string_view name(upper, base.size());
  if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL") return true;
  return name.size() == 4 && (name.starts_with("COM") || name.starts_with("LPT")) &&
         name[3] >= '1' && name[3] <= '9';
}

// UTF-16 units of valid UTF-8 text, or nullopt for bytes that are not UTF-8.
std::optional<std::size_t> Utf16Units(std::string_view utf8) {
  std::size_t units = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + length > utf8.size()) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i)
      if ((static_cast<unsigned char>(utf8[at + i]) & 0xC0) != 0x80) return std::nullopt;
    units += length == 4 ? 2 : 1;
    at += length;
  }
  return units;
}

}  // namespace

namespace korvane::fs {

std::uint64_t DeviceOf(const struct stat &st) { return static_cast<std::uint64_t>(st.st_dev); }

std::optional<TFileSystemTraits> TraitsOfFolder(int dir) {
  struct stat st {};
  if (sys::Call("fstat", [&] { return ::fstat(dir, &st); }) != 0) return std::nullopt;
  return TRegistry::Get().Traits(DeviceOf(st), dir);
}

TFileSystemTraits TraitsOfDevice(std::uint64_t device, int fdOnIt) {
  return TRegistry::Get().Traits(device, fdOnIt);
}

TFileSystemTraits TraitsOfEntry(const struct stat &st, int dir, const char *name) {
  if (auto known = TRegistry::Get().Known(DeviceOf(st))) return *std::move(known);
  const int saved = errno;
  const sys::TFd fd(::openat(dir, name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
  TFileSystemTraits traits = TRegistry::Get().Traits(DeviceOf(st), fd.Get());
  errno = saved;
  return traits;
}

bool RefusalsNoted() { return TRegistry::Get().AnyRefusal(); }

std::string TopFolderOf(std::uint64_t device, const std::string &path) {
  std::string best;
  for (const std::string &point : TRegistry::Get().MountPoints(device)) {
    const bool holds = point == "/" || (path.starts_with(point) && (path.size() == point.size() || path[point.size()] == '/'));
    if (holds && point.size() > best.size()) best = point;
  }
  return best;
}

bool Refuses(std::uint64_t device, TKernelFeature feature) {
  return TRegistry::Get().Refuses(device, feature);
}

void NoteRefusal(std::uint64_t device, TKernelFeature feature) {
  TRegistry::Get().NoteRefusal(device, feature);
}

bool NameFitsUtf8(const TFileSystemTraits &traits, std::string_view utf8) {
  if (traits.Utf16Names) {
    const auto units = Utf16Units(utf8);
    if (!units || *units > 255) return false;
  }
  if (traits.ReservedCharacters) {
    for (const char c : utf8) {
      if (static_cast<unsigned char>(c) < 0x20) return false;
      switch (c) {
      case '"': case '*': case ':': case '<': case '>': case '?': case '\\': case '|': return false;
      default: break;
      }
    }
  }
  if (!utf8.empty() && ((traits.TrailingDot && utf8.back() == '.') ||
                        (traits.TrailingSpace && utf8.back() == ' ')))
    return false;
  return !(traits.DeviceNames && IsDeviceName(utf8));
}

bool NameMightBeRefused(std::string_view utf8) {
  TFileSystemTraits strictest;
  strictest.ReservedCharacters = strictest.TrailingDot = strictest.TrailingSpace =
      strictest.DeviceNames = strictest.Utf16Names = true;
  return !NameFitsUtf8(strictest, utf8);
}

namespace {

// The file system of the folder that holds `name` in `dir` (a name may be a
// whole path when `dir` is AT_FDCWD).  errno is kept.
std::optional<TFileSystemTraits> TraitsOfFolderOf(int dir, std::string_view name) {
  const int saved = errno;
  std::optional<TFileSystemTraits> traits;
  const std::size_t slash = name.rfind('/');
  if (slash == std::string_view::npos && dir != AT_FDCWD) {
    traits = TraitsOfFolder(dir);
  } else {
    const std::string folder = slash == std::string_view::npos ? std::string(".")
                               : slash == 0                    ? std::string("/")
                                                               : std::string(name.substr(0, slash));
    const sys::TFd fd(::openat(dir, folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (fd.Valid()) traits = TraitsOfFolder(fd.Get());
  }
  errno = saved;
  return traits;
}

std::string_view Leaf(std::string_view name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

}  // namespace

bool NameHeldAt(int dir, std::string_view utf8Name) {
  const std::string_view leaf = Leaf(utf8Name);
  if (!NameMightBeRefused(leaf)) return true;
  const auto traits = TraitsOfFolderOf(dir, utf8Name);
  if (!traits || NameFitsUtf8(*traits, leaf)) return true;
  errno = kErrorNameNotHeld;
  return false;
}

void ExplainNameRefusal(int dir, std::string_view utf8Name) {
  const int error = errno;
  const std::string_view leaf = Leaf(utf8Name);
  if ((error != EINVAL && error != EPERM) || !NameMightBeRefused(leaf)) return;
  const auto traits = TraitsOfFolderOf(dir, utf8Name);
  if (traits && traits->Utf16Names) errno = kErrorNameNotHeld;
}

TFatAttributeCalls FatCalls() { return TRegistry::Get().FatCalls(); }

}  // namespace korvane::fs

std::optional<TFileSystemTraits> FileSystemOf(const TFolderHandle &folder) {
  if (!folder.Valid()) {
    errno = EBADF;
    return std::nullopt;
  }
  return fs::TraitsOfFolder(folder.Native());
}

std::optional<TFileSystemTraits> FileSystemOf(const std::string &folder) {
  const TFolderHandle handle = TFolderHandle::Open(folder);
  return FileSystemOf(handle);
}

TNameFit NameFits(const TFileSystemTraits &traits, std::string_view name) {
  // Asked for every new name a plan makes; most are plain ASCII.
  if (IsAscii(name)) return fs::NameFitsUtf8(traits, name) ? TNameFit::Fits : TNameFit::NotHeld;
  const std::optional<std::string> utf8 = Cp932ToUtf8(name);
  if (!utf8) return TNameFit::NotHeld;
  return fs::NameFitsUtf8(traits, *utf8) ? TNameFit::Fits : TNameFit::NotHeld;
}

TNameFit NativeNameFits(const TFileSystemTraits &traits, std::string_view native) {
  return fs::NameFitsUtf8(traits, native) ? TNameFit::Fits : TNameFit::NotHeld;
}

std::string NameKey(const TFileSystemTraits &traits, std::string_view name) {
  if (!traits.CaseInsensitive) return std::string(name);
  std::string key;
  key.reserve(name.size());
  ForEachChar(name, [&](std::string_view character) {
    const std::uint16_t code = FoldedCharCode(character);
    if (code > 0xFF) key += static_cast<char>(code >> 8);
    key += static_cast<char>(code & 0xFF);
  });
  return key;
}

bool OneNameThere(const std::string &a, const std::string &b) {
  const std::size_t slashA = a.rfind('/');
  const std::size_t slashB = b.rfind('/');
  if (slashA == std::string::npos || slashB == std::string::npos || slashA != slashB ||
      a.compare(0, slashA, b, 0, slashB) != 0 || a == b)
    return false;
  TFileSystemTraits folding;
  folding.CaseInsensitive = true;
  const std::string_view leafA = std::string_view(a).substr(slashA + 1);
  const std::string_view leafB = std::string_view(b).substr(slashB + 1);
  if (NameKey(folding, leafA) != NameKey(folding, leafB)) return false;
  const auto traits = FileSystemOf(slashA == 0 ? std::string("/") : a.substr(0, slashA));
  return traits && traits->CaseInsensitive;
}

std::optional<TFreeSpace> FreeSpaceOf(const std::string &folder) {
  const TFolderHandle handle = TFolderHandle::Open(folder);
  if (!handle.Valid()) return std::nullopt;
  return fs::FreeSpaceAt(handle.Native());
}

std::uint64_t SpaceFor(const TFreeSpace &space, std::int64_t size) {
  if (size <= 0) return 0;
  const std::uint64_t cluster = space.Cluster == 0 ? 1 : space.Cluster;
  return (static_cast<std::uint64_t>(size) + cluster - 1) / cluster * cluster;
}

namespace korvane::fs {

std::optional<TFreeSpace> FreeSpaceAt(int dir) {
  struct statvfs info {};
  struct stat st {};
  if (sys::Call("fstatvfs", [&] { return ::fstatvfs(dir, &info); }) != 0 ||
      sys::Call("fstat", [&] { return ::fstat(dir, &st); }) != 0)
    return std::nullopt;
  TFreeSpace space;
  space.Device = DeviceOf(st);
  // The blocks kept back for the administrator are root's to use.
  const auto blocks = ::geteuid() == 0 ? info.f_bfree : info.f_bavail;
  space.Available = static_cast<std::uint64_t>(blocks) * info.f_frsize;
  space.Cluster = info.f_bsize > 0 ? info.f_bsize : 1;
  return space;
}

}  // namespace korvane::fs

void ForgetFileSystems() { TRegistry::Get().Forget(); }

void OverrideFileSystem(std::uint64_t device, const TFileSystemTraits &traits) {
  TRegistry::Get().Override(device, traits);
}

void ClearFileSystemOverrides() { TRegistry::Get().ClearOverrides(); }

void SetFatAttributeCalls(const TFatAttributeCalls &calls) { TRegistry::Get().SetFatCalls(calls); }
