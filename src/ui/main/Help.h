#pragma once
// The program's help window: the help pages shown in a window of the program's own,
// opened at the topic of a context number (a dialog's Help button, F1) or at the
// contents (the Help menu). Context numbers and their pages: core/common/HelpTopics.h.
#include <QString>
#include <functional>

class QDialog;
class QTextBrowser;
class QWidget;

namespace Help {

// The contents page; the other pages lie beside it.
void SetFile(const QString& contentsPage);
QString File();
// Opens the window at the topic of context; 0, or a number without a topic, opens the
// contents. Asked from a modal dialog, the window belongs to that dialog, so that it
// can be read and scrolled while the dialog stays open; else it belongs to owner.
// activate false: the window comes up without taking the keyboard (a capture that
// goes on over it).
void Show(int context, QWidget* owner = nullptr, bool activate = true);
// The window and its page view, once the window was opened.
QWidget* Window();
QTextBrowser* Browser();

// F1 on widget, or on a widget inside it without a number of its own, opens context.
void SetContext(QWidget* widget, int context);
// The number of widget or of its nearest parent that has one; 0 when none has.
int ContextOf(const QWidget* widget);
// F1 in dialog: first before() (the main window then leaves its next stay-on-top
// reassertion out, so the help window is not covered), then the topic of the focused
// control opens.
void InstallF1(QDialog* dialog, std::function<void()> before);

} // namespace Help
