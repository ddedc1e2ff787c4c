#pragma once
// The Qt side of drops and the command line: turns what the shell hands over
// into CP932 paths and runs the drop with the hourglass shown.

#include <QList>
#include <QStringList>
#include <QUrl>

#include "ui/session/DropTargets.h"

class QMimeData;

// A path made absolute against the current folder, without "." and empty
// components, and with each ".." taken away as the file system resolves it:
// after a symbolic link it goes to the parent of the link's target.  A ".."
// the file system could not resolve (after something that is not a folder)
// leaves the path as it is, so it still names nothing.  Empty stays empty.
QString AbsolutePath(const QString &path);

// Local paths (for instance the command-line arguments without the program
// name) as absolute paths (AbsolutePath), converted to CP932.
TPathList PathListFromStrings(const QStringList &paths);

// The items of a drop in the order the shell gives them, as absolute paths.
TPathList PathListFromUrls(const QList<QUrl> &urls);

// The whole drop handler.  `y` is the drop point's height in the window's
// client area, measured from the top of the file page control.  The
// hourglass is shown while the paths are looked at and restored also when an
// error ends the handler.  Returns the choice so that the window can show
// SkippedPathsMessage() after its refresh (which clears the status panel).
TTargetChoice HandleDrop(const QMimeData &data, int y, TTargetFields &fields,
                         int pageControlFileHeight = kPageControlFileHeight,
                         int panelMiscHeight = kPanelMiscHeight);
