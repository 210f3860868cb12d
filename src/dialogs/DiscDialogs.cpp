#include "DiscDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>

#include "common/Commands.h"
#include "dialogs/CDInfo.h"
#include "dialogs/CDInfoExport.h"
#include "dialogs/ProgSet.h"
#include "main/Main.h"

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

DiscDialogs::DiscDialogs(TMainForm& form_, CommandSet& commands_, TWords& words_)
    : QObject(&form_), form(form_), commands(commands_), words(words_)
{
    CDInfoForm = new TCDInfoForm(words, &form);
    ProgSetForm = new TProgSetForm(words, commands, &form);
    exportFolder = QDir::homePath();
    ChooseExportFile = [this](QWidget* owner, const QString& proposal, QString* filter) {
        return askExportFile(owner, exportFolder, proposal, filter);
    };
    for (DialogHooks* hooks : {&CDInfoForm->Hooks, &ProgSetForm->Hooks}) {
        hooks->ApplyStayOnTop = [this] { form.ApplyStayOnTop(); };
        hooks->SkipTopmostOnce = [this] { form.SkipTopmostOnce = true; };
        hooks->HoldTopmost = [this](bool hold) { form.HoldTopmost = hold; };
    }
    // Both close with the disc (nothing stored) and count as open dialogs.
    form.AddDialog(CDInfoForm);
    form.AddDialog(ProgSetForm);

    connect(commands.ProgSetItem, &Command::triggered, this, &DiscDialogs::ProgSetItemClick);
    connect(commands.CDInfoItem, &Command::triggered, this, &DiscDialogs::CDInfoItemClick);
    connect(commands.CDInfoSaveItem, &Command::triggered, this, &DiscDialogs::CDInfoSaveItemClick);
    connect(&form, &TMainForm::PlayTimeGrew, this, [this] {
        if (CDInfoForm->isVisible()) CDInfoForm->ShowPlayTime();
    });
}

void DiscDialogs::ProgSetItemClick()
{
    if (form.DialogOpen()) return;
    ProgSetForm->exec();
    form.ApplyStayOnTop();
}

void DiscDialogs::CDInfoItemClick()
{
    if (form.DialogOpen()) return;
    CDInfoForm->exec();
    form.ApplyStayOnTop();
}

void DiscDialogs::CDInfoSaveItemClick()
{
    form.TimeImageLabel->repaint();
    // The save dialog stays where the user has it, above or below the player.
    form.HoldTopmost = true;
    QString filter = DiscInfoFilters().first();
    const QString path = ChooseExportFile(&form, ExportFileProposal(words), &filter);
    if (!path.isEmpty()) {
        exportFolder = QFileInfo(path).absolutePath();
        ExportDiscInfo(path, filter, words);
    }
    form.HoldTopmost = false;
    form.ApplyStayOnTop();
}
