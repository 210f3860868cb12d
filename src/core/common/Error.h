#pragma once
// The program's message boxes. The core asks through one replaceable presenter so
// that it never includes a widget header and tests can answer for the user.
#include <QString>

// Button codes and flags as the old message boxes used them; callers compare with these.
enum MessageResult : int { IdOk = 1, IdCancel = 2, IdRetry = 4, IdYes = 6, IdNo = 7 };
enum MessageFlags : unsigned {
    MbOk = 0x0,
    MbOkCancel = 0x1,
    MbYesNo = 0x4,
    MbRetryCancel = 0x5,
    MbIconError = 0x10,
    MbIconQuestion = 0x20,
    MbIconWarning = 0x30,
    MbDefButton2 = 0x100, // the second button (No) is the default
    MbTaskModal = 0x2000,
};

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // Shows one box and returns the button pressed (a MessageResult).
    virtual int Show(const QString& text, const QString& caption, unsigned flags) = 0;
    // The same with a reason under the text (why a file could not be saved); by default
    // on a line of its own.
    virtual int ShowWithReason(const QString& text, const QString& reason, const QString& caption, unsigned flags)
    {
        return Show(reason.isEmpty() ? text : text + QLatin1Char('\n') + reason, caption, flags);
    }
};

// Installs the presenter every message goes through; nullptr restores the default,
// which shows nothing, writes the message to stderr and answers with the default
// button's safe side: Cancel, No with MbDefButton2, else Yes or OK.
void SetMessagePresenter(MessagePresenter* presenter);
MessagePresenter* CurrentMessagePresenter();

void ErrorMessage(const QString& text, const QString& caption);
// Both return IdRetry or IdCancel; callers repeat the whole operation on IdRetry only.
// A reason, when there is one to tell (a file that is no text), is shown below the text.
int OpenErrorMessage(const QString& fileName, const QString& reason = QString());
// A reason, when there is one to tell (a full disk), is shown below the text.
int SaveErrorMessage(const QString& fileName, const QString& reason = QString());
void DuplicateFileNameMessage();
// A Yes/No question with the question icon and No as the default button; IdYes or IdNo
// (any other answer, such as a box that could not be shown, counts as No).
int QuestionMessage(const QString& text, const QString& caption);

// Why something failed (a disc that cannot be opened), as the core tells it: in the
// program's Japanese, or in English for mirelune-tool, whose other messages are English.
void SetEnglishReasons(bool english);
QString Reason(const char* japanese, const char* english);
