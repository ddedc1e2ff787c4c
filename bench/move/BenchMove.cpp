// The cost of a durable move: a copy run that deletes its sources now syncs
// each copy and its folder before the source goes, and writes the copy into
// an unnamed O_TMPFILE file.  This moves FILES small files three ways in the
// same run and prints the ratios against the first:
//   old      the former sequence (a named temporary file, renamed; no sync)
//   lazy     CopyFile without sync (O_TMPFILE, linked into place)
//   flushed  CopyFile with TCopyPurpose::Move, as TCopyCn moves
// Each way then deletes the source.  The folder must be on the disk the
// ratios are wanted for (tmpfs syncs for free).
// Usage: bench_move [FOLDER [FILES [ROUNDS]]]   (defaults: ., 10000, 3)

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace {

double Seconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void MakeSources(const std::string &folder, int files) {
  std::filesystem::create_directories(folder);
  const std::string content(100, 'x');
  for (int i = 0; i < files; ++i) {
    const std::string path = folder + "/f" + std::to_string(i) + ".txt";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) {
      std::perror(path.c_str());
      std::exit(1);
    }
    ::close(fd);
  }
}

// What a copy with source deletion did before: no sync anywhere.
bool OldMove(const std::string &from, const std::string &folder, const std::string &to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  ::fstat(in, &st);
  std::string temp = folder + "/.korvane-copy-XXXXXX";
  const int out = ::mkostemp(temp.data(), O_CLOEXEC);
  bool ok = out >= 0;
  while (ok) {
    const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    if (copied <= 0) {
      ok = copied == 0;
      break;
    }
  }
  const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  ok = ok && ::fchmod(out, st.st_mode & 07777) == 0 && ::futimens(out, times) == 0;
  if (out >= 0) ok = ::close(out) == 0 && ok;
  ::close(in);
  ok = ok && ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok && ::unlink(from.c_str()) == 0;
}

enum class TWay { Old, Lazy, Flushed };

double MoveAll(const std::string &root, int files, TWay way) {
  const std::string src = root + "/src", dst = root + "/dst";
  std::filesystem::remove_all(src);
  std::filesystem::remove_all(dst);
  MakeSources(src, files);
  std::filesystem::create_directories(dst);
  ::sync();  // every way starts from a clean disk
  const double start = Seconds();
  for (int i = 0; i < files; ++i) {
    const std::string name = "/f" + std::to_string(i) + ".txt";
    bool ok;
    if (way == TWay::Old) {
      ok = OldMove(src + name, dst, dst + name);
    } else {
      ok = CopyFile(src + name, dst + name, false,
                    way == TWay::Flushed ? TCopyPurpose::Move : TCopyPurpose::Copy) &&
           DeleteFile(src + name);
    }
    if (!ok) {
      std::perror((src + name).c_str());
      std::exit(1);
    }
  }
  return Seconds() - start;
}

}  // namespace

int main(int argc, char **argv) {
  const std::string parent = argc > 1 ? argv[1] : ".";
  const int files = argc > 2 ? std::atoi(argv[2]) : 10000;
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
  std::string root = parent + "/bench-move-XXXXXX";
  if (::mkdtemp(root.data()) == nullptr) {
    std::perror(parent.c_str());
    return 1;
  }
  // The best of the rounds, ways interleaved so that a slow moment of the
  // disk hits them alike.
  std::vector<double> best(3, 1e300);
  for (int round = 0; round < rounds; ++round)
    for (const TWay way : {TWay::Old, TWay::Lazy, TWay::Flushed})
      best[static_cast<int>(way)] = std::min(best[static_cast<int>(way)], MoveAll(root, files, way));
  std::filesystem::remove_all(root);
  std::printf("moving %d files of 100 bytes, best of %d rounds, against the old way:\n", files, rounds);
  std::printf("  lazy (O_TMPFILE, no sync) / old: %.2f\n", best[1] / best[0]);
  std::printf("  flushed (file and folder synced) / old: %.2f\n", best[2] / best[0]);
  return 0;
}
