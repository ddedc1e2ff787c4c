// The window with the names people have on Linux: every one is shown with
// its real characters and comes back to its exact bytes.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "WindowFixture.h"
#include "platform/Cp932.h"
#include "run/RunLog.h"

namespace {

const std::string kNames[] = {
    "\xE3\x81\x8B\xE3\x82\x99.txt",                                    // か + U+3099
    "\xE7\xAC\xAC" "1\xE8\xA9\xB1\xE3\x80\x9C\xE7\xAC\xAC" "5\xE8\xA9\xB1.txt",  // 第1話〜第5話
    "Beyonc\xC3\xA9.mp3",
    "\xF0\x9F\x98\x80.txt",
    "bad\xFF.txt",
    "plain.txt",
};

class NamesWindowTest : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(dir_.isValid());
    for (const std::string &name : kNames) {
      const int fd = ::open((Root() + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      ASSERT_GE(fd, 0) << name;
      ::close(fd);
    }
    C().ComboBoxFolder->setEditText(dir_.path());
    C().ComboBoxFilter->setEditText(QStringLiteral("*.*"));
  }
  // QTemporaryDir cannot name a file whose name is not UTF-8.
  void TearDown() override {
    for (const std::string &name : kNames) ::unlink((Root() + "/" + name).c_str());
    WindowTest::TearDown();
  }
  std::string Root() const { return dir_.path().toStdString(); }

  QTemporaryDir dir_;
};

TEST_F(NamesWindowTest, TheListShowsEveryNameAndEachConvertsBackToItsBytes) {
  C().SpeedButtonList->click();
  const QStringList listed = BoxLines(C().MemoList);
  std::vector<std::string> paths, expected;
  for (const QString &line : listed) paths.push_back(Cp932ToUtf8(ToCp932(line).value()).value());
  for (const std::string &name : kNames) expected.push_back(Root() + "/" + name);
  std::sort(paths.begin(), paths.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(paths, expected);
  // Real characters, not question marks.
  EXPECT_TRUE(listed.contains(dir_.filePath(QString::fromUtf16(u"\u304B\u3099.txt"))));
  EXPECT_TRUE(listed.contains(dir_.filePath(QString::fromUtf16(u"\U0001F600.txt"))));
  EXPECT_TRUE(Panel0().isEmpty() || !Panel0().contains(QStringLiteral("Shift-JIS")));
}

TEST_F(NamesWindowTest, TheFuzzyPreviewMatchesDecomposedKanaAndWaveDash) {
  C().ComboBoxFromName->setEditText(QString::fromUtf16(u"が"));
  C().ComboBoxToName->setEditText(QStringLiteral("[ga]"));
  C().CheckBoxNoCase->setChecked(true);
  ClickOrderItem(QStringLiteral("文字列置換"));
  C().EditSample->setText(QString::fromUtf16(u"\u304B\u3099.txt"));
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("[ga].txt"));

  C().ComboBoxFromName->setEditText(QString::fromUtf16(u"話～第"));
  C().ComboBoxToName->setEditText(QStringLiteral("-"));
  C().EditSample->setText(QString::fromUtf16(u"第1話\u301C第5話.txt"));
  EXPECT_EQ(C().StaticTextSample->text(), QString::fromUtf16(u"第1-5話.txt"));

  // Typed, a WAVE DASH or an é is the very character of the name.
  C().CheckBoxNoCase->setChecked(false);
  C().ComboBoxFromName->setEditText(QString::fromUtf16(u"\u301C|\u00E9"));
  C().ComboBoxToName->setEditText(QStringLiteral("~"));
  EXPECT_EQ(C().StaticTextSample->text(), QString::fromUtf16(u"第1話~第5話.txt"));
  C().EditSample->setText(QString::fromUtf16(u"Beyonc\u00E9.mp3"));
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("Beyonc~.mp3"));
}

TEST_F(NamesWindowTest, ALogOfSuchNamesIsSavedAndLoadedBackIdentical) {
  C().CheckBoxRecycled->setChecked(false);
  C().SpeedButtonDelete->click();
  const std::vector<std::string> lines = W().GetLogLines();
  ASSERT_EQ(lines.size(), std::size(kNames) + 2);
  const QString shown = C().MemoLog->Text();

  const std::string file = Root() + "/log.txt";
  SaveLogFile(file, lines);
  EXPECT_EQ(LoadLogFile(file), lines);
  W().SetLogLines(LoadLogFile(file));
  EXPECT_EQ(C().MemoLog->Text(), shown);
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(QLatin1Char('\n')).toStdString();
}

}  // namespace
