#include "DiscDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>

#include "CDInfo.h"
#include "ProgSet.h"
#include "core/common/Commands.h"
#include "core/entry/CDInfoExport.h"
#include "core/playback/PlaybackController.h"
#include "ui/main/WindowStack.h"

namespace {
QString askExportFile(QWidget* owner, const QString& folder, const QString& proposal, QString* filter)
{
    QFileDialog dialog(owner, QStringLiteral("プロパティをファイルへ出力"), folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(DiscInfoFilters());
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    // A bare name gets the extension of the kind of file chosen.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& chosen) {
        QString suffix = QStringLiteral("csv");
        for (const ExportFormat& f : DiscInfoFormats())
            if (f.Filter == chosen && !f.Suffix.isEmpty()) suffix = f.Suffix;
        dialog.setDefaultSuffix(suffix);
    });
    dialog.selectFile(proposal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    *filter = dialog.selectedNameFilter();
    return dialog.selectedFiles().first();
}
} // namespace

DiscDialogs::DiscDialogs(WindowStack& windows_, PlaybackHost& host_, CommandSet& commands_, TWords& words_)
    : QObject(windows_.Owner()), windows(windows_), host(host_), commands(commands_), words(words_)
{
    CDInfoForm = new TCDInfoForm(words, windows, windows.Owner());
    ProgSetForm = new TProgSetForm(words, commands, windows, windows.Owner());
    exportFolder = QDir::homePath();
    ChooseExportFile = [this](QWidget* owner, const QString& proposal, QString* filter) {
        return askExportFile(owner, exportFolder, proposal, filter);
    };
    windows.Add(CDInfoForm);
    windows.Add(ProgSetForm);

    connect(commands.ProgSetItem, &Command::triggered, this, &DiscDialogs::ProgSetItemClick);
    connect(commands.CDInfoItem, &Command::triggered, this, &DiscDialogs::CDInfoItemClick);
    connect(commands.CDInfoSaveItem, &Command::triggered, this, &DiscDialogs::CDInfoSaveItemClick);
}

void DiscDialogs::PlayTimeGrew()
{
    if (CDInfoForm->isVisible()) CDInfoForm->ShowPlayTime();
}

void DiscDialogs::ProgSetItemClick() { windows.RunModal(*ProgSetForm); }

void DiscDialogs::CDInfoItemClick() { windows.RunModal(*CDInfoForm); }

void DiscDialogs::CDInfoSaveItemClick()
{
    host.RedrawDisplay();
    // The save dialog stays where the user has it, above or below the player.
    const WindowStack::Hold hold(windows);
    QString filter = DiscInfoFilters().first();
    const QString path = ChooseExportFile(windows.Owner(), ExportFileProposal(words), &filter);
    if (!path.isEmpty()) {
        exportFolder = QFileInfo(path).absolutePath();
        ExportDiscInfo(path, filter, words);
    }
}
