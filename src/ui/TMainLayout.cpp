#include "ui/TMainLayout.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QRegularExpression>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/JobTexts.h"
#include "ui/QtText.h"
#include "ui/TCheckListBox.h"
#include "ui/TLiveList.h"
#include "ui/THistoryCombo.h"
#include "ui/TMaskEdit.h"
#include "ui/TMemo.h"
#include "ui/TPageStretch.h"
#include "ui/TRadioGroup.h"
#include "ui/TSpinEdit.h"
#include "ui/TStatusPanels.h"

// The texts below are UTF-16 literals: this source is compiled with UTF-8
// narrow literals (see JobTexts.h); item lists of the job come from there.

#define T(text) QStringLiteral(text)

namespace {

constexpr int kRowHeight = 20;
constexpr int kCheckHeight = 18;

QStringList Items(TItemList list) {
  QStringList items;
  for (const std::string &item : ItemList(list)) items << Q(item);
  return items;
}

// Creates children of one band or page at fixed places.
// A caption as a screen reader says it: without the accelerator's mark.
QString WithoutAccelerator(QString text) {
  text.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&")));
  return text.trimmed();
}

// Scales a place by its edges, so controls that meet at the design size
// still meet.
QRect Scaled(double scale, int x, int y, int w, int h) {
  const int left = qRound(x * scale), top = qRound(y * scale);
  return QRect(left, top, qRound((x + w) * scale) - left, qRound((y + h) * scale) - top);
}

class TPlacer {
public:
  TPlacer(QWidget *parent, QValidator *validator)
      : parent_(parent), validator_(validator), scale_(TMainLayout::Scale(*parent->window())) {}

  int Scaled(int length) const { return qRound(length * scale_); }

  template <typename W>
  W *At(W *widget, int x, int y, int w, int h, const QString &hint = {}) {
    widget->setGeometry(::Scaled(scale_, x, y, w, h));
    if (!hint.isEmpty()) widget->setToolTip(hint);
    return widget;
  }

  QLabel *Label(const QString &caption, int x, int y, int w, QWidget *buddy = nullptr) {
    auto *label = At(new QLabel(caption, parent_), x, y, w, kRowHeight);
    if (buddy != nullptr) {
      label->setBuddy(buddy);
      // A screen reader names the control by its label.
      buddy->setAccessibleName(WithoutAccelerator(caption));
    }
    return label;
  }

  // Check boxes take the focus from Tab too: many have no accelerator, and
  // the keyboard alone must reach every control.
  QCheckBox *Check(const QString &caption, int x, int y, int w, const QString &hint,
                   bool checked = false) {
    auto *box = At(new QCheckBox(caption, parent_), x, y, w, kCheckHeight, hint);
    box->setChecked(checked);
    return box;
  }

  QLineEdit *Edit(int x, int y, int w, const QString &hint, const QString &text = {}) {
    auto *edit = At(new QLineEdit(text, parent_), x, y, w, kRowHeight, hint);
    edit->setValidator(validator_);
    return edit;
  }

  THistoryCombo *History(int x, int y, int w, const QString &hint, const QStringList &items = {},
                         const QString &text = {}) {
    auto *combo = At(new THistoryCombo(parent_), x, y, w, kRowHeight, hint);
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
    combo->setValidator(validator_);
    return combo;
  }

  // A fixed drop-down list that starts with no item selected; the first
  // refresh selects its default.
  QComboBox *Choice(int x, int y, int w, const QString &hint, const QStringList &items) {
    auto *combo = At(new QComboBox(parent_), x, y, w, kRowHeight, hint);
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    return combo;
  }

  TSpinEdit *Spin(int x, int y, int w, const QString &hint, int minValue, int maxValue, int value,
                  int maxLength = 0) {
    auto *spin =
        At(new TSpinEdit(minValue, maxValue, maxLength, parent_), x, y, w, kRowHeight, hint);
    spin->setValue(value);
    return spin;
  }

  TMaskEdit *Mask(TMaskEdit::TKind kind, int x, int y, const QString &hint,
                  std::string_view text) {
    const int width = kind == TMaskEdit::TKind::Date ? 78 : 62;
    auto *edit = At(new TMaskEdit(kind, parent_), x, y, width, kRowHeight, hint);
    edit->SetText(text);
    return edit;
  }

  TRadioGroup *Radio(const QString &title, const QStringList &items, int columns, int index,
                     int x, int y, int w, int h, const QString &hint) {
    auto *group = At(new TRadioGroup(title, items, columns, parent_), x, y, w, h, hint);
    group->SetItemIndex(index);
    return group;
  }

  // A flat button with a caption.
  QToolButton *Button(const QString &caption, int x, int y, int w, int h, const QString &hint) {
    auto *button = At(new QToolButton(parent_), x, y, w, h, hint);
    button->setText(caption);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
  }

