// The cost of moves, each way against a baseline measured in the same run.
//
// bench_move [FOLDER [FILES [ROUNDS]]]   (defaults: ., 10000, 3)
//   Copy runs that delete their sources sync each copy and its folder
//   before the source goes, and write the copy into an unnamed O_TMPFILE
//   file.  FILES small files are copied and deleted three ways in FOLDER,
//   against the first:
//     old      a named temporary file, renamed; no sync
//     lazy     CopyFile without sync (O_TMPFILE, linked into place)
//     flushed  CopyFile with TCopyPurpose::Move, as a move across file
//              systems copies
//   The folder must be on the disk the ratios are wanted for (tmpfs syncs
//   for free).
//
// bench_move --across FROM TO [FILES [ROUNDS]]
//   FILES small files moved from FROM to TO, two folders on different file
//   systems, two ways, against the first:
//     copy-then-delete  what a move across file systems did before moves
//                       carried attributes: the durable copy, then the
//                       deletion, without looking at the source again
//     MoveFileEx        the move now: the same durable copy with every
//                       attribute, the ACL and the owner, a look at the
//                       source, then its removal

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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

bool CopyRange(int in, int out) {
  for (;;) {
    const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    if (copied == 0) return true;
    if (copied < 0) {
      if (errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP) return false;
      char buffer[1 << 16];
      for (ssize_t got; (got = ::read(in, buffer, sizeof buffer)) != 0;)
        if (got < 0 || ::write(out, buffer, static_cast<std::size_t>(got)) != got) return false;
      return true;
    }
  }
}

// What a copy with source deletion did before O_TMPFILE: no sync anywhere.
bool OldMove(const std::string &from, const std::string &folder, const std::string &to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  ::fstat(in, &st);
  std::string temp = folder + "/.korvane-copy-XXXXXX";
  const int out = ::mkostemp(temp.data(), O_CLOEXEC);
  bool ok = out >= 0 && CopyRange(in, out);
  const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  ok = ok && ::fchmod(out, st.st_mode & 07777) == 0 && ::futimens(out, times) == 0;
  if (out >= 0) ok = ::close(out) == 0 && ok;
  ::close(in);
  ok = ok && ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok && ::unlink(from.c_str()) == 0;
}

