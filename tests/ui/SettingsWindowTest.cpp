// The settings file through the window: start and close, "読込" and "保存".

#include <QDir>

#include "SessionFixture.h"

namespace {

using SettingsWindowTest = SessionTest;

TEST_F(SettingsWindowTest, CarryOverUncheckedWritesHistoriesAndFlagButLeavesTheJobKeys) {
  WriteText(QString::fromStdString(SettingsFile()),
            {"[FindFile]", "Folder=/old", "[Rename]", "SeqIndex=42", "[Settings]", "Success=0"});
  StartFresh();
  EXPECT_EQ(C().SpinEditSeqIndex->value(), 1) << "job keys are read only when carried over";
  EXPECT_FALSE(C().CheckBoxSuccess->isChecked());

  C().SpinEditSeqIndex->setValue(7);
  C().ComboBoxFolder->SetItems({"/a"});
  Restart();
  EXPECT_EQ(Stored("Rename", "SeqIndex"), "42");
  EXPECT_EQ(Stored("FindFile", "Folder"), "/old");
  EXPECT_EQ(Stored("Settings", "Success"), "0");
  EXPECT_EQ(Stored("Folder", "0"), "/a");
  EXPECT_EQ(C().SpinEditSeqIndex->value(), 1);
}

TEST_F(SettingsWindowTest, TheWindowsSizeIsKeptAndComesBack) {
  StartFresh();
  W().resize(820, 610);
  Restart();
  EXPECT_EQ(Stored("Window", "Width"), "820");
  EXPECT_EQ(Stored("Window", "Height"), "610");
  EXPECT_EQ(W().size(), QSize(820, 610));
  // Never smaller than the layout.
  WriteText(QString::fromStdString(SettingsFile()), {"[Window]", "Width=100", "Height=100"});
  StartFresh();
  EXPECT_EQ(W().size(), W().minimumSize());
}

TEST_F(SettingsWindowTest, ShorterHistoryLeavesTheOlderKeysAndTheyAreReadAgain) {
  QStringList lines{"[Folder]"};
  for (int n = 0; n < 8; ++n) lines << QStringLiteral("%1=/f%1").arg(n);
  WriteText(QString::fromStdString(SettingsFile()), lines);
  StartFresh();
  ASSERT_EQ(C().ComboBoxFolder->Items(),
            (std::vector<std::string>{"/f0", "/f1", "/f2", "/f3", "/f4", "/f5", "/f6", "/f7"}));

  C().ComboBoxFolder->SetItems({"/a", "/b", "/c"});
  Restart();
  EXPECT_EQ(Stored("Folder", "2"), "/c");
  EXPECT_EQ(Stored("Folder", "3"), "/f3");
  EXPECT_EQ(C().ComboBoxFolder->Items(),
            (std::vector<std::string>{"/a", "/b", "/c", "/f3", "/f4", "/f5", "/f6", "/f7"}));
}

TEST_F(SettingsWindowTest, LoadingAFileWithOnlyTheStartNumberChangesOnlyThat) {
  const QString jobFile = Scratch(QStringLiteral("seq.ini"));
  WriteText(jobFile, {"[Rename]", "SeqIndex=5"});
  C().CheckBoxSuccess->setChecked(true);
  C().ComboBoxFolder->SetItems({"/kept"});
  C().SpinEditSizeFrom->setValue(3);
  ClickOrderItem(QStringLiteral("連番"));
  const JobSettings before = W().ReadJob();
  const THistories histories = W().GetHistories();

  AnswerFileDialogs(jobFile);
  C().SpeedButtonSettingsOpen->click();
  JobSettings expected = before;
  expected.Rename.SeqIndex = 5;
  EXPECT_EQ(W().ReadJob(), expected);
  EXPECT_EQ(R().SeqStart, 5) << "the refresh after loading hands the value on";
  EXPECT_EQ(W().GetHistories(), histories);
  EXPECT_TRUE(C().CheckBoxSuccess->isChecked());
}

TEST_F(SettingsWindowTest, LoadingShowsConditionZeroOnTheFirstTab) {
  const QString jobFile = Scratch(QStringLiteral("cond.ini"));
  WriteText(jobFile, {"[Rename]", "FromName0=r"});
  C().ComboBoxFromName->setEditText(QStringLiteral("p"));
  C().TabControlReplace->setCurrentIndex(2);
  C().ComboBoxFromName->setEditText(QStringLiteral("q"));

  AnswerFileDialogs(jobFile);
  C().SpeedButtonSettingsOpen->click();
  EXPECT_EQ(C().TabControlReplace->currentIndex(), 0);
  EXPECT_EQ(C().ComboBoxFromName->currentText(), QStringLiteral("r"));
  EXPECT_EQ(R().GetFromName(2), "q");
}

// Values from a file are brought into their control's domain; a key that
// is not a number keeps the field as it was.
TEST_F(SettingsWindowTest, LoadedValuesAreReadIntoTheirControls) {
  struct Case {
    QString Line;
    std::function<bool(const TMainControls &)> Holds;
    const char *What;
  };
  const Case cases[] = {
      {"SizeFrom=0x10", [](auto &c) { return c.SpinEditSizeFrom->value() == 16; }, "hex"},
      {"SizeFrom=abc", [](auto &c) { return c.SpinEditSizeFrom->value() == 7; }, "kept"},
      {"SizeTo=9999999", [](auto &c) { return c.SpinEditSizeTo->value() == 2097151; }, "clamped"},
      {"FileOnly=7", [](auto &c) { return c.RadioGroupFileOnly->ItemIndex() == 2; }, "last item"},
      {"SeqSort=10", [](auto &c) { return c.ComboBoxSeqSort->currentIndex() == 0; }, "default"},
      {"SeqBefore=  -x-  ", [](auto &c) { return c.EditSeqBefore->text() == "-x-"; }, "blanks"},
      {"FromName0=\"a b\"", [](auto &c) { return c.ComboBoxFromName->currentText() == "a b"; },
       "quotes"},
  };
  const QString jobFile = Scratch(QStringLiteral("values.ini"));
  for (const Case &c : cases) {
    StartFresh();
    C().SpinEditSizeFrom->setValue(7);
    const bool findFile = c.Line.startsWith(QStringLiteral("Size")) ||
                          c.Line.startsWith(QStringLiteral("FileOnly"));
    WriteText(jobFile, {findFile ? "[FindFile]" : "[Rename]", c.Line});
    AnswerFileDialogs(jobFile);
    C().SpeedButtonSettingsOpen->click();
    EXPECT_TRUE(c.Holds(C())) << c.What;
  }
}

TEST_F(SettingsWindowTest, SavedBlanksAndQuotesDoNotComeBack) {
  const QString jobFile = Scratch(QStringLiteral("saved.ini"));
  C().CheckBoxSeqName->setChecked(true);
  C().EditSeqBefore->setText(QStringLiteral(" "));
  C().ComboBoxFromName->setEditText(QStringLiteral("\"ab\""));
  AnswerFileDialogs(jobFile);
  C().SpeedButtonSettingsSave->click();
  EXPECT_EQ(TIniFile(Cp(jobFile)).ReadString("Settings", "Success", "<missing>"), "<missing>");

  StartFresh();
  C().EditSeqBefore->setText(QStringLiteral("old"));
  AnswerFileDialogs(jobFile);
  C().SpeedButtonSettingsOpen->click();
  EXPECT_EQ(C().EditSeqBefore->text(), QString());
  EXPECT_EQ(C().ComboBoxFromName->currentText(), QStringLiteral("ab"));
}

// As a user would: a first start without settings, a job, the carry-over
// switched on, close; the next start shows the same job.
TEST_F(SettingsWindowTest, CarriedOverJobComesBackAfterARestart) {
  ASSERT_FALSE(QFile::exists(QString::fromStdString(SettingsFile())));
  C().ComboBoxFolder->setEditText(files_.path());
  C().ComboBoxFilter->setEditText(QStringLiteral("*.log;*.txt"));
  C().CheckBoxSubFolder->setChecked(true);
  C().SpinEditSeqIndex->setValue(12);
  ClickOrderItem(QStringLiteral("連番"));
  ClickOrderItem(QStringLiteral("文字列置換"));
  C().TabControlReplace->setCurrentIndex(1);
  C().ComboBoxFromName->setEditText(QStringLiteral("abc"));
  C().ComboBoxCopySame->setCurrentIndex(2);
  C().MaskEditDateFrom->SetText("2003/05/01");
  C().RadioGroupFileOnly->SetItemIndex(2);
  C().CheckBoxSuccess->setChecked(true);
  const JobSettings job = W().ReadJob();

  Restart();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(C().CheckBoxSuccess->isChecked());
  EXPECT_EQ(W().ReadJob(), job);
  EXPECT_EQ(OrderItems().mid(0, 2), (QStringList{QStringLiteral("連番"), QStringLiteral("文字列置換")}));
  EXPECT_EQ(R().GetFromName(1), "abc");
  EXPECT_EQ(W().CopyCn().Same, 2);
}

TEST_F(SettingsWindowTest, FailedWriteAtCloseIsShownAndTheWindowStillCloses) {
  const QString plain = Scratch(QStringLiteral("plain"));
  WriteText(plain, {"x"});
  const std::string settings = Cp(plain) + "/korvane.INI";
  window_ = std::make_unique<TBunselMain>(TStartOptions{.SettingsFile = settings, .Arguments = {}, .JobsFolder = JobsFolder()});
  W().show();
  EXPECT_TRUE(W().close());
  EXPECT_FALSE(W().isVisible());
  EXPECT_EQ(errors_, QStringList{QString::fromStdString(settings) + QStringLiteral(" に書き込めません.")});
}

// A settings file that cannot be read whole is not an empty job: "読込"
// reports the read error and changes nothing.
TEST_F(SettingsWindowTest, LoadingAFileThatCannotBeReadShowsTheErrorAndKeepsTheJob) {
  const QString folder = Scratch(QStringLiteral("a-folder.ini"));
  QDir().mkpath(folder);
  C().SpinEditSeqIndex->setValue(6);
  const JobSettings before = W().ReadJob();
  AnswerFileDialogs(folder);
  C().SpeedButtonSettingsOpen->click();
  EXPECT_EQ(errors_, QStringList{QStringLiteral("ファイル ") + folder + QStringLiteral(" は開けません.")});
  EXPECT_EQ(W().ReadJob(), before);
}

// A file that holds no job is refused: "読込" shows why and keeps the job
// the window has, where it once read "no keys" and let that job run as if
// the user had chosen it.
TEST_F(SettingsWindowTest, LoadingAFileWithoutAJobShowsItAndKeepsTheJob) {
  const QString jobFile = Scratch(QStringLiteral("nojob.ini"));
  C().SpinEditSeqIndex->setValue(6);
  C().ComboBoxFilter->setEditText(QStringLiteral("*.txt"));
  const JobSettings before = W().ReadJob();
  const QByteArray texts[] = {"", "[Folder]\r\n0=/a\r\n", QByteArray("\0\x01\xff\r\n", 5),
                              "SeqIndex=5\r\n"};
  for (const QByteArray &text : texts) {
    errors_.clear();
    QFile file(jobFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    AnswerFileDialogs(jobFile);
    C().SpeedButtonSettingsOpen->click();
    EXPECT_EQ(errors_, QStringList{QStringLiteral("設定ファイルにジョブが見つかりません.")}) << text.toStdString();
    EXPECT_EQ(W().ReadJob(), before);
  }
}

// A job file saved with CR line ends, or in UTF-16, loads like any other.
TEST_F(SettingsWindowTest, LoadingReadsCrLineEndsAndUtf16) {
  const QString jobFile = Scratch(QStringLiteral("other.ini"));
  const QString text = QStringLiteral("[Rename]\rSeqIndex=5\rSeqBefore=写真\r");
  QByteArray utf16("\xff\xfe", 2);
  for (const QChar c : text) {
    utf16 += static_cast<char>(c.unicode() & 0xFF);
    utf16 += static_cast<char>(c.unicode() >> 8);
  }
  for (const QByteArray &bytes : {text.toUtf8(), utf16}) {
    StartFresh();
    QFile file(jobFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    AnswerFileDialogs(jobFile);
    C().SpeedButtonSettingsOpen->click();
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(C().SpinEditSeqIndex->value(), 5);
    EXPECT_EQ(C().EditSeqBefore->text(), QStringLiteral("写真"));
  }
}

// The default settings file at start-up holds the histories; without a job
// in it, it still loads.
TEST_F(SettingsWindowTest, AStartUpFileWithoutAJobStillLoads) {
  WriteText(QString::fromStdString(SettingsFile()),
            {"[Folder]", "0=/f0", "[Settings]", "Success=1"});
  StartFresh();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(C().ComboBoxFolder->Items().front(), "/f0");
  EXPECT_TRUE(C().CheckBoxSuccess->isChecked());
}

// A job loaded in the middle of a run would change the running operation's
// options from one target to the next, so "読込" waits like a second run.
TEST_F(SettingsWindowTest, LoadingIsIgnoredWhileARunIsUnderWay) {
  const QString jobFile = Scratch(QStringLiteral("during.ini"));
  WriteText(jobFile, {"[Rename]", "SeqIndex=5"});
  const QString folder = Scratch(QStringLiteral("targets"));
  for (const char *name : {"a.txt", "b.txt"}) WriteText(folder + "/" + name, {"x"});
  C().ComboBoxFolder->setEditText(folder);
  C().ComboBoxFilter->setEditText(QStringLiteral("*.txt"));
  C().CheckBoxRecycled->setChecked(false);
  AnswerFileDialogs(jobFile);

  bool fired = false;
  QTimer::singleShot(0, &W(), [&] {
    fired = W().RunDriver().IsRunning();
    C().SpeedButtonSettingsOpen->click();
  });
  C().SpeedButtonDelete->click();
  ASSERT_TRUE(fired);
  EXPECT_EQ(dialogCalls_, 0);
  EXPECT_EQ(C().SpinEditSeqIndex->value(), 1);
  EXPECT_EQ(LogLines().back(), QStringLiteral("終了"));

  C().SpeedButtonSettingsOpen->click();
  EXPECT_EQ(dialogCalls_, 1);
  EXPECT_EQ(C().SpinEditSeqIndex->value(), 5);
}

}  // namespace

namespace {

// The folder buttons fill their own box; the log buttons save the log's
// lines and read them back.
TEST_F(SettingsWindowTest, FolderAndLogButtonsReachTheirControls) {
  const QString chosen = Scratch(QStringLiteral("picked"));
  W().Dialogs().BrowseFolder = [chosen](QWidget *, const QString &) { return chosen; };
  C().SpeedButtonFindIn->click();
  EXPECT_EQ(C().ComboBoxFolder->currentText(), chosen);
  EXPECT_EQ(R().FolderNameText, "picked");
  C().ComboBoxFolder->setEditText(QStringLiteral("/kept"));
  C().SpeedButtonFindCopy->click();
  EXPECT_EQ(C().ComboBoxCopyFolder->currentText(), chosen);
  EXPECT_EQ(C().ComboBoxFolder->currentText(), QStringLiteral("/kept"));

  const QString log = Scratch(QStringLiteral("run.log"));
  W().SetLogLines({ToCp932Lossy(QStringLiteral("開始")), ToCp932Lossy(QStringLiteral("終了"))});
  AnswerFileDialogs(log);
  C().SpeedButtonLogSave->click();
  C().SpeedButtonClear->click();
  C().SpeedButtonLogOpen->click();
  EXPECT_EQ(LogLines(), (QStringList{QStringLiteral("開始"), QStringLiteral("終了")}));
  EXPECT_TRUE(errors_.isEmpty());
}

}  // namespace
