#pragma once
// A dialog that makes its controls when it is first shown. The dialog object, its
// command and its place among the program's dialogs exist for the whole run, but the
// controls of a window the user may never open are not laid out while the program
// starts.
#include <QDialog>

class LazyDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    // Makes the controls if they are not made yet; showing the dialog does it too.
    void Build();
    bool Built() const { return built; }

    void setVisible(bool visible) override;

protected:
    // Makes and connects the controls; runs once, before the dialog is first shown.
    virtual void buildControls() = 0;

private:
    bool built = false;
};
