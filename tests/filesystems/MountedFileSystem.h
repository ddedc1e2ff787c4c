#pragma once
// A real file system of its own for a test: an image file made and mounted
// (a loop device for the kernel's drivers and for a FUSE driver of block
// devices), unmounted and removed whatever the test's outcome.  Where the
// machine cannot mount (not root, no /dev/fuse, no loop devices, a driver or
// tool missing) nothing is mounted and WhyNot() says why, for the test to
// skip with.

#include <string>

enum class TFsKind {
  ExfatFuse,         // exFAT through exfat-fuse (a camera card)
  VfatFuse,          // FAT32 through fusefat (a USB stick)
  NtfsWindowsNames,  // NTFS through ntfs-3g with windows_names (a Windows disk)
  Ext4,
  Ext4Casefold,      // ext4 whose test folder ignores letter case
  Xfs,
  Btrfs,
};

class TMountedFileSystem {
public:
  // An image of `megabytes` (sparse; the kind's own minimum where larger).
  explicit TMountedFileSystem(TFsKind kind, int megabytes = 64);
  ~TMountedFileSystem();
  TMountedFileSystem(const TMountedFileSystem &) = delete;
  TMountedFileSystem &operator=(const TMountedFileSystem &) = delete;

  bool Mounted() const { return Mounted_; }
  const std::string &WhyNot() const { return WhyNot_; }
  // The mount point (no trailing '/'), system bytes.
  const std::string &Root() const { return MountPoint_; }

private:
  bool Mount(TFsKind kind, int megabytes);
  std::string Folder_;      // the test's own folder, holding the image and the mount point
  std::string Image_;
  std::string MountPoint_;
  std::string LoopDevice_;  // set up by the test, detached again
  bool Mounted_ = false;
  std::string WhyNot_;
};

// The lines a shell command prints on stdout, and whether it exited 0.
bool Shell(const std::string &command, std::string *out = nullptr);