// What a move across file systems did before it carried attributes: the
// durable copy of the time (O_TMPFILE, the data, the two attributes of the
// DOS bits, the mode and time, fsync, linked into place, the folder synced)
// and then the deletion, without looking at the source again.
bool CopyThenDelete(const std::string &from, int folder, const std::string &name) {
  const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  bool ok = ::fstat(in, &st) == 0;
  const int out = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  ok = ok && out >= 0 && CopyRange(in, out);
  char value[256];
  for (const char *attribute : {"user.DOSATTRIB", "user.korvane.writebits"}) {
    const ssize_t length = ::fgetxattr(in, attribute, value, sizeof value);
    if (ok && length >= 0) ok = ::fsetxattr(out, attribute, value, static_cast<std::size_t>(length), 0) == 0;
  }
  const timespec times[2] = {{0, UTIME_NOW}, st.st_mtim};
  ok = ok && ::fchmod(out, st.st_mode & 07777) == 0 && ::futimens(out, times) == 0 && ::fsync(out) == 0;
  const std::string proc = "/proc/self/fd/" + std::to_string(out);
  ok = ok && ::linkat(AT_FDCWD, proc.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  if (out >= 0) ::close(out);
  ::close(in);
  const int dir = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ok = ok && dir >= 0 && ::fsync(dir) == 0;
  if (dir >= 0) ::close(dir);
  struct stat gone {};
  return ok && ::lstat(from.c_str(), &gone) == 0 && ::unlink(from.c_str()) == 0;
}

enum class TWay { Old, Lazy, Flushed, CopyThenDelete, Move };

double MoveAll(const std::string &from, const std::string &to, int files, TWay way) {
  std::filesystem::remove_all(from);
  std::filesystem::remove_all(to);
  MakeSources(from, files);
  std::filesystem::create_directories(to);
  const int folder = ::open(to.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ::sync();  // every way starts from a clean disk
  const double start = Seconds();
  for (int i = 0; i < files; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    const std::string source = from + "/" + name, target = to + "/" + name;
    bool ok = false;
    switch (way) {
    case TWay::Old: ok = OldMove(source, to, target); break;
    case TWay::Lazy: ok = CopyFile(source, target, false) && DeleteFile(source); break;
    case TWay::Flushed: ok = CopyFile(source, target, false, TCopyPurpose::Move) && DeleteFile(source); break;
    case TWay::CopyThenDelete: ok = CopyThenDelete(source, folder, name); break;
    case TWay::Move: ok = MoveFileEx(source, target, false); break;
    }
    if (!ok) {
      std::perror(source.c_str());
      std::exit(1);
    }
  }
  const double took = Seconds() - start;
  ::close(folder);
  return took;
}

std::string TempIn(const std::string &parent) {
  std::string root = parent + "/bench-move-XXXXXX";
  if (::mkdtemp(root.data()) == nullptr) {
    std::perror(parent.c_str());
    std::exit(1);
  }
  return root;
}

// The best of the rounds, ways interleaved so that a slow moment of the
// disk hits them alike, and taken in the opposite order every other round,
// so that none always inherits the writes of another.
std::vector<double> Best(const std::vector<TWay> &ways, int rounds, const std::string &from,
                         const std::string &to, int files) {
  std::vector<double> best(ways.size(), 1e300);
  for (int round = 0; round < rounds; ++round)
    for (std::size_t n = 0; n < ways.size(); ++n) {
      const std::size_t i = round % 2 == 0 ? n : ways.size() - 1 - n;
      best[i] = std::min(best[i], MoveAll(from, to, files, ways[i]));
    }
  return best;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc > 1 && std::string(argv[1]) == "--across") {
    if (argc < 4) {
      std::fprintf(stderr, "usage: %s --across FROM TO [FILES [ROUNDS]]\n", argv[0]);
      return 2;
    }
    const int files = argc > 4 ? std::atoi(argv[4]) : 10000;
    const int rounds = argc > 5 ? std::atoi(argv[5]) : 3;
    const std::string from = TempIn(argv[2]), to = TempIn(argv[3]);
    struct stat a {}, b {};
    if (::stat(from.c_str(), &a) != 0 || ::stat(to.c_str(), &b) != 0 || a.st_dev == b.st_dev) {
      std::fprintf(stderr, "%s and %s are not on two file systems\n", argv[2], argv[3]);
      return 2;
    }
    const std::vector<double> best =
        Best({TWay::CopyThenDelete, TWay::Move}, rounds, from + "/src", to + "/dst", files);
    std::filesystem::remove_all(from);
    std::filesystem::remove_all(to);
    std::printf("moving %d files of 100 bytes to another file system, best of %d rounds: "
                "copy-then-delete %.3f s, MoveFileEx %.3f s, ratio %.2f\n",
                files, rounds, best[0], best[1], best[1] / best[0]);
    return 0;
  }
  const std::string parent = argc > 1 ? argv[1] : ".";
  const int files = argc > 2 ? std::atoi(argv[2]) : 10000;
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
  const std::string root = TempIn(parent);
  const std::vector<double> best =
      Best({TWay::Old, TWay::Lazy, TWay::Flushed}, rounds, root + "/src", root + "/dst", files);
  std::filesystem::remove_all(root);
  std::printf("moving %d files of 100 bytes, best of %d rounds, against the old way:\n", files, rounds);
  std::printf("  lazy (O_TMPFILE, no sync) / old: %.2f\n", best[1] / best[0]);
  std::printf("  flushed (file and folder synced) / old: %.2f\n", best[2] / best[0]);
  return 0;
}
