#include "MountedFileSystem.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>

namespace {

bool HasTool(const std::string &name) { return Shell("command -v " + name + " >/dev/null 2>&1"); }

struct TRecipe {
  const char *Make;      // the mkfs command, IMAGE for the image
  const char *Tool;      // the program that must be there
  const char *Mounter;   // how it is mounted: "loop", "fuseblk" (on a loop device), "fuse"
  const char *Mount;     // the mount command, SOURCE and POINT for its arguments
  int Minimum;           // megabytes the kind needs at least
};

TRecipe RecipeOf(TFsKind kind) {
  switch (kind) {
  case TFsKind::ExfatFuse:
    return {"mkfs.exfat IMAGE", "mount.exfat-fuse", "fuseblk", "mount.exfat-fuse SOURCE POINT", 8};
  case TFsKind::VfatFuse:
    return {"mkfs.vfat -F 32 IMAGE", "fusefat", "fuse", "fusefat -o rw+ SOURCE POINT", 40};
  case TFsKind::NtfsWindowsNames:
    return {"mkfs.ntfs -F -q IMAGE", "ntfs-3g", "fuse", "ntfs-3g -o windows_names SOURCE POINT", 8};
  case TFsKind::Ext4:
    return {"mkfs.ext4 -q IMAGE", "mkfs.ext4", "loop", "mount -o loop SOURCE POINT", 2};
  case TFsKind::Ext4Casefold:
    return {"mkfs.ext4 -q -O casefold -E encoding=utf8 IMAGE", "mkfs.ext4", "loop", "mount -o loop SOURCE POINT", 8};
  case TFsKind::Xfs:
    return {"mkfs.xfs -q IMAGE", "mkfs.xfs", "loop", "mount -o loop SOURCE POINT", 320};
  case TFsKind::Btrfs:
    return {"mkfs.btrfs -q IMAGE", "mkfs.btrfs", "loop", "mount -o loop SOURCE POINT", 128};
  }
  return {};
}

std::string Replaced(std::string text, const std::string &from, const std::string &to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

bool Shell(const std::string &command, std::string *out) {
  std::FILE *pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  std::array<char, 4096> buffer{};
  std::string text;
  for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
    text.append(buffer.data(), got);
  const int status = ::pclose(pipe);
  if (out != nullptr) *out = text;
  return status == 0;
}

TMountedFileSystem::TMountedFileSystem(TFsKind kind, int megabytes) {
  std::string pattern = "/tmp/korvane-fs-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    WhyNot_ = "no temporary folder";
    return;
  }
  Folder_ = pattern;
  Image_ = Folder_ + "/image";
  MountPoint_ = Folder_ + "/mnt";
  ::mkdir(MountPoint_.c_str(), 0755);
  Mounted_ = Mount(kind, megabytes);
}

bool TMountedFileSystem::Mount(TFsKind kind, int megabytes) {
  const TRecipe recipe = RecipeOf(kind);
  const std::string mounter = recipe.Mounter;
  if (::geteuid() != 0) {
    WhyNot_ = "mounting needs root";
    return false;
  }
  if (mounter != "loop" && ::access("/dev/fuse", R_OK | W_OK) != 0) {
    WhyNot_ = "no /dev/fuse";
    return false;
  }
  if (!HasTool(recipe.Tool)) {
    WhyNot_ = std::string(recipe.Tool) + " is not installed";
    return false;
  }
  const int size = megabytes < recipe.Minimum ? recipe.Minimum : megabytes;
  if (!Shell("truncate -s " + std::to_string(size) + "M " + Image_) ||
      !Shell(Replaced(recipe.Make, "IMAGE", Image_) + " >/dev/null 2>&1")) {
    WhyNot_ = std::string("cannot make the file system: ") + recipe.Make;
    return false;
  }
  std::string source = Image_;
  if (mounter == "fuseblk") {
    std::string device;
    if (!Shell("losetup --find --show " + Image_ + " 2>/dev/null", &device) || device.empty()) {
      WhyNot_ = "no loop device";
      return false;
    }
    while (!device.empty() && device.back() == '\n') device.pop_back();
    LoopDevice_ = source = device;
  }
  const std::string command =
      Replaced(Replaced(recipe.Mount, "SOURCE", source), "POINT", MountPoint_) + " >/dev/null 2>&1";
  if (!Shell(command)) {
    WhyNot_ = "cannot mount: " + command;
    return false;
  }
  // A FUSE driver answers once its daemon is up; wait for the mount to show.
  for (int tries = 0; tries < 100; ++tries) {
    if (Shell("mountpoint -q " + MountPoint_)) break;
    ::usleep(20000);
  }
  if (kind == TFsKind::Ext4Casefold) {
    // Case is ignored per folder, in a folder made empty for it.
    if (!Shell("mkdir " + MountPoint_ + "/ci && chattr +F " + MountPoint_ + "/ci")) {
      WhyNot_ = "this kernel cannot ignore case on ext4";
      return true;
    }
    MountPoint_ += "/ci";
  }
  return true;
}

TMountedFileSystem::~TMountedFileSystem() {
  std::string point = Folder_ + "/mnt";
  if (Shell("mountpoint -q " + point)) {
    // A FUSE daemon may still be busy a moment after the last call.
    bool gone = false;
    for (int tries = 0; tries < 50 && !gone; ++tries) {
      gone = Shell("umount " + point + " >/dev/null 2>&1");
      if (!gone) ::usleep(100000);
    }
    if (!gone) Shell("umount -l " + point + " >/dev/null 2>&1");
  }
  if (!LoopDevice_.empty()) Shell("losetup -d " + LoopDevice_ + " >/dev/null 2>&1");
  std::error_code error;
  if (!Folder_.empty() && !Shell("mountpoint -q " + point)) std::filesystem::remove_all(Folder_, error);
}