  // A flat button showing only a folder icon, named for screen readers.
  QToolButton *FolderButton(int x, int y, const QString &name) {
    auto *button = At(new QToolButton(parent_), x, y, 24, 22, name + T("を選びます。"));
    button->setAccessibleName(name);
    button->setAutoRaise(true);
    button->setIcon(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon));
    return button;
  }

  // Sunken read-only one-line text.
  QLabel *Display(int x, int y, int w, const QString &hint = {}) {
    auto *label = At(new QLabel(parent_), x, y, w, kRowHeight, hint);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
  }

  // A frame whose title is a check box: the box sits on the frame's top edge
  // and hides the line behind its caption.
  QCheckBox *CheckFrame(const QString &caption, int x, int y, int w, int h, int captionWidth,
                        const QString &hint) {
    At(new QGroupBox(parent_), x, y + 8, w, h - 8);
    auto *box = Check(caption, x + 6, y, captionWidth, hint);
    box->setAutoFillBackground(true);
    box->raise();
    return box;
  }

  TMemo *Memo(TMemo::TMode mode, int x, int y, int w, int h, const QString &hint = {}) {
    auto *memo = At(new TMemo(mode, validator_, parent_), x, y, w, h, hint);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab reaches the boxes too: the keyboard alone reads the log and edits
    // the list (Tab leaves a box; the arrows move inside it).
    memo->setFocusPolicy(Qt::StrongFocus);
    return memo;
  }

private:
  QWidget *parent_;
  QValidator *validator_;
  double scale_;
};

QWidget *AddPage(QTabWidget *pages, const QString &caption, const QString &hint = {}) {
  auto *page = new QWidget(pages);
  if (!hint.isEmpty()) page->setToolTip(hint);
  pages->addTab(page, caption);
  return page;
}

QTabWidget *NewPages(QWidget *parent) {
  auto *pages = new QTabWidget(parent);
  pages->setUsesScrollButtons(false);
  return pages;
}

void BuildTargetPage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetTarget, v);
  c.ComboBoxFolder = p.History(114, 4, 376, T("対象となるフォルダを入力します。"));
  p.Label(T("対象フォルダ(&D)"), 6, 4, 106, c.ComboBoxFolder);
  c.SpeedButtonFindIn = p.FolderButton(494, 3, T("対象フォルダ"));
  c.CheckBoxSubFolder = p.Check(T("サブフォルダも対象(&S)"), 6, 28, 200,
                                T("対象フォルダの下位フォルダも変更対象とする場合チェックします。"));
  c.ComboBoxFilter =
      p.History(6, 68, 286, T("フィルタをいくつも指定する場合は\";\"で区切って入力します。"),
                {T("*.*"), T("*.htm;*.html"), T("*.txt"), T("*.c;*.cpp;*.h;*.hpp")}, T("*.*"));
  p.Label(T("対象ファイルフィルタ(&F)"), 6, 48, 200, c.ComboBoxFilter);
  c.RadioGroupFileOnly = p.Radio({}, Items(TItemList::FileOnly), 1, 0, 300, 26, 218, 64,
                                 T("処理対象をファイルとフォルダで区別します。"));
}

void BuildCondPage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetCond, v);
  const QString sizeHint = T("サイズ -1 ならファイルサイズによる絞込みはしません。");
  const QString timeHint = T("日付が指定されていなければ、適用されません。");
  p.Label(T("サイズ"), 6, 12, 58);
  c.SpinEditSizeFrom = p.Spin(66, 12, 90, sizeHint, kSizeMin, kSizeMax, -1);
  p.Label(T("KB"), 160, 12, 20);
  p.Label(T("～"), 184, 12, 16);
  c.SpinEditSizeTo = p.Spin(204, 12, 90, sizeHint, kSizeMin, kSizeMax, -1);
  p.Label(T("KB"), 298, 12, 20);

  using K = TMaskEdit::TKind;
  p.Label(T("更新日時"), 6, 48, 58);
  c.MaskEditDateFrom = p.Mask(K::Date, 66, 48,
                              T("指定がなければ更新日時による絞込みはしません。"
                                "こちらのみ指定すればこの日時以降が対象になります。"),
                              kEmptyDate);
  c.MaskEditTimeFrom = p.Mask(K::Time, 148, 48, timeHint, "00:00:00");
  p.Label(T("～"), 216, 48, 16);
  c.MaskEditDateTo = p.Mask(K::Date, 236, 48,
                            T("指定がなければ更新日時による絞込みはしません。"
                              "こちらのみ指定すればこの日時以前が対象になります。"),
                            kEmptyDate);
  c.MaskEditTimeTo = p.Mask(K::Time, 318, 48, timeHint, "23:59:59");
}

