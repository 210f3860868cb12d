#include "ProgramKeys.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "WindowStack.h"
#include "core/common/Commands.h"
#include "core/playback/PlaybackController.h"

namespace {
// A text field or a list edited in place (or whose items Ctrl+A selects) has the focus:
// the standard editing keys are its own, not the program's.
bool EditingFocus(const QWidget* w)
{
    if (!w) return false;
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
        qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w))
        return true;
    if (const auto* combo = qobject_cast<const QComboBox*>(w)) return combo->isEditable();
    if (const auto* view = qobject_cast<const QAbstractItemView*>(w))
        return view->editTriggers() != QAbstractItemView::NoEditTriggers ||
               view->selectionMode() == QAbstractItemView::ExtendedSelection ||
               view->selectionMode() == QAbstractItemView::MultiSelection;
    return false;
}
} // namespace

ProgramKeys::ProgramKeys(CommandSet& commands, WindowStack& ws, PlaybackHost& h)
    : MainKeys(commands, *this), cmd(commands), windows(ws), host(h)
{
    qApp->installEventFilter(this);
}

ProgramKeys::~ProgramKeys() { qApp->removeEventFilter(this); }

bool ProgramKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        // A message box has its own loop; the program's keys wait until it is gone.
        if (qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        // A held media key would play and pause in turn: only its first press counts.
        if (MediaKey && !key->isAutoRepeat() && MediaKey(key->key())) return true;
        // A modal dialog's keys are its own (Ctrl+S in its text field is no Stop, Ctrl+M
        // hides no window behind it): only the media keys reach the player.
        if (QApplication::activeModalWidget()) return false;
        const bool editing = EditingFocus(static_cast<QWidget*>(watched)) || EditingFocus(QApplication::focusWidget());
        return KeyDown(key->key(), key->modifiers(), key->modifiers() & Qt::KeypadModifier, key->isAutoRepeat(),
                       editing);
    }
    if (event->type() == QEvent::KeyRelease && watched->isWidgetType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat()) KeyUp(key->key());
    }
    return false;
}

bool ProgramKeys::KeysBlocked() const { return !controller || controller->Starting || controller->InDataEntry; }

bool ProgramKeys::SettingsDialogVisible() const { return windows.Open(QStringLiteral("ConfigForm")); }

void ProgramKeys::CycleTimeMode()
{
    if (controller) controller->CycleTimeMode();
}

int ProgramKeys::EntryCount() const { return controller ? controller->EntryCount() : 0; }

void ProgramKeys::SelectEntry(int k)
{
    if (controller) controller->SelectEntry(k);
}

void ProgramKeys::PrevNextPress(bool next)
{
    if (controller) controller->PrevNextPress(next);
}

void ProgramKeys::KeyReleased()
{
    if (controller) controller->ReleaseButton();
}

void ProgramKeys::RepeatOff()
{
    if (controller)
        controller->RepeatOff();
    else {
        cmd.State.SetRepeat(RepeatMode::Off);
        host.RedrawDisplay();
    }
}
