#include "ui/session/DropEvent.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QMimeData>

#include "platform/Cp932.h"
#include "ui/session/SessionText.h"

namespace {

// The hourglass for the life of the object.
class TWaitCursor {
public:
  TWaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor &) = delete;
  TWaitCursor &operator=(const TWaitCursor &) = delete;
};

void AddPath(TPathList &list, const QString &path) {
  if (std::optional<std::string> cp932 = Cp932FromQ(AbsolutePath(path))) {
    list.Paths.push_back(std::move(*cp932));
  } else {
    ++list.Unrepresentable;
  }
}

// The bytes of a local file URL's path, percent-decoded: toLocalFile()
// would decode them as UTF-8 and turn a byte that is not UTF-8 into U+FFFD,
// naming another file.
void AddUrlPath(TPathList &list, const QUrl &url) {
  if (!url.host().isEmpty()) {
    AddPath(list, url.toLocalFile());
    return;
  }
  const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  std::optional<std::string> cp932 = Utf8ToCp932(std::string_view(bytes.constData(), bytes.size()));
  // Through the window text that gives back these very bytes.
  if (cp932) cp932 = Cp932FromQ(AbsolutePath(QFromCp932(*cp932)));
  if (cp932) {
    list.Paths.push_back(std::move(*cp932));
  } else {
    ++list.Unrepresentable;
  }
}

}  // namespace

QString AbsolutePath(const QString &path) {
  if (path.isEmpty()) return path;
  const QString absolute =
      QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path;
  QStringList parts;
  for (const QString &part : absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    if (part == QLatin1String(".")) continue;
    if (part != QLatin1String("..")) {
      parts << part;
      continue;
    }
    if (parts.isEmpty()) continue;  // the root is its own parent
    const QFileInfo sofar(QLatin1Char('/') + parts.join(QLatin1Char('/')));
    if (!sofar.isDir()) return absolute;
    if (sofar.isSymLink()) parts = sofar.canonicalFilePath().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!parts.isEmpty()) parts.removeLast();
  }
  return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

TPathList PathListFromStrings(const QStringList &paths) {
  TPathList list;
  for (const QString &path : paths) AddPath(list, path);
  return list;
}

TPathList PathListFromUrls(const QList<QUrl> &urls) {
  TPathList list;
  for (const QUrl &url : urls) {
    if (url.isLocalFile()) {
      AddUrlPath(list, url);
    } else {
      ++list.NotLocal;
    }
  }
  return list;
}

TTargetChoice HandleDrop(const QMimeData &data, int y, TTargetFields &fields,
                         int pageControlFileHeight, int panelMiscHeight) {
  TTargetChoice choice;
  {
    TWaitCursor wait;
    choice = ChooseTargets(PathListFromUrls(data.urls()), kMaxDroppedPathBytes);
  }
  ApplyDrop(choice, IsOnCopyFolderPanel(y, pageControlFileHeight, panelMiscHeight), fields);
  return choice;
}