void BuildExceptPage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetExcept, v);
  c.CheckBoxExcSysFile =
      p.Check(T("ｼｽﾃﾑﾌｧｲﾙ除外(&Y)"), 6, 10, 140,
              T("チェックするとシステムファイルは変更対象から除外します。"), true);
  c.CheckBoxExcHidden = p.Check(T("隠しﾌｧｲﾙ除外(&H)"), 150, 10, 130,
                                T("チェックすると隠しファイルは変更対象から除外します。"), true);
  // R is the delete page's, on show with this page.
  c.CheckBoxExcReadOnly =
      p.Check(T("読込専用ﾌｧｲﾙ除外(&O)"), 284, 10, 170,
              T("チェックすると読込専用ファイルは変更対象から除外します。"), true);
  c.ComboBoxException = p.History(6, 60, 380,
                                  T("かならず拡張子の'.'から入力してください。"
                                    "いくつも指定する場合は\";\"で区切って入力します。"),
                                  {T(".exe;.ini;.hlp"), T(".dll;.sys;.drv;.cpl")});
  p.Label(T("除外ファイル種別(&E)"), 6, 40, 200, c.ComboBoxException);
}

void BuildListPage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetList, v);
  c.MemoList = p.Memo(TMemo::TMode::Editable, 4, 4, 440, 86);
  c.MemoList->setAccessibleName(T("対象ファイルのリスト"));
  c.SpeedButtonList = p.Button(T("リスト"), 452, 66, 66, 24, T("対象ファイルをリスト出力します。"));
}

void BuildSettingsPage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetSettings, v);
  c.CheckBoxSuccess = p.Check(T("次回起動時に今回終了時の設定を引き継ぐ"), 10, 10, 400, {});
  // The one check box that Tab reaches.
  c.CheckBoxSuccess->setFocusPolicy(Qt::StrongFocus);
  c.SpeedButtonSettingsOpen =
      p.Button(T("読込"), 10, 40, 66, 24, T("ファイルから設定を読み込みます。"));
  c.SpeedButtonSettingsSave = p.Button(T("保存"), 80, 40, 66, 24, T("設定をファイルへ保存します。"));
  // Beside the two: the jobs kept by name, which 読込 and 保存 offer on
  // their arrows as well.
  c.SpeedButtonJobs = p.Button(T("ジョブ"), 150, 40, 66, 24, T("名前を付けて保存したジョブを読み込みます。"));
  c.SpeedButtonJobs->setPopupMode(QToolButton::InstantPopup);
}

void BuildMiscPanel(TMainControls &c, QValidator *v) {
  TPlacer p(c.PanelMisc, v);
  using K = TMaskEdit::TKind;
  const QString dateHint = T("変更する日付のDate部を指定します。");
  const QString timeHint = T("変更する日付のTime部を指定します。");
  struct TRow {
    QCheckBox *&If;
    TMaskEdit *&Date;
    TMaskEdit *&Time;
    QCheckBox *&Current;
    QString Caption, IfHint, CurrentHint;
  };
  const TRow rows[] = {
      {c.CheckBoxUpDate, c.MaskEditUpDate, c.MaskEditUpTime, c.CheckBoxUpCurrent,
       T("更新日時変更(&U)"),
       T("更新日付の変更を行う場合のみチェックします。(リネーム・コピーにも有効)"),
       T("チェックするとファイルの更新日付が現在日時で更新されます。")},
      {c.CheckBoxNwDate, c.MaskEditNwDate, c.MaskEditNwTime, c.CheckBoxNwCurrent,
       T("作成日時変更(&N)"),
       T("作成日付の変更を行う場合のみチェックします。(リネーム・コピーにも有効)"),
       T("チェックするとファイルの作成日付が現在日時で更新されます。")},
      {c.CheckBoxAcDate, c.MaskEditAcDate, c.MaskEditAcTime, c.CheckBoxAcCurrent,
       T("ｱｸｾｽ日時変更(&A)"),
       T("ｱｸｾｽ日付の変更を行う場合のみチェックします。(リネーム・コピーにも有効)"),
       T("チェックするとファイルのｱｸｾｽ日付が現在日時で更新されます。")},
  };
  int y = 3;
  for (const TRow &row : rows) {
    row.If = p.Check(row.Caption, 6, y + 1, 120, row.IfHint);
    row.Date = p.Mask(K::Date, 128, y, dateHint, kEmptyDate);
    row.Time = p.Mask(K::Time, 210, y, timeHint, kEmptyTime);
    row.Current = p.Check(T("現在時刻"), 278, y + 1, 80, row.CurrentHint);
    y += 21;
  }

  c.CheckBoxAttr = p.CheckFrame(T("属性の変更(&T)"), 362, 0, 162, 64, 112,
                                T("属性の変更を行う場合のみチェックします。"));
  c.CheckBoxAttrSysFile = p.Check(T("システム"), 372, 20, 72, T("システム属性を付加します。"));
  c.CheckBoxAttrHidden = p.Check(T("隠しﾌｧｲﾙ"), 448, 20, 72, T("隠しファイル属性を付加します。"));
  c.CheckBoxAttrReadOnly = p.Check(T("読取専用"), 372, 40, 72, T("読込専用属性を付加します。"));
  c.CheckBoxAttrArchive = p.Check(T("ｱｰｶｲﾌﾞ"), 448, 40, 72, T("アーカイブ属性を付加します。"));

  c.ComboBoxCopyFolder = p.History(118, 68, 180, T("コピー先のフォルダを入力します。"));
  // The band has no free room beside the time stamps: the copy folder's box
  // gives up the end of its width.
  c.CheckBoxUpDateShot =
      p.Check(T("撮影日時に合わせる"), 302, 70, 128,
              T("チェックすると更新日時を各ファイルの撮影日時(写真・動画)に合わせます。"
                "撮影日時がないファイルは失敗します。(リネーム・コピーにも有効)"));
  // T is the attribute frame's, on show beside it.
  p.Label(T("コピー先フォルダ(&P)"), 6, 68, 112, c.ComboBoxCopyFolder);
  c.SpeedButtonFindCopy = p.FolderButton(432, 67, T("コピー先フォルダ"));
  c.SpeedButtonChange =
      p.Button(T("変更"), 462, 66, 62, 24, T("対象ﾌｧｲﾙの日付・属性変更を行います。"));
}

