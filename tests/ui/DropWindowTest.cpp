// Files and folders dropped onto the window, as the shell hands them over.

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>

#include "SessionFixture.h"

namespace {

class DropWindowTest : public SessionTest {
protected:
  void SetUp() override {
    SessionTest::SetUp();
    W().show();
    C().ComboBoxFolder->setEditText(QStringLiteral("/before"));
    C().ComboBoxFilter->setEditText(QStringLiteral("*.before"));
    C().ComboBoxCopyFolder->setEditText(QStringLiteral("/copy-before"));
  }

  // Scratch files (and folders, for names ending in "/") that exist.
  QStringList Make(const QStringList &relatives) {
    QStringList paths;
    for (const QString &relative : relatives) {
      const QString path = Scratch(relative);
      if (relative.endsWith(QLatin1Char('/'))) {
        QDir().mkpath(path);
        paths << path.chopped(1);
      } else {
        WriteText(path, {"x"});
        paths << path;
      }
    }
    return paths;
  }

  // A drag over `target` at `position` (the target's coordinates) and the
  // drop; returns whether the drop was taken.
  bool Drop(QWidget *target, QPoint position, const QStringList &paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths) urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    // File managers offer the paths as text as well, which edits would take.
    data.setText(paths.join(QLatin1Char('\n')));
    QDragEnterEvent enter(position, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(position), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  }
  bool DropAtHeight(int y, const QStringList &paths) { return Drop(&W(), QPoint(200, y), paths); }

  QString Folder() const { return C().ComboBoxFolder->currentText(); }
  QString Filter() const { return C().ComboBoxFilter->currentText(); }
  QString CopyFolder() const { return C().ComboBoxCopyFolder->currentText(); }
};

TEST_F(DropWindowTest, FilesSetTheFolderOfTheLastAndEachNewExtensionOnce) {
  struct Case {
    QStringList Files;
    QString Folder;
    QString Filter;
  };
  const Case cases[] = {
      {{"A/x.txt", "B/y.TXT"}, "B/", "*.txt"},
      {{"C/x.cpp", "C/y.c"}, "C/", "*.cpp"},
      {{"D/README", "D/Makefile"}, "D/", "*;*"},
      {{"E/", }, "E", ""},
      {{"F/a.txt", "G/"}, "G", "*.txt"},
  };
  for (const Case &c : cases) {
    C().PageControlFile->setCurrentWidget(C().TabSheetSettings);
    ASSERT_TRUE(DropAtHeight(50, Make(c.Files))) << c.Files.join(' ').toStdString();
    EXPECT_EQ(Folder(), Scratch(c.Folder)) << c.Files.join(' ').toStdString();
    EXPECT_EQ(Filter(), c.Filter) << c.Files.join(' ').toStdString();
    EXPECT_EQ(C().PageControlFile->currentWidget(), C().TabSheetTarget);
    EXPECT_EQ(CopyFolder(), QStringLiteral("/copy-before"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
  EXPECT_EQ(R().FolderNameText, "G") << "the drop refreshes the target folder's name";
}

// Strictly between the bottom of the file pages and the bottom of the panel
// below them, a drop sets the copy destination only.
TEST_F(DropWindowTest, HeightDecidesBetweenTargetAndCopyDestination) {
  const QStringList file = Make({"H/x.dat"});
  struct Case {
    int Y;
    bool OnPanel;
  };
  for (const Case &c : {Case{120, false}, Case{121, false}, Case{122, true}, Case{212, true},
                        Case{213, false}, Case{300, false}}) {
    C().ComboBoxFolder->setEditText(QStringLiteral("/before"));
    C().ComboBoxFilter->setEditText(QStringLiteral("*.before"));
    C().ComboBoxCopyFolder->setEditText(QStringLiteral("/copy-before"));
    ASSERT_TRUE(DropAtHeight(c.Y, file)) << c.Y;
    if (c.OnPanel) {
      EXPECT_EQ(CopyFolder(), Scratch(QStringLiteral("H/"))) << c.Y;
      EXPECT_EQ(Folder(), QStringLiteral("/before")) << c.Y;
      EXPECT_EQ(Filter(), QStringLiteral("*.before")) << c.Y;
    } else {
      EXPECT_EQ(CopyFolder(), QStringLiteral("/copy-before")) << c.Y;
      EXPECT_EQ(Folder(), Scratch(QStringLiteral("H/"))) << c.Y;
      EXPECT_EQ(Filter(), QStringLiteral("*.dat")) << c.Y;
    }
  }
}

// Edits and lists take dropped text themselves; a dropped file must still
// reach the window's handler, at the height where it landed.
TEST_F(DropWindowTest, DropOnAControlIsTheWindowsDrop) {
  const QStringList file = Make({"J/x.log"});
  ASSERT_TRUE(Drop(C().ComboBoxFilter->lineEdit(), QPoint(3, 3), file));
  EXPECT_EQ(Filter(), QStringLiteral("*.log"));
  EXPECT_EQ(Folder(), Scratch(QStringLiteral("J/")));

  const QStringList other = Make({"K/y.log"});
  ASSERT_TRUE(Drop(C().ComboBoxCopyFolder->lineEdit(), QPoint(3, 3), other));
  EXPECT_EQ(CopyFolder(), Scratch(QStringLiteral("K/")));
  EXPECT_EQ(Folder(), Scratch(QStringLiteral("J/")));
}

TEST_F(DropWindowTest, NothingButLocalFilesIsTaken) {
  QMimeData data;
  data.setUrls({QUrl(QStringLiteral("https://example.org/a.txt"))});
  QDragEnterEvent enter(QPoint(200, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&W(), &enter);
  EXPECT_FALSE(enter.isAccepted());
  EXPECT_EQ(Folder(), QStringLiteral("/before"));
}

}  // namespace
