#pragma once
// The program's message boxes on screen: QMessageBox, application-modal, owned by the
// active window (none while the drive selection dialog is active, which runs before
// the main window is on the screen).
#include <QList>
#include <QMessageBox>

#include "core/common/Error.h"

class QWidget;

// The owner of a message box now: the active window, or none.
QWidget* MessageOwner();
// While it lives, message boxes belong to window: one just shown, which the window
// system may not have made active yet (a box would stand where that window is not).
class MessageOwnerScope {
public:
    explicit MessageOwnerScope(QWidget* window);
    ~MessageOwnerScope();
    MessageOwnerScope(const MessageOwnerScope&) = delete;
    MessageOwnerScope& operator=(const MessageOwnerScope&) = delete;

private:
    QWidget* previous;
};

// A notice the user reads when they like: not modal, not taking the keyboard from the
// window in use, and placed clear of the given windows. While a notice of the same
// caption is open, it shows the new text instead of a second box.
void ShowNotice(const QString& text, const QString& caption, QMessageBox::Icon icon,
                const QList<const QWidget*>& clearOf);
// Closes the notice of that caption, if one is open: what it said no longer holds.
void CloseNotice(const QString& caption);

class WidgetPresenter : public MessagePresenter {
public:
    int Show(const QString& text, const QString& caption, unsigned flags) override;
    int ShowWithReason(const QString& text, const QString& reason, const QString& caption, unsigned flags) override;

private:
    QString informative; // the reason shown under the next box's text
};