void BuildReplPage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetRepl, v);
  c.CheckBoxReplExt =
      p.Check(T("拡張子は適用外"), 4, 2, 200, T("チェックすると拡張子を無視して置換します。"));
  c.TabControlReplace = p.At(new QTabBar(c.TabSheetRepl), 4, 22, 376, 22,
                             T("文字列の置換条件を指定します。"));
  c.TabControlReplace->setExpanding(false);
  c.TabControlReplace->setDrawBase(false);
  // Five tabs side by side in the page's width.
  c.TabControlReplace->setUsesScrollButtons(false);
  c.TabControlReplace->setStyleSheet(
      T("QTabBar::tab { padding: 2px 8px; border: 1px solid palette(mid); border-bottom: 0; }"
        "QTabBar::tab:selected { background: palette(base); }"
        "QTabBar::tab:!selected { margin-top: 2px; }"));
  for (int n = 1; n <= 5; ++n) c.TabControlReplace->addTab(T("置換条件%1").arg(n));
  auto *frame = p.At(new QFrame(c.TabSheetRepl), 4, 43, 376, 78);
  frame->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
  p.Label(T("検索文字列"), 10, 48, 64);
  c.ComboBoxFromName = p.History(76, 48, 298, {});
  p.Label(T("置換文字列"), 10, 72, 64);
  c.ComboBoxToName = p.History(76, 72, 298, {});
  c.CheckBoxNoCase = p.Check(T("大文字小文字を区別しない"), 10, 98, 250,
                             T("チェックすると検索文字列の大文字小文字の区別は無視されます。"));
}

