#pragma once
#include <QList>
#include <QString>

#include "core/common/Error.h"

// Answers message boxes for the user and remembers what was shown. Installs itself
// for its lifetime.
class RecordingPresenter : public MessagePresenter {
public:
    struct Shown {
        QString text;
        QString caption;
        unsigned flags;
        QString reason; // shown under the text
    };
    RecordingPresenter() { SetMessagePresenter(this); }
    ~RecordingPresenter() override { SetMessagePresenter(nullptr); }

    int Show(const QString& text, const QString& caption, unsigned flags) override
    {
        shown.append({text, caption, flags});
        if (!answers.isEmpty()) return answers.takeFirst();
        return (flags & 0xF) == MbRetryCancel ? IdCancel : IdOk;
    }

    int ShowWithReason(const QString& text, const QString& reason, const QString& caption, unsigned flags) override
    {
        const int answer = Show(text, caption, flags);
        shown.last().reason = reason;
        return answer;
    }

    QList<int> answers; // answered in order; then Cancel (or OK)
    QList<Shown> shown;
};
