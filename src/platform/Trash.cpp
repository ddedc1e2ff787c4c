// The desktop trash (freedesktop.org layout) through QtCore, which knows
// where the trash of each file system lives and writes the .trashinfo that
// lets the file be restored.  Unlike the shell call of the Windows original,
// whose result nobody looked at, the result here is what really happened.
//
// Qt 6.4 cannot set up the home trash when the data folder ($XDG_DATA_HOME,
// else ~/.local/share) does not exist yet, as on a fresh account or under a
// service: it then "trashes" into files/ and info/ of the current folder and
// reports success.  So the data folder is created first, the way a desktop
// session would have it, and a place in the trash that is not an absolute
// path is undone and reported as a failure.

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include <QFile>
#include <QString>

#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

// Creates `dir` and its missing parents with mode 0700 (private, as the
// trash must be); true when it exists afterwards.
bool MakeFolders(const std::string &dir) {
  for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
    const std::string level = dir.substr(0, slash);
    struct stat st {};
    if (::stat(level.c_str(), &st) != 0 &&
        sys::Call("mkdir", [&] { return ::mkdir(level.c_str(), 0700); }) != 0 && errno != EEXIST)
      return false;
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder that holds the home trash, by the XDG rules: $XDG_DATA_HOME
// when it is an absolute path, else $HOME/.local/share.
std::string DataHome() {
  const char *xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const char *home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/share";
  return {};
}

}  // namespace

bool MoveToTrash(const std::string &path) {
  auto utf8 = fs::SystemPath(path);
  if (!utf8) return false;
  // Qt takes "dir/" for an entry with an empty name.
  while (utf8->size() > 1 && utf8->back() == '/') utf8->pop_back();
  struct stat st {};
  if (sys::Call("lstat", [&] { return ::lstat(utf8->c_str(), &st); }) != 0) return false;
  if (sys::FaultFires("moveToTrash")) return false;

  const std::string dataHome = DataHome();
  if (!dataHome.empty()) MakeFolders(dataHome);  // Qt reports what is still missing.

  const QString source = QString::fromUtf8(utf8->data(), static_cast<qsizetype>(utf8->size()));
  QString placed;
  if (!QFile::moveToTrash(source, &placed)) {
    // Qt does not say why; an I/O error is the honest general answer.
    errno = EIO;
    return false;
  }
  if (!placed.startsWith(QLatin1Char('/'))) {
    // Qt found no trash and moved the entry below the current folder: put
    // it back, drop the stray .trashinfo, and say it failed.
    const QByteArray stray = placed.toUtf8();
    ::rename(stray.constData(), utf8->c_str());
    const QString info = QStringLiteral("info/") + placed.section(QLatin1Char('/'), -1) +
                         QStringLiteral(".trashinfo");
    ::unlink(info.toUtf8().constData());
    ::rmdir("files");
    ::rmdir("info");
    errno = EIO;
    return false;
  }
  return true;
}