void BuildSeqPage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetSeq, v);
  // U is the date band's, on show above this page.
  c.CheckBoxUnity =
      p.CheckFrame(T("ファイル名を固定にする(&I)"), 2, 0, 180, 70, 170,
                   T("チェックすれば対象ファイルのファイル名を固定文字列に置き換えます。"));
  c.RadioGroupUnity = p.Radio(
      {}, Items(TItemList::Unity), 1, 0, 6, 20, 170, 46,
      T("処理中のファイルの在るフォルダ名か固定文字列を固定ファイル名として選択できます。"));
  // The surrounding frame is the check box's; the group draws none of its own.
  c.RadioGroupUnity->setFlat(true);
  c.RadioGroupUnity->setStyleSheet(T("QGroupBox { border: 0; }"));
  c.EditBaseName = p.Edit(104, 43, 74,
                          T("連番を付加する基本となる文字列を指定します。"
                            "ファイル名統一にチェックされていなければ無効です。"));
  c.EditBaseName->raise();
  // The frame has room for one text box: the template's takes the fixed
  // text's place while ファイル情報 is chosen.
  c.EditTemplate = p.Edit(104, 43, 74,
                          T("ファイル情報から作るファイル名の書式です。{title} {artist} {album} "
                            "{albumartist} {track} {disc} {year} {genre} {camera} {width} {height} "
                            "{taken} と連番の {n} が使えます。{track:2} で2桁にそろえます。"));
  c.EditTemplate->raise();
  c.EditTemplate->hide();

  p.Label(T("開始"), 190, 2, 28);
  c.SpinEditSeqIndex = p.Spin(218, 2, 86, T("連番開始数"), kSeqIndexMin, kSeqIndexMax, 1, 8);
  p.Label(T("桁数"), 310, 2, 28);
  c.SpinEditSeqDeg = p.Spin(338, 2, 42, T("連番桁数"), kSeqDegMin, kSeqDegMax, 4, 1);
  p.Label(T("ステップ"), 190, 25, 50);
  c.SpinEditSeqStep = p.Spin(240, 25, 46, T("連番増加数"), kSeqStepMin, kSeqStepMax, 1, 2);
  p.Label(T("ソートして連番"), 190, 48, 86);
  c.ComboBoxSeqSort =
      p.Choice(276, 48, 104, T("ソートした後連番付けします。"), Items(TItemList::SeqSort));
  // Some orders are named wider than the box: its list shows them whole.
  c.ComboBoxSeqSort->view()->setMinimumWidth(p.Scaled(150));

  c.CheckBoxSeqName = p.Check(T("名前連番"), 4, 78, 76,
                              T("チェックするとファイル名の拡張子以外の部分に連番を付加します。"),
                              true);
  p.Label(T("前置"), 82, 77, 26);
  c.EditSeqBefore = p.Edit(108, 77, 44, T("連番の前に一定の文字を付加します。"));
  p.Label(T("連番"), 154, 77, 26);
  c.EditSeqAfter = p.Edit(180, 77, 44, T("連番の後に一定の文字を付加します。"));
  p.Label(T("後置"), 226, 77, 26);
  c.RadioGroupSeqAdd = p.Radio({}, Items(TItemList::Add), 2, 1, 254, 72, 126, 28,
                               T("連番をファイル名の先頭または終わりに付加します。"));

  c.CheckBoxSeqExt = p.Check(T("拡張子連番"), 4, 104, 90, T("拡張子の部分を連番にします。"));
  p.Label(T("スタイル"), 98, 103, 50);
  c.StaticTextSeqStyle = p.Display(148, 103, 232, T("連番スタイル"));
}

void BuildCasePage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetCase, v);
  c.RadioGroupNameCase = p.Radio(
      T("名前"), Items(TItemList::Case), 1, 0, 4, 2, 180, 76,
      T("ファイル名のうち拡張子以外の部分を大文字・小文字チェックしたほうに統一します。"));
  c.RadioGroupExtCase = p.Radio(T("拡張子"), Items(TItemList::Case), 1, 0, 196, 2, 180, 76,
                                T("拡張子を大文字・小文字チェックしたほうに統一します。"));
  // Made after both groups: Tab reads the page row by row.  The two boxes
  // share a caption, so a screen reader names each by its group.
  c.CheckBoxNameInitial = p.Check(
      T("先頭文字のみ大文字"), 8, 84, 176,
      T("チェックするとファイル名のうち拡張子以外の部分の先頭文字を大文字にします。"));
  c.CheckBoxNameInitial->setAccessibleName(T("名前の先頭文字のみ大文字"));
  c.CheckBoxExtInitial = p.Check(T("先頭文字のみ大文字"), 200, 84, 176,
                                 T("拡張子の先頭文字を大文字にします。"));
  c.CheckBoxExtInitial->setAccessibleName(T("拡張子の先頭文字のみ大文字"));
  // The width and kana conversions, in the free row under the case choices.
  c.ComboBoxWidthAlnum =
      p.Choice(4, 104, 96, T("全角の英数字と記号を半角に、または半角を全角に統一します。"),
               Items(TItemList::WidthAlnum));
  c.ComboBoxWidthKana =
      p.Choice(104, 104, 96, T("半角カタカナを全角に(濁点も結合)、または全角を半角にします。"),
               Items(TItemList::WidthKana));
  c.ComboBoxKanaKind =
      p.Choice(204, 104, 96, T("ひらがなをカタカナに、またはカタカナをひらがなにします。"),
               Items(TItemList::KanaKind));
  c.CheckBoxComposeMarks = p.Check(T("濁点結合"), 306, 105, 74,
                                   T("チェックすると分解された濁点・半濁点をかなと結合します。"));
}

void BuildDatePage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheet1, v);
  c.ComboBoxDateFormat =
      p.History(104, 4, 180, T("付加するファイル更新日付のフォーマットを指定します。"),
                Items(TItemList::DateFormat), Items(TItemList::DateFormat).front());
  p.Label(T("日付フォーマット"), 4, 4, 100, c.ComboBoxDateFormat);
  p.Label(T("前置"), 4, 30, 26);
  c.EditDateBefore = p.Edit(30, 30, 60, T("日付の前に一定の文字を付加します。"));
  p.Label(T("日付"), 94, 30, 26);
  c.EditDateAfter = p.Edit(120, 30, 60, T("日付の後に一定の文字を付加します。"));
  p.Label(T("後置"), 184, 30, 26);
  c.RadioGroupDateAdd = p.Radio({}, Items(TItemList::Add), 2, 1, 4, 56, 126, 28,
                                T("更新日付をファイル名の先頭または終わりに付加します。"));
  c.RadioGroupDateSource =
      p.Radio({}, Items(TItemList::DateSource), 2, 0, 136, 56, 180, 28,
              T("付加する日付と日付順の連番に使う日時を選択します。"
                "撮影日時は写真・動画の撮影日時で、ないファイルは更新日時になります。"));
  p.Label(T("スタイル"), 4, 92, 50);
  c.StaticTextDateStyle = p.Display(54, 92, 326);
}

