// Compiled with UTF-8 literals (it includes Qt).

#include <sys/stat.h>
#include <unistd.h>

#include <QCloseEvent>
#include <QDir>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include "FakeWindow.h"
#include "QtTestSupport.h"
#include "TempTree.h"
#include "core/IniFile.h"
#include "platform/Cp932.h"
#include "platform/ExtensionCodes.h"
#include "ui/session/DropEvent.h"
#include "ui/session/SessionHandlers.h"
#include "ui/session/SessionText.h"
#include "ui/session/SettingsSession.h"

// Failure messages show window texts as text.
static void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }

namespace {

// A window whose close writes the settings, as TBunselMain's FormClose does.
class TClosingWindow : public QWidget, public TFakeWindow {
public:
  explicit TClosingWindow(std::string settings) : settings_(std::move(settings)) {}

protected:
  void closeEvent(QCloseEvent *event) override {
    WriteSettingsOnClose(*this, settings_);
    event->accept();
  }

private:
  std::string settings_;
};

TEST(CloseTest, FailedShutdownWriteIsShownAndTheWindowStillCloses) {
  TTempTree tree;
  const std::string readOnly = tree.File("ro.INI");
  ASSERT_EQ(::chmod(Utf8(readOnly).c_str(), 0444), 0);
  for (const std::string &settings : {readOnly, tree.File("plain") + "/korvane.INI"}) {
    TErrorRecorder errors;
    TClosingWindow window(settings);
    window.show();
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(errors.Texts,
              QStringList{QFromCp932(settings) + QString::fromUtf16(u" に書き込めません.")});
  }
}

TEST(CloseTest, SuccessfulShutdownWriteShowsNothing) {
  TTempTree tree;
  TErrorRecorder errors;
  TClosingWindow window(tree.Path("korvane.INI"));
  window.CarryOver = true;
  window.show();
  EXPECT_TRUE(window.close());
  EXPECT_TRUE(errors.Texts.isEmpty());
  EXPECT_TRUE(TIniFile(tree.Path("korvane.INI")).ReadBool("Settings", "Success", false));
}

TEST(QtPathsTest, DroppedUrlsAndArgumentsBecomeCp932Paths) {
  TTempTree tree;
  const std::string file = tree.File(*Cp932FromQ(QString::fromUtf16(u"表/ソ.txt")));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QFromCp932(file)), QUrl(QStringLiteral("https://example.org/a.txt")),
                QUrl::fromLocalFile(QString::fromUtf16(u"/tmp/\U0001F600-none.txt"))});
  TFakeWindow window;
  DropFiles(window, data, 10);
  EXPECT_EQ(window.Job.FindFile.Folder, FolderPart(file));
  EXPECT_EQ(window.Job.FindFile.Filter, "*.txt");
  EXPECT_EQ(QFromCp932(window.Status), QString::fromUtf16(u"見つからないパス 2 個 を無視しました"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  const std::string emoji = *Utf8ToCp932("/\xF0\x9F\x98\x80");
  const TPathList arguments = PathListFromStrings({QFromCp932(file), QString::fromUtf16(u"/\U0001F600")});
  EXPECT_EQ(arguments.Paths, (std::vector<std::string>{file, emoji}));
  EXPECT_EQ(arguments.Unrepresentable, 0u);

  // Only when no extension code is left is a path passed over.
  TScopedExtensionCodes scoped;
  scoped.FillUntil(0);
  EXPECT_EQ(PathListFromStrings({QString::fromUtf16(u"/\u00E9")}).Unrepresentable, 1u);
}

TEST(QtPathsTest, DroppedUrlsKeepBytesThatAreNotUtf8) {
  // A file manager sends the name's bytes percent-encoded; decoded as UTF-8
  // they would become U+FFFD and name another file.
  const TPathList list = PathListFromUrls({QUrl(QStringLiteral("file:///tmp/bad%FF.txt"))});
  ASSERT_EQ(list.Paths.size(), 1u);
  EXPECT_EQ(Cp932ToUtf8(list.Paths[0]), "/tmp/bad\xFF.txt");
}

// Paths from the command line and from drops name what the file system
// would open, as absolute paths without "." and "..": "korvane ." must not
// keep "." as the folder (the folder-name step would make hidden files of
// it, and the history would keep a path that means nothing elsewhere).
TEST(QtPathsTest, ArgumentsAndDropsBecomeAbsoluteNormalisedPaths) {
  TTempTree tree;
  const QString root = QDir::cleanPath(QFromCp932(tree.Path()));
  tree.File("a/c.txt");
  tree.Folder("a/b");
  tree.Folder("x/y");
  ASSERT_EQ(::symlink(Utf8(tree.Path("x/y")).c_str(), Utf8(tree.Path("link")).c_str()), 0);
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(root));
  struct TRestore {
    QString Folder;
    ~TRestore() { QDir::setCurrent(Folder); }
  } restore{before};

  const struct {
    QString Given;
    QString Expected;
  } cases[] = {
      {".", root},
      {"./", root},
      {"a/./b/../c.txt", root + "/a/c.txt"},
      {"a//c.txt", root + "/a/c.txt"},
      {root + "/a/../a/", root + "/a"},
      {"/..", "/"},
      // After a symbolic link ".." goes to the parent of its target.
      {"link/..", root + "/x"},
      {"link/../y", root + "/x/y"},
      // A ".." the file system cannot resolve leaves a path naming nothing.
      {"nosuch/../a", root + "/nosuch/../a"},
      {"a/c.txt/../c.txt", root + "/a/c.txt/../c.txt"},
      {"", ""},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(AbsolutePath(c.Given), c.Expected) << c.Given.toStdString();
    const TPathList arguments = PathListFromStrings({c.Given});
    ASSERT_EQ(arguments.Paths.size(), 1u);
    EXPECT_EQ(QFromCp932(arguments.Paths[0]), c.Expected) << c.Given.toStdString();
  }
  const TPathList dropped = PathListFromUrls({QUrl::fromLocalFile(root + "/a/./b/../c.txt")});
  ASSERT_EQ(dropped.Paths.size(), 1u);
  EXPECT_EQ(QFromCp932(dropped.Paths[0]), root + "/a/c.txt");

  // The window's side: "." as the only argument gives the absolute folder.
  TFakeWindow window;
  ApplyStartupArguments(window, {QStringLiteral(".")});
  EXPECT_EQ(QFromCp932(window.Job.FindFile.Folder), root);
}

TEST(QtPathsTest, StartupArgumentsFillAnEmptyFolderWithTheCurrentOne) {
  TFakeWindow window;
  const std::string message = ApplyStartupArguments(window, {QStringLiteral("/no/such/path")});
  EXPECT_EQ(window.Job.FindFile.Folder, CurrentFolder().value());
  EXPECT_EQ(window.Job.FindFile.Filter, "*.*");  // kept: no file named an extension
  EXPECT_FALSE(message.empty());
}

}  // namespace
