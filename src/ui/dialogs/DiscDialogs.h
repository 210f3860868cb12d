#pragma once
// The disc's program editor and properties, and the export of the properties, bound to
// the main window's commands: ProgSetItem and CDInfoItem open their dialog unless one of
// the program's dialogs is open; CDInfoSaveItem asks for a file and writes the export.
// Both dialogs close with the disc (nothing stored).
#include <QObject>
#include <QString>
#include <functional>

class CommandSet;
class PlaybackHost;
class TCDInfoForm;
class TProgSetForm;
class TWords;
class WindowStack;

class DiscDialogs : public QObject {
    Q_OBJECT
public:
    // Creates both dialogs, owned by the windows' owner, and binds the commands. host
    // draws the time display before the export's file dialog.
    DiscDialogs(WindowStack& windows, PlaybackHost& host, CommandSet& commands, TWords& words);

    TCDInfoForm* CDInfoForm;
    TProgSetForm* ProgSetForm;

    // Asks where to export: returns the chosen path (empty when cancelled) and sets
    // *filter to the chosen filter. Tests answer it.
    std::function<QString(QWidget* owner, const QString& proposal, QString* filter)> ChooseExportFile;

    void ProgSetItemClick();
    void CDInfoItemClick();
    void CDInfoSaveItemClick();
    // The disc's play time grew: the properties show it while they are open.
    void PlayTimeGrew();

private:
    WindowStack& windows;
    PlaybackHost& host;
    CommandSet& commands;
    TWords& words;
    QString exportFolder; // where the last export went
};