void BuildEtcPage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetEtc, v);
  c.EditExt = p.Edit(44, 4, 100, T("指定された拡張子で統一します。"));
  p.Label(T("拡張子"), 4, 4, 40, c.EditExt);
  // In the free room beside the extension; nothing else moves.
  c.CheckBoxResolveChains =
      p.Check(T("名前の入替えを解決する"), 152, 5, 226,
              T("同じ実行の他の対象が明け渡す名前を待ってリネームします。"
                "入替えは一時的な名前を経由します。"));
  c.GroupBoxFolder = p.At(new QGroupBox(T("フォルダ名付加"), c.TabSheetEtc), 4, 30, 376, 84,
                          T("ファイルにファイルの在るるフォルダ名を付加してリネームします。"));
  p.Label(T("前置"), 12, 52, 26);
  c.EditFolderBefore = p.Edit(38, 52, 60, T("フォルダ名の前に一定の文字を付加します。"));
  p.Label(T("フォルダ名"), 102, 52, 68);
  c.EditFolderAfter = p.Edit(172, 52, 60, T("フォルダ名の後に一定の文字を付加します。"));
  p.Label(T("後置"), 236, 52, 26);
  c.RadioGroupFolderAdd = p.Radio({}, Items(TItemList::Add), 2, 1, 12, 78, 126, 28,
                                  T("フォルダ名をファイル名の先頭または終わりに付加します。"));
}

void BuildRenamePage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetRename, v);
  c.CheckBoxCopy = p.Check(T("コピーを作る(&C)"), 4, 2, 124,
                           T("チェックすると元ファイルをそのままにコピーファイルを作成します。"),
                           true);
  p.Label(T("適用処理(順序)"), 4, 20, 124);
  c.CheckListBoxOrder =
      p.At(new TCheckListBox(c.TabSheetRename), 4, 40, 124, 110,
           T("ファイル名変更に適用する処理を指定します。(上位から順に適用します)"));
  c.CheckListBoxOrder->SetItems(ItemList(TItemList::StepCaptions), {});

  c.PageControlRename = p.At(NewPages(c.TabSheetRename), 132, 0, 390, 152);
  c.TabSheetRepl = AddPage(c.PageControlRename, T("文字列"), T("ファイル名置換処理"));
  c.TabSheetSeq = AddPage(c.PageControlRename, T("連番"), T("ファイル名連番付け処理"));
  c.TabSheetCase = AddPage(c.PageControlRename, T("大/小文字"), T("大文字/小文字変換処理"));
  c.TabSheet1 = AddPage(c.PageControlRename, T("日付付"), T("ファイル更新日付付加処理"));
  c.TabSheetEtc = AddPage(c.PageControlRename, T("その他"), T("その他変換処理"));
  BuildReplPage(c, v);
  BuildSeqPage(c, v);
  BuildCasePage(c, v);
  BuildDatePage(c, v);
  BuildEtcPage(c, v);

  p.Label(T("例)"), 4, 155, 22);
  c.EditSample = p.Edit(
      26, 155, 150,
      T("指定した文字列を仮のファイル名と見立て、リネーム後のファイル名を表示できます。"),
      T("sample.smp"));
  p.Label(T("→"), 180, 155, 16);
  c.StaticTextSample = p.Display(198, 155, 254);
  // The preview of every target is one menu entry away (and F5).
  c.StaticTextSample->setContextMenuPolicy(Qt::CustomContextMenu);
  c.SpeedButtonRename = p.Button(T("ﾘﾈｰﾑ"), 458, 153, 62, 24, T("対象ﾌｧｲﾙのﾘﾈｰﾑ理を行います。"));

  // Made last, so the keyboard reaches it after the page's own controls.
  c.LiveList = new TLiveList(c.TabSheetRename);
}

