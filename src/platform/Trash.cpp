// The desktop trash (freedesktop.org layout) through QtCore, which knows
// where the trash of each file system lives and writes the .trashinfo that
// lets the file be restored.  Unlike the shell call of the Windows original,
// whose result nobody looked at, the result here is what really happened.

#include <sys/stat.h>

#include <cerrno>

#include <QFile>
#include <QString>

#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

bool MoveToTrash(const std::string &path) {
  auto utf8 = fs::SystemPath(path);
  if (!utf8) return false;
  // Qt takes "dir/" for an entry with an empty name.
  while (utf8->size() > 1 && utf8->back() == '/') utf8->pop_back();
  struct stat st {};
  if (sys::Call("lstat", [&] { return ::lstat(utf8->c_str(), &st); }) != 0) return false;
  if (sys::FaultFires("moveToTrash")) return false;
  if (!QFile::moveToTrash(QString::fromUtf8(utf8->data(), static_cast<qsizetype>(utf8->size())))) {
    // Qt does not say why; an I/O error is the honest general answer.
    errno = EIO;
    return false;
  }
  return true;
}
