#pragma once
// The program's message boxes on screen: QMessageBox, application-modal, owned by the
// active window (none while the drive selection dialog is active, which runs before
// the main window is on the screen).
#include "common/Error.h"

class QWidget;

// The owner of a message box now: the active window, or none.
QWidget* MessageOwner();

class WidgetPresenter : public MessagePresenter {
public:
    int Show(const QString& text, const QString& caption, unsigned flags) override;
};
