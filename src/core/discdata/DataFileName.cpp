#include "DataFileName.h"

#include "core/common/Error.h"
#include "core/common/TextCodec.h"

namespace {
const QStringView kForbidden = u"\\/:*?\"<>|";
// The first character of name the file name cannot hold; a null character when none.
QChar ForbiddenIn(const QString& name)
{
    for (QChar c : name)
        if (kForbidden.contains(c)) return c;
    return QChar();
}
} // namespace

NameFault DataFileNameFault(const QString& name)
{
    if (name.isEmpty()) return NameFault::Empty;
    if (name == QLatin1String("..")) return NameFault::ParentFolder;
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return NameFault::ControlChar;
    if (!ForbiddenIn(name).isNull()) return NameFault::Forbidden;
    if (name.front() == QLatin1Char(' ') || name.back() == QLatin1Char(' ')) return NameFault::BlankAtEnd;
    if (name.back() == QLatin1Char('.')) return NameFault::TrailingDot;
    if (name.toUtf8().size() + 4 > 255) return NameFault::TooLong;
    if (!Cp932::CanEncode(name)) return NameFault::NotCp932;
    return NameFault::None;
}

bool IsValidDataFileName(const QString& name) { return DataFileNameFault(name) == NameFault::None; }

bool IsSafeRegisteredName(const QString& name)
{
    for (QChar c : name)
        if (c == QLatin1Char('/') || c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    return true;
}

void UnsafeRegistryEntryMessage(const QString& discId, const QString& name)
{
    ErrorMessage(
        QStringLiteral("ディスク %1 の登録にある歌詞ファイル名 '%2' は歌詞ファイルのフォルダの外を指すため使えません。"
                       "このディスクは未登録として扱います。設定ファイルの登録はそのまま残ります。")
            .arg(discId, name),
        QStringLiteral("登録エラー"));
}

void InvalidFileNameMessage(const QString& name)
{
    QString why;
    switch (DataFileNameFault(name)) {
    case NameFault::None: return;
    case NameFault::Empty: why = QStringLiteral("歌詞ファイルの名前が空です。"); break;
    case NameFault::ParentFolder:
        why = QStringLiteral("「..」は一つ上のフォルダを指すため、歌詞ファイルの名前に使えません。");
        break;
    case NameFault::ControlChar:
        why = QStringLiteral("歌詞ファイルの名前に制御文字 (タブや改行など) は使えません。");
        break;
    case NameFault::Forbidden:
        why = QStringLiteral("歌詞ファイルの名前に「%1」は使えません。\\ / : * ? \" < > | は、"
                             "フォルダの区切りかほかのシステムで使えない文字です。")
                  .arg(ForbiddenIn(name));
        break;
    case NameFault::BlankAtEnd:
        why = QStringLiteral("歌詞ファイルの名前の先頭と末尾に空白は使えません。"
                             "設定ファイルに登録するときに消えて、名前がファイルと合わなくなります。");
        break;
    case NameFault::TrailingDot:
        why = QStringLiteral("歌詞ファイルの名前の末尾に「.」は使えません。"
                             "Windows では消えて、名前がファイルと合わなくなります。");
        break;
    case NameFault::TooLong:
        why = QStringLiteral("歌詞ファイルの名前が長すぎます。拡張子「.dat」を含めて 255 バイト (UTF-8) までですが、"
                             "この名前では %1 バイトになります。")
                  .arg(name.toUtf8().size() + 4);
        break;
    case NameFault::NotCp932:
        why = QStringLiteral(
                  "'%1' にはコードページ932 (Shift-JIS) で表せない文字があるため、歌詞ファイルの名前に使えません。"
                  "登録の名前は設定ファイルに保存され、設定ファイルはコードページ932のまま保たれます。")
                  .arg(name);
        break;
    }
    ErrorMessage(why + QStringLiteral("別のファイル名を入力してください。"), QStringLiteral("登録エラー"));
}
