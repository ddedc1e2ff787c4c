#include "ui/session/DropEvent.h"

#include <QApplication>
#include <QCursor>
#include <QMimeData>

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
  if (std::optional<std::string> cp932 = Cp932FromQ(path)) {
    list.Paths.push_back(std::move(*cp932));
  } else {
    ++list.Unrepresentable;
  }
}

}  // namespace

TPathList PathListFromStrings(const QStringList &paths) {
  TPathList list;
  for (const QString &path : paths) AddPath(list, path);
  return list;
}

TPathList PathListFromUrls(const QList<QUrl> &urls) {
  TPathList list;
  for (const QUrl &url : urls) {
    if (url.isLocalFile()) {
      AddPath(list, url.toLocalFile());
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
