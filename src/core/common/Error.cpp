#include "Error.h"

#include <atomic>
#include <cstdio>

namespace {
class StderrPresenter : public MessagePresenter {
public:
    int Show(const QString& text, const QString& caption, unsigned flags) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        switch (flags & 0xF) {
        case MbRetryCancel:
        case MbOkCancel: return IdCancel;
        case MbYesNo: return (flags & MbDefButton2) ? IdNo : IdYes;
        default: return IdOk;
        }
    }
};

StderrPresenter fallback;
MessagePresenter* current = &fallback;
std::atomic<bool> englishReasons{false};
} // namespace

void SetMessagePresenter(MessagePresenter* presenter) { current = presenter ? presenter : &fallback; }

MessagePresenter* CurrentMessagePresenter() { return current; }

void SetEnglishReasons(bool english) { englishReasons = english; }

QString Reason(const char* japanese, const char* english)
{
    return QString::fromUtf8(englishReasons ? english : japanese);
}

void ErrorMessage(const QString& text, const QString& caption)
{
    current->Show(text, caption, MbTaskModal | MbIconError | MbOk);
}

int OpenErrorMessage(const QString& fileName, const QString& reason)
{
    const QString text = QStringLiteral("ファイル '") + fileName + QStringLiteral("' が開けません。");
    const QString caption = QStringLiteral("読み込みエラー");
    const unsigned flags = MbTaskModal | MbIconWarning | MbRetryCancel;
    const int r = reason.isEmpty() ? current->Show(text, caption, flags)
                                   : current->ShowWithReason(text, reason, caption, flags);
    return r == IdRetry ? IdRetry : IdCancel;
}

int SaveErrorMessage(const QString& fileName, const QString& reason)
{
    const int r = current->ShowWithReason(
        QStringLiteral("ファイル '") + fileName + QStringLiteral("' が保存できません。"), reason,
        QStringLiteral("保存エラー"), MbTaskModal | MbIconWarning | MbRetryCancel);
    return r == IdRetry ? IdRetry : IdCancel;
}

void DuplicateFileNameMessage()
{
    ErrorMessage(
        QStringLiteral("同じファイル名の歌詞ファイルがすでに存在しています。別のファイル名を入力してください。"),
        QStringLiteral("登録エラー"));
}

int QuestionMessage(const QString& text, const QString& caption)
{
    const int r = current->Show(text, caption, MbTaskModal | MbIconQuestion | MbYesNo | MbDefButton2);
    return r == IdYes ? IdYes : IdNo;
}