void BuildCopyPage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetCopy, v);
  struct TRow {
    QComboBox *&Box;
    QString Caption, Hint;
    TItemList Items;
  };
  const TRow rows[] = {
      {c.ComboBoxCopyDelete, T("コピー元削除"),
       T("コピー元のファイルを削除するかどうかを指定します。"), TItemList::CopyDelete},
      {c.ComboBoxCopySame, T("同名ファイル"),
       T("コピー先フォルダに同名ファイルが存在する時の処理を指定します。"), TItemList::CopySame},
      {c.ComboBoxCopyOverWrite, T("上書きコピー条件"),
       T("同名ファイルを上書きするかどうかを指定します。"), TItemList::CopyOverWrite},
      {c.ComboBoxCopyAlias, T("別名コピー条件"),
       T("同名ファイルの場合別名を付けて保存するかどうかを指定します。"), TItemList::CopyAlias},
  };
  int y = 8;
  for (const TRow &row : rows) {
    row.Box = p.Choice(116, y, 300, row.Hint, Items(row.Items));
    p.Label(row.Caption, 8, y, 106, row.Box);
    y += 26;
  }
  p.Label(T("別名コピー時はファイル名の末尾に\"_連番\"をつけてコピーします。"), 8, y + 4, 440);
  // In the free room left of the preview button; nothing else moves.
  c.CheckBoxKeepTree =
      p.Check(T("サブフォルダの構成を保つ"), 8, 156, 370,
              T("チェックするとサブフォルダのファイルをコピー先の同じ構成のフォルダへコピーします。"
                "(フォルダは必要に応じて作成します)"));
  c.SpeedButtonCopyPreview = p.Button(T("プレビュー"), 386, 153, 68, 24,
                                      T("全対象のコピー内容を実行前に表示します。(F5)"));
  // Made after the preview, which stands left of it: Tab reads the row
  // from the left.
  c.SpeedButtonCopy =
      p.Button(T("コピー"), 458, 153, 62, 24, T("対象ファイルのコピー処理を行います。"));
}

void BuildDeletePage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetDelete, v);
  c.CheckBoxRecycled = p.Check(T("ごみ箱を使って削除する。(&R)"), 8, 10, 400,
                               T("チェックするとファイルをごみ箱へ移動します。"),
                               true);
  c.SpeedButtonDeletePreview = p.Button(T("プレビュー"), 386, 153, 68, 24,
                                        T("全対象の削除内容を実行前に表示します。(F5)"));
  // After the preview, as on the copy page.
  c.SpeedButtonDelete =
      p.Button(T("削除"), 458, 153, 62, 24, T("対象ﾌｧｲﾙの削除処理を行います。"));
}

void BuildLogPage(TMainControls &c, QValidator *v) {
  TPlacer p(c.TabSheetRestore, v);
  c.SpeedButtonLogOpen = p.Button(T("開く"), 4, 2, 56, 22, T("ファイルからログを読み込みます。"));
  c.SpeedButtonLogSave = p.Button(T("保存"), 62, 2, 56, 22, T("ログをファイルへ保存します。"));
  c.SpeedButtonUndo =
      p.Button(T("元に戻す"), 120, 2, 66, 22, T("ログの最後の実行を元に戻します。"));
  c.MemoLog = p.Memo(TMemo::TMode::ReadOnly, 4, 26, 516, 124,
                     T("ログ - [処理名; 成否; 処理ファイル名; 処理毎の情報]"));
  c.LabelMessage = p.At(new QLabel(c.TabSheetRestore), 4, 155, 440, kRowHeight);
  c.SpeedButtonClear = p.Button(T("ｸﾘｱ"), 458, 153, 62, 24, T("ログをクリアします。"));
}

}  // namespace


namespace {

// Controls without a label of their own are named for screen readers by the
// label just left of them on their row, else by the first sentence of their
// hint; a page control by its pages.
void NameUnnamedControls(QWidget &window) {
  for (QWidget *widget : window.findChildren<QWidget *>()) {
    if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->accessibleName().isEmpty()) continue;
    if (auto *button = qobject_cast<QAbstractButton *>(widget); button != nullptr && !button->text().isEmpty())
      continue;
    if (auto *pages = qobject_cast<QTabWidget *>(widget)) {
      QStringList names;
      for (int i = 0; i < pages->count(); ++i) names << WithoutAccelerator(pages->tabText(i));
      widget->setAccessibleName(names.join(QStringLiteral("・")));
      continue;
    }
    QWidget *parent = widget->parentWidget();
    if (parent == nullptr) continue;
    const QRect at = widget->geometry();
    QLabel *nearest = nullptr;
    for (QLabel *label : parent->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
      const QRect l = label->geometry();
      if (l.right() > at.left() + 2 || l.center().y() < at.top() || l.center().y() > at.bottom()) continue;
      if (label->text().trimmed().isEmpty()) continue;
      if (nearest == nullptr || l.right() > nearest->geometry().right()) nearest = label;
    }
    QString name = nearest != nullptr ? WithoutAccelerator(nearest->text()) : QString();
    if (name.isEmpty()) {
      name = widget->toolTip();
      if (const qsizetype end = name.indexOf(QChar(0x3002)); end > 0) name.truncate(end);
    }
    if (!name.isEmpty()) widget->setAccessibleName(name);
  }
}

}  // namespace

