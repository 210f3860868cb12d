#pragma once
// The program's message boxes. The core asks through one replaceable presenter so
// that it never includes a widget header and tests can answer for the user.
#include <QString>

// Button codes and flags as the old message boxes used them; callers compare with these.
enum MessageResult : int { IdOk = 1, IdCancel = 2, IdRetry = 4 };
enum MessageFlags : unsigned {
    MbOk = 0x0,
    MbRetryCancel = 0x5,
    MbIconError = 0x10,
    MbIconWarning = 0x30,
    MbTaskModal = 0x2000,
};

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // Shows one box and returns the button pressed (a MessageResult).
    virtual int Show(const QString& text, const QString& caption, unsigned flags) = 0;
};

// Installs the presenter every message goes through; nullptr restores the default,
// which shows nothing, writes the message to stderr and answers Cancel (or OK).
void SetMessagePresenter(MessagePresenter* presenter);
MessagePresenter* CurrentMessagePresenter();

void ErrorMessage(const QString& text, const QString& caption);
// Both return IdRetry or IdCancel; callers repeat the whole operation on IdRetry only.
int OpenErrorMessage(const QString& fileName);
int SaveErrorMessage(const QString& fileName);
void DuplicateFileNameMessage();
