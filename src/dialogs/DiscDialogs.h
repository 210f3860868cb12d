#pragma once
// The disc's program editor and properties, and the export of the properties, bound to
// the main window's commands: ProgSetItem and CDInfoItem open their dialog unless one of
// the program's dialogs is open; CDInfoSaveItem asks for a file and writes the export.
#include <QObject>
#include <QString>
#include <functional>

class CommandSet;
class TCDInfoForm;
class TMainForm;
class TProgSetForm;
class TWords;

class DiscDialogs : public QObject {
    Q_OBJECT
public:
    // Creates both dialogs, owned by the main window, and binds the commands.
    DiscDialogs(TMainForm& form, CommandSet& commands, TWords& words);

    TCDInfoForm* CDInfoForm;
    TProgSetForm* ProgSetForm;

    // Asks where to export: returns the chosen path (empty when cancelled) and sets
    // *filter to the chosen filter. Tests answer it.
    std::function<QString(QWidget* owner, const QString& proposal, QString* filter)> ChooseExportFile;

    void ProgSetItemClick();
    void CDInfoItemClick();
    void CDInfoSaveItemClick();

private:
    TMainForm& form;
    CommandSet& commands;
    TWords& words;
    QString exportFolder; // where the last export went
};
