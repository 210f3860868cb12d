#include "WindowStack.h"

#include <QDialog>
#include <QWidget>

void WindowStack::Reassert()
{
    if (Held()) return;
    if (skipOnce) {
        skipOnce = false;
        return;
    }
    if (SetTopmost) SetTopmost(StayOnTop);
}

WindowStack::Hold::~Hold()
{
    --stack.holds;
    stack.Reassert();
}

void WindowStack::Add(QWidget* dialog, std::function<void()> closeForDisc)
{
    dialogs.removeIf([](const Entry& e) { return e.dialog.isNull(); }); // a dialog made for one showing
    dialogs.append({dialog, std::move(closeForDisc)});
}

bool WindowStack::DialogOpen() const
{
    if (Counting && !Counting()) return false;
    for (const Entry& e : dialogs)
        if (e.dialog && e.dialog->isVisible()) return true;
    return false;
}

bool WindowStack::Open(const QString& name) const
{
    for (const Entry& e : dialogs)
        if (e.dialog && e.dialog->objectName() == name && e.dialog->isVisible()) return true;
    return false;
}

void WindowStack::Close(const QString& name)
{
    for (const Entry& e : dialogs)
        if (e.dialog && e.dialog->objectName() == name && e.dialog->isVisible()) e.dialog->close();
}

void WindowStack::CloseDiscDialogs()
{
    const QList<Entry> now = dialogs; // a closer may open or register another
    for (const Entry& e : now) {
        // The settings are no disc's: their dialog stays.
        if (!e.dialog || !e.dialog->isVisible() || e.dialog->objectName() == QLatin1String("ConfigForm")) continue;
        if (e.closeForDisc)
            e.closeForDisc();
        else
            e.dialog->close();
    }
}

bool WindowStack::RunModal(QDialog& dialog, const std::function<void()>& prepare)
{
    if (DialogOpen()) return false;
    if (prepare) prepare();
    dialog.exec();
    Reassert();
    return true;
}