namespace {

// A larger window gives its room to the log and keeps each page's buttons in
// its bottom right corner; a wider one gives it to the folder and the filter
// too, whose long paths and lists are what a user reads there.
void FollowTheRunPages(const TMainControls &c, QSize fileLeast, QSize execLeast) {
  using S = TPageStretch;
  auto *target = new TPageStretch(c.TabSheetTarget, c.PageControlFile, fileLeast);
  target->Follow(c.ComboBoxFolder, S::kGrowWidth);
  target->Follow(c.SpeedButtonFindIn, S::kKeepRight);
  target->Follow(c.ComboBoxFilter, S::kGrowWidth);
  target->Follow(c.RadioGroupFileOnly, S::kKeepRight);
  auto *log = new TPageStretch(c.TabSheetRestore, c.PageControlExec, execLeast);
  log->Follow(c.MemoLog, S::kGrowWidth | S::kGrowHeight);
  log->Follow(c.LabelMessage, S::kKeepBottom);
  log->Follow(c.SpeedButtonClear, S::kKeepRight | S::kKeepBottom);
  auto *del = new TPageStretch(c.TabSheetDelete, c.PageControlExec, execLeast);
  del->Follow(c.SpeedButtonDelete, S::kKeepRight | S::kKeepBottom);
  del->Follow(c.SpeedButtonDeletePreview, S::kKeepRight | S::kKeepBottom);
}

}  // namespace

double TMainLayout::Scale(const QWidget &window) {
  // Text widths follow the font's size; the style's boxes and margins
  // follow the font resolution.
  const double byFont = static_cast<double>(QFontInfo(window.font()).pixelSize()) / kDesignPixels;
  const double byResolution = window.logicalDpiY() / 96.0;
  return std::max({1.0, byFont, byResolution});
}

TMainControls TMainLayout::Build(QMainWindow *window, QValidator *textValidator) {
  TMainControls c;
  const double scale = Scale(*window);
  const auto scaled = [scale](int length) { return qRound(length * scale); };
  auto *client = new QWidget(window);
  auto *bands = new QVBoxLayout(client);
  bands->setContentsMargins(0, 0, 0, 0);
  bands->setSpacing(0);

  c.PageControlFile = NewPages(client);
  c.PageControlFile->setFixedHeight(scaled(kFileBandHeight));
  c.TabSheetTarget = AddPage(c.PageControlFile, T("対象ファイル"));
  c.TabSheetCond = AddPage(c.PageControlFile, T("絞込み"));
  c.TabSheetExcept = AddPage(c.PageControlFile, T("対象除外"));
  c.TabSheetList = AddPage(c.PageControlFile, T("リスト"));
  c.TabSheetSettings = AddPage(c.PageControlFile, T("設定"));
  BuildTargetPage(c, textValidator);
  BuildCondPage(c, textValidator);
  BuildExceptPage(c, textValidator);
  BuildListPage(c, textValidator);
  BuildSettingsPage(c, textValidator);

  c.PanelMisc = new QWidget(client);
  c.PanelMisc->setFixedHeight(scaled(kMiscBandHeight));
  BuildMiscPanel(c, textValidator);

  // The run pages take what the window gains over its least size.
  c.PageControlExec = NewPages(client);
  c.PageControlExec->setMinimumHeight(scaled(kExecBandHeight));
  c.TabSheetRename = AddPage(c.PageControlExec, T("リネーム"));
  c.TabSheetCopy = AddPage(c.PageControlExec, T("コピー"));
  c.TabSheetDelete = AddPage(c.PageControlExec, T("削除"));
  c.TabSheetRestore = AddPage(c.PageControlExec, T("ログ"));
  BuildRenamePage(c, textValidator);
  BuildCopyPage(c, textValidator);
  BuildDeletePage(c, textValidator);
  BuildLogPage(c, textValidator);

  bands->addWidget(c.PageControlFile);
  bands->addWidget(c.PanelMisc);
  bands->addWidget(c.PageControlExec, 1);
  window->setCentralWidget(client);
  FollowTheRunPages(c, QSize(scaled(kClientWidth), scaled(kFileBandHeight)),
                    QSize(scaled(kClientWidth), scaled(kExecBandHeight)));

  // The bands' heights, each scaled by itself, make the client's.
  const QSize least(scaled(kClientWidth), scaled(kFileBandHeight) + scaled(kMiscBandHeight) +
                                              scaled(kExecBandHeight) + scaled(kStatusBandHeight));
  window->setMinimumSize(least);
  window->resize(least);
  c.StatusBar1 = new TStatusPanels(window);
  c.StatusBar1->setFixedHeight(scaled(kStatusBandHeight));
  window->setStatusBar(c.StatusBar1);

  c.Timer1 = new QTimer(window);
  c.Timer1->setInterval(1000);
  NameUnnamedControls(*window);
  return c;
}
