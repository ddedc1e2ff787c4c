#include "cli/BatchMessages.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <new>

#include "ops/FailReason.h"
#include "platform/Cp932.h"

namespace {

struct TRow {
  TBatchText Id;
  std::u8string_view Text;  // UTF-8 for the terminal: narrow literals here are Shift-JIS
};

using enum TBatchText;

// In the order of TBatchText; a check below keeps the two in step.
constexpr std::array kTexts = {
    TRow{SeeHelp, u8"{1} (--help を参照)"},
    TRow{SetNoEquals, u8"--set {1}: 「=」がありません (SECTION.KEY=VALUE の形で指定します)"},
    TRow{SetNoSection,
         u8"--set {1}: セクションがありません (SECTION.KEY=VALUE の形で指定します。例: Rename.SeqIndex=1)"},
    TRow{SetEmptySection, u8"--set {1}: セクション名が空です"},
    TRow{SetEmptyKey, u8"--set {1}: キー名が空です"},
    TRow{SetNotUtf8, u8"--set {1}: UTF-8 のテキストではありません"},
    TRow{SetTooManyUnicode,
         u8"--set {1}: Shift-JIS にない文字が、一度の実行で扱える数を超えています"},
    TRow{UndoTwice, u8"undo が二度指定されています"},
    TRow{UndoNeedsLog, u8"undo にはログファイルの指定が必要です"},
    TRow{UndoLogTooManyUnicode,
         u8"undo: ログファイルの名前の Shift-JIS にない文字が、一度の実行で扱える数を超えています"},
    TRow{UnknownMode, u8"不明なモードです: {1}"},
    TRow{TwoModes, u8"モードが二つ以上指定されています"},
    TRow{OptionTakesNoValue, u8"{1} には値を指定できません"},
    TRow{UnknownOption, u8"不明なオプションです: {1}"},
    TRow{OptionNeedsValue, u8"{1} には値が必要です"},
    TRow{OptionValueTooManyUnicode,
         u8"{1}: 値の Shift-JIS にない文字が、一度の実行で扱える数を超えています"},
    TRow{OptionTwice, u8"{1} が二度指定されています"},
    TRow{DryRunMode, u8"--dry-run: MODE は rename, copy, delete, change のどれかです"},
    TRow{NoMode, u8"モードが指定されていません (list, rename, copy, delete, change, edit)"},
    TRow{OneAction,
         u8"モード, edit, --sample, --dry-run, undo, --print-settings, --help-keys, --list-jobs のうち一つを指定してください"},
    TRow{AllWithoutUndo, u8"--all は undo と共に指定します"},
    TRow{NullWithoutList, u8"-0/--null は list 専用です (ほかのモードはログの行を出力します)"},
    TRow{LogWithList, u8"--log は list と共には指定できません (list はログを書きません)"},
    TRow{LogWithoutRun, u8"--log にはジョブを実行するモードが必要です"},
    TRow{JobWithSettings, u8"--job と --settings は同時に指定できません (どちらもジョブを読み込みます)"},
    TRow{NamesFromWithoutRename, u8"--names-from は rename, --dry-run rename, edit と共に指定します"},
    TRow{ConfirmWithoutRun, u8"--confirm には rename, copy, delete, change のどれかを指定します"},
    TRow{YesWithoutQuestion, u8"--yes は edit か --confirm と共に指定します"},
    TRow{StepsUnknown,
         u8"--steps: 「{1}」は手順の名前ではありません (replace, number, case, date, ext, folder, "
         u8"または {2})"},
    TRow{StepsTwice, u8"--steps: 手順「{1}」が二度指定されています"},
    TRow{StepsEmpty, u8"--steps: 手順が指定されていません"},

    TRow{KeyUnknownSection,
         u8"--set {1}: 不明なセクション {2} です (セクションは FindFile, Change, Copy, Rename, Delete)"},
    TRow{KeyUnknown, u8"--set {1}: セクション {2} にキー {3} はありません (--help-keys を参照)"},
    TRow{KeyOfOtherSection, u8"--set {1}: {2} は {3} のキーで、{4} のキーではありません"},
    TRow{KeyMultiLine, u8"--set {1}: 値に改行があります (設定ファイルの値は一行です)"},
    TRow{KeyTooLong, u8"--set {1}: 値が設定ファイルの値の上限 (2047 バイト) より長いです"},
    TRow{KeyNotACaption,
         u8"--set {1}: {2} には手順の名前 ({3}) のどれかを指定します。「{4}」は手順の名前ではありません"},
    TRow{KeyOutOfDomain, u8"--set {1}: {2} には{3}を指定します。「{4}」は指定できません"},
    TRow{KeyBadDate, u8"--set {1}: 「{2}」は {3} の日付として正しくありません。{4}で指定します"},
    TRow{KeyBadTime, u8"--set {1}: 「{2}」は {3} の時刻として正しくありません。{4}で指定します"},
    TRow{DomainText, u8"テキスト"},
    TRow{DomainCaption, u8"手順の名前"},
    TRow{DomainDate, u8"日付 yyyy/mm/dd (空白なら日付なし) "},
    TRow{DomainTime, u8"時刻 hh:nn:ss "},
    TRow{DomainFlag, u8"フラグ 0 か 1 "},
    TRow{DomainInteger, u8" {1} から {2} までの整数"},
    TRow{DomainChoice, u8" {1} から {2} までの項目の番号"},
    TRow{JobNotShiftJis, u8"ジョブの {1} に Shift-JIS のテキストではないバイトがあります"},

    TRow{SettingsDanglingLink, u8"設定ファイルはリンク先のないシンボリックリンクです: {1}"},
    TRow{SettingsNotFound, u8"設定ファイルが見つかりません: {1}"},
    TRow{SettingsUnreadable, u8"設定ファイル {1} を読めません: {2}"},
    TRow{ReasonFifo, u8"FIFO で、ファイルではありません"},
    TRow{ReasonNotRegular, u8"通常のファイルではありません"},
    TRow{OrderRepeated, u8"警告: {1} が同じ手順「{2}」です"},
    TRow{OrderUnknown, u8"警告: {1} の「{2}」は手順の名前ではありません"},
    TRow{OrderMissing, u8"警告: 手順「{1}」は Rename.OrderItems0 から 5 のどの位置にもありません"},

    TRow{JobNotFound, u8"ジョブ {1} が見つかりません ({2}。一覧は --list-jobs で表示します)"},
    TRow{JobBadName,
         u8"ジョブ名「{1}」は使えません (空の名前、「/」や制御文字を含む名前、「.」で始まる名前は使えません)"},
    TRow{NoJobs, u8"保存されたジョブはありません ({1})"},

    TRow{CopyNotice, u8"名前を変えたコピーを作ります。リネームするには Rename.Copy=0 を指定します"},
    TRow{PassedOver,
         u8"{1} 件を飛ばしました。名前の Shift-JIS にない文字が、一度の実行で扱える数 (1,880) を超えています: {2}"},
    TRow{BadDateTimeIn, u8"日付か時刻が正しくありません ({1})"},
    TRow{BadDateTime, u8"ジョブの日付か時刻が正しくありません"},
    TRow{OutputNotWritten, u8"出力を書き込めないため、実行を中止しました"},
    TRow{Summary, u8"{1} 件成功, {2} 件失敗"},
    TRow{PlanSummary, u8"{1} 件予定, {2} 件失敗"},
    TRow{UndoLinesPassedOver, u8"ログの {1} 行はレコードではないため、飛ばしました"},
    TRow{FailureCount, u8"  失敗 {1} 件: {2}"},
    TRow{UnreadFolder, u8"読めないフォルダ: {1} ({2})"},

    TRow{NamesFromUnreadable, u8"--names-from {1} を読めません: {2}"},
    TRow{NamesFromNoTab,
         u8"--names-from {1} の {2} 行目: タブで区切った「元の名前」と「新しい名前」がありません"},
    TRow{NamesFromNotTarget, u8"--names-from {1} の {2} 行目: 「{3}」はこのジョブの対象ではありません"},
    TRow{NamesFromTwice, u8"--names-from {1} の {2} 行目: 「{3}」は {4} 行目にもあります"},
    TRow{NamesFromEmptyName, u8"--names-from {1} の {2} 行目: 新しい名前が空です"},
    TRow{NamesFromTooManyUnicode,
         u8"--names-from {1} の {2} 行目: Shift-JIS にない文字が、一度の実行で扱える数を超えています"},
    TRow{OtherFolder,
         u8"{1} の {2} 行目: 「{3}」は別のフォルダです。リネームでほかのフォルダへは移せません"},
    TRow{NoTerminal, u8"確認のための端末がありません。確認せずに実行するには --yes を指定します"},
    TRow{NothingToRename, u8"リネームする対象がありません"},
    TRow{NameWithLineBreak, u8"名前に改行があるため、一行ずつの編集ができません: {1}"},
    TRow{EditTempFile, u8"編集用の一時ファイルを作れません: {1}"},
    TRow{EditorFailed, u8"エディタ ({1}) が終了コード {2} で終わりました。何もリネームしていません"},
    TRow{EditorSignal, u8"エディタ ({1}) がシグナル {2} で終わりました。何もリネームしていません"},
    TRow{EditUnreadable, u8"編集したファイル {1} を読めません: {2}"},
    TRow{EditLineCount,
         u8"行の数が {1} 行から {2} 行に変わりました。行の数は変えられません。何もリネームしていません"},
    TRow{EditEmptyLine, u8"編集したファイルの {1} 行目が空です。何もリネームしていません"},
    TRow{EditTooManyUnicode,
         u8"編集したファイルの {1} 行目: Shift-JIS にない文字が、一度の実行で扱える数を超えています"},
    TRow{EditChanged, u8"  {1} → {2}"},
    TRow{EditChangedFails, u8"  {1} → {2} (失敗の予測: {3})"},
    TRow{EditNoChange, u8"変更した行はありません。手順の作った名前でリネームします"},
    TRow{EditCount, u8"{1} 行を変更しました。{2} 件のうち、失敗の予測は {3} 件です"},
    TRow{PassedOverUnchanged, u8"名前の変わらない {1} 件はそのままにします"},
    TRow{AskRename, u8"この名前でリネームしますか? [y/N] "},
    TRow{AskRun, u8"この計画のとおりに実行しますか? [y/N] "},
    TRow{Declined, u8"何も変更していません"},

    TRow{OutOfMemory, u8"メモリが足りません"},
    TRow{UnexpectedError, u8"予期しないエラーです: {1}"},
};

constexpr bool InOrder() {
  if (kTexts.size() != static_cast<std::size_t>(Count_)) return false;
  for (std::size_t i = 0; i < kTexts.size(); ++i)
    if (static_cast<std::size_t>(kTexts[i].Id) != i) return false;
  return true;
}
static_assert(InOrder(), "every message has its row, in the order of TBatchText");

}  // namespace

std::string BatchText(TBatchText id, std::initializer_list<std::string_view> arguments) {
  const std::u8string_view text = kTexts[static_cast<std::size_t>(id)].Text;
  std::string out;
  out.reserve(text.size() + 32);
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = static_cast<char>(text[at]);
    if (c == '{' && at + 2 < text.size() && text[at + 2] == u8'}' && text[at + 1] >= u8'1' &&
        text[at + 1] <= u8'9') {
      const std::size_t n = static_cast<std::size_t>(text[at + 1] - u8'1');
      if (n < arguments.size()) out += arguments.begin()[n];
      at += 2;
      continue;
    }
    out += c;
  }
  return out;
}

std::string ExceptionText(const std::exception &error) {
  if (dynamic_cast<const std::bad_alloc *>(&error) != nullptr) return BatchText(OutOfMemory);
  return BatchText(UnexpectedError, {error.what()});
}

std::string SystemErrorText(int error) { return Cp932ToUtf8Lossy(ReasonText(FailureOf(error))); }
