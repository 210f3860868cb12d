// The properties dialog's LRC export: the lyrics of the selected track, or of every track
// that has lyrics into a folder, with the times the lyrics window shows them at.
#include "CDInfo.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <algorithm>

#include "core/common/Error.h"
#include "core/discdata/Lrc.h"
#include "ui/main/WindowStack.h"

void TCDInfoForm::initLrcExport()
{
    lrcFolder = QDir::homePath();

    ChooseLrcFile = [](QWidget* owner, const QString& proposal) {
        QFileDialog dialog(owner, QStringLiteral("LRCファイルへ出力"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({QStringLiteral("LRC ファイル (*.lrc)"), QStringLiteral("すべてのファイル (*)")});
        dialog.setDefaultSuffix(QStringLiteral("lrc"));
        dialog.setDirectory(QFileInfo(proposal).absolutePath());
        dialog.selectFile(QFileInfo(proposal).fileName());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        return dialog.selectedFiles().first();
    };
    ChooseLrcFolder = [](QWidget* owner, const QString& folder) {
        return QFileDialog::getExistingDirectory(owner, QStringLiteral("LRCファイルを出力するフォルダ"), folder);
    };
}

void TCDInfoForm::buildLrcExport()
{
    LrcSaveBtn = new QPushButton(QStringLiteral("LRC出力(&E)"), this);
    LrcSaveBtn->setObjectName(QStringLiteral("LrcSaveBtn"));
    LrcSaveBtn->setAutoDefault(false);
    auto* menu = new QMenu(LrcSaveBtn);
    LrcTrackSaveItem = menu->addAction(QStringLiteral("選択したトラック(&T)..."));
    LrcTrackSaveItem->setObjectName(QStringLiteral("LrcTrackSaveItem"));
    LrcDiscSaveItem = menu->addAction(QStringLiteral("すべてのトラック(&A)..."));
    LrcDiscSaveItem->setObjectName(QStringLiteral("LrcDiscSaveItem"));
    LrcSaveBtn->setMenu(menu);

    connect(menu, &QMenu::aboutToShow, this, &TCDInfoForm::UpdateLrcItems);
    connect(MTitleList, &QListWidget::currentRowChanged, this, &TCDInfoForm::UpdateLrcItems);
    connect(LrcTrackSaveItem, &QAction::triggered, this, &TCDInfoForm::LrcTrackSaveItemClick);
    connect(LrcDiscSaveItem, &QAction::triggered, this, &TCDInfoForm::LrcDiscSaveItemClick);
}

int TCDInfoForm::selectedTrack() const { return MTitleList->currentRow() + 1; }

void TCDInfoForm::UpdateLrcItems()
{
    Build();
    const std::vector<int> tracks = LrcTracks(words);
    const int track = selectedTrack();
    // The item names the track it writes, so that the user sees which one.
    LrcTrackSaveItem->setText(track > 0 ? QString::asprintf("トラック %.2d(&T)...", track)
                                        : QStringLiteral("選択したトラック(&T)..."));
    LrcTrackSaveItem->setEnabled(std::find(tracks.begin(), tracks.end(), track) != tracks.end());
    LrcDiscSaveItem->setEnabled(!tracks.empty());
    LrcSaveBtn->setEnabled(!tracks.empty());
}

bool TCDInfoForm::writeLrc(const QString& path, int track)
{
    QString reason;
    if (WriteLrcFile(path, TrackLrc(words, track), &reason)) return true;
    ErrorMessage(QStringLiteral("ファイル '") + path + QStringLiteral("' へ出力できません。\r") + reason,
                 QStringLiteral("出力エラー"));
    return false;
}

void TCDInfoForm::LrcTrackSaveItemClick()
{
    UpdateLrcItems();
    if (!LrcTrackSaveItem->isEnabled()) return;
    const int track = selectedTrack();
    QString path;
    {
        const WindowStack::Hold hold(windows);
        path = ChooseLrcFile(this, QDir(lrcFolder).filePath(LrcFileName(track, words.GetSongTitle(track))));
    }
    if (path.isEmpty()) return;
    lrcFolder = QFileInfo(path).absolutePath();
    writeLrc(path, track);
}

void TCDInfoForm::LrcDiscSaveItemClick()
{
    const std::vector<int> tracks = LrcTracks(words);
    if (tracks.empty()) return;
    QString folder;
    {
        const WindowStack::Hold hold(windows);
        folder = ChooseLrcFolder(this, lrcFolder);
    }
    if (folder.isEmpty()) return;
    lrcFolder = folder;
    QStringList paths;
    int existing = 0;
    for (int t : tracks) {
        paths << QDir(folder).filePath(LrcFileName(t, words.GetSongTitle(t)));
        if (QFileInfo::exists(paths.back())) ++existing;
    }
    if (existing > 0 &&
        QuestionMessage(QStringLiteral("出力先に同じ名前のファイルが %1 個あります。上書きしますか?").arg(existing),
                        QStringLiteral("LRC出力")) != IdYes)
        return;
    for (size_t i = 0; i < tracks.size(); ++i)
        if (!writeLrc(paths[static_cast<qsizetype>(i)], tracks[i])) return;
}
