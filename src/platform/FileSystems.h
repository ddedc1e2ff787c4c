#pragma once
// What each file system a run meets can hold and do.  Camera cards, USB
// sticks and NAS shares are not ext4: a FAT or exFAT card refuses some
// characters and ignores letter case, many FUSE drivers and network file
// systems refuse the flags of renameat2, some keep no extended attributes,
// and any of them may be full.  The answers are found once per file system
// (per device) and kept until ForgetFileSystems(), which every run calls as
// it starts, so a card swapped between two runs is looked at again.
//
// What a file system is comes from statfs, /proc/self/mountinfo and, where
// those only say "fuseblk", the device's own superblock (libblkid).  What it
// refuses at run time (a flag, O_TMPFILE) is learnt from the kernel's first
// answer and remembered, so a refused call is tried once, not per file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

// Refusals of the platform's own rules, carried in errno beside the system's
// codes (which stay far below these) so they reach the record unchanged.
inline constexpr int kErrorNameNotHeld = 0x10001;       // a name the file system cannot hold
inline constexpr int kErrorNoAttributeStore = 0x10002;  // the file system keeps no attribute bits
inline constexpr int kErrorTimeNotStored = 0x10003;     // the file system kept another time than given
inline constexpr int kErrorReadOnly = 0x10004;          // a read-only file, refused as Windows refuses it
inline constexpr int kErrorSpecialFile = 0x10005;       // a named pipe, device or socket
inline constexpr int kErrorLinkAttributes = 0x10006;    // a symbolic link keeps no attributes of its own
inline constexpr int kErrorDotNameHidden = 0x10007;     // a name with a leading dot stays hidden
inline constexpr int kErrorAttributeNotHeld = 0x10008;  // an extended attribute or ACL the destination cannot hold
inline constexpr int kErrorSourceChanged = 0x10009;     // the source of a move changed while it was copied

struct TFileSystemTraits {
  std::string Type;                 // "ext4", "vfat", "exfat", "ntfs", "fuse.sshfs", ...
  bool ReservedCharacters = false;  // refuses " * : < > ? \ | and control characters
  bool TrailingDot = false;         // refuses a trailing dot (or would drop it unasked)
  bool TrailingSpace = false;       // refuses a trailing space
  bool DeviceNames = false;         // refuses CON, PRN, AUX, NUL, COM1-9 and LPT1-9
  bool Utf16Names = false;          // a name is at most 255 UTF-16 units, and valid text
  bool CaseInsensitive = false;     // names that differ only in letter case are one name
  bool DosAttributeIoctl = false;   // the kernel's FAT driver keeps the real DOS attributes
  // A file keeps its number (inode) from one mount to the next.  FAT has
  // none of its own, and most FUSE drivers make them up as names are met.
  bool StableFileNumbers = true;
  // A renamed file keeps its last-write time (the FAT driver for FUSE
  // stamps the time of the rename instead).
  bool TimesKeptOnRename = true;
};

// The file system `folder` lies on; nullopt (errno set) when it cannot be
// examined.
std::optional<TFileSystemTraits> FileSystemOf(const TFolderHandle &folder);
std::optional<TFileSystemTraits> FileSystemOf(const std::string &folder);

// Whether a file system holds `name` (CP932, one component) as it is.
enum class TNameFit { Fits, NotHeld };
TNameFit NameFits(const TFileSystemTraits &traits, std::string_view name);
// The same for a name in its form on the disk (UTF-8), for a caller that
// has converted it already.
TNameFit NativeNameFits(const TFileSystemTraits &traits, std::string_view native);

// Letter case as such a file system ignores it: the key under which two
// names are one (the name itself where case counts).
std::string NameKey(const TFileSystemTraits &traits, std::string_view name);

// True when two paths (CP932) name one entry because they differ only in
// letter case in the same folder of a file system that ignores case.
bool OneNameThere(const std::string &a, const std::string &b);

// Room left for the caller's files on the file system of `folder` (root
// may use the blocks kept back for it), and the unit a file's size is
// rounded up to there.
struct TFreeSpace {
  std::uint64_t Device = 0;
  std::uint64_t Available = 0;  // bytes
  std::uint64_t Cluster = 1;    // bytes
};
std::optional<TFreeSpace> FreeSpaceOf(const std::string &folder);
// The bytes a file of `size` takes there.
std::uint64_t SpaceFor(const TFreeSpace &space, std::int64_t size);

// Forgets everything learnt about file systems.  Called when a run starts.
void ForgetFileSystems();

// For tests: `device` is to be taken for a file system with these traits
// (the kernel's answers are still learnt as they come), through every run,
// until the overrides are cleared.
void OverrideFileSystem(std::uint64_t device, const TFileSystemTraits &traits);
void ClearFileSystemOverrides();

// For tests: what stands in for the kernel FAT driver's attribute calls
// (FAT_IOCTL_GET_ATTRIBUTES and FAT_IOCTL_SET_ATTRIBUTES) on a machine
// without that driver.  Each returns 0 or -1 with errno set.
struct TFatAttributeCalls {
  int (*Get)(int fd, std::uint32_t &attributes) = nullptr;
  int (*Set)(int fd, std::uint32_t attributes) = nullptr;
};
void SetFatAttributeCalls(const TFatAttributeCalls &calls);
