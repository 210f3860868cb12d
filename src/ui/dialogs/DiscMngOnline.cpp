// The disc manager's offer of titles for a disc that is not registered yet: looked up on
// the internet when the user asks, shown on the registration page, and written into the
// new data file only when the user registers the disc.
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "DiscMng.h"
#include "ReleaseChoice.h"
#include "core/common/Error.h"
#include "core/discdata/DataFileName.h"
#include "core/discdata/DiscRegistry.h"
#include "core/discdata/Words.h"
#include "core/online/MusicBrainzId.h"
#include "core/online/OnlineFill.h"
#include "core/online/OnlineLookup.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniFile.h"

namespace {
const QString kCaption = QStringLiteral("タイトルの検索");
}

void TDiscMngForm::SetOnline(WebFetcher* fetcher, CdDevice* drive)
{
    web = fetcher;
    device = drive;
    if (!ChooseRelease)
        ChooseRelease = [this](const std::vector<TitlesRelease>& r) { return ChooseReleaseFromList(this, r); };
    if (LookUpTitlesBtn) updateOnlineControls();
}

void TDiscMngForm::updateOnlineControls()
{
    ++lookupRound;
    lookingUp = false;
    offered.reset();
    FoundTitlesLabel->clear();
    // Only for a disc that can be registered, and not at all with look-ups turned off.
    const bool offer = web && device && settings.OnlineLookUps && mode == Register && WordsFileNameEdit->isEnabled();
    LookUpTitlesBtn->setVisible(offer);
    LookUpTitlesBtn->setEnabled(true);
    FoundTitlesLabel->setVisible(offer);
}

void TDiscMngForm::LookUpTitlesBtnClick()
{
    if (!web || !device || !settings.OnlineLookUps || lookingUp || mode != Register) return;
    const QString id = MusicBrainzDiscId(MusicBrainzTocOf(*device));
    if (id.isEmpty()) {
        CurrentMessagePresenter()->Show(QStringLiteral("このディスクは検索できません。"), kCaption,
                                        MbTaskModal | MbOk | MbIconWarning);
        return;
    }
    lookingUp = true;
    LookUpTitlesBtn->setEnabled(false);
    FoundTitlesLabel->setText(QStringLiteral("検索しています..."));
    const int round = lookupRound;
    QPointer<TDiscMngForm> self(this);
    LookUpTitles(*web, settings.TitlesServer, id, AudioTrackCount(words), [self, round](const TitlesResult& r) {
        if (!self || self->lookupRound != round || !self->isVisible()) return;
        self->lookingUp = false;
        self->LookUpTitlesBtn->setEnabled(true);
        self->FoundTitlesLabel->clear();
        const QString trouble = LookupTrouble(r.Status, r.Detail,
                                              QStringLiteral("このディスクのタイトルは見つかりませんでした。"));
        if (!trouble.isEmpty()) {
            CurrentMessagePresenter()->Show(
                trouble, kCaption, MbTaskModal | MbOk | (r.Status == LookupStatus::NotFound ? 0 : MbIconWarning));
            return;
        }
        const int chosen = r.Releases.size() == 1 ? 0 : self->ChooseRelease(r.Releases);
        if (chosen < 0 || chosen >= static_cast<int>(r.Releases.size()) || self->lookupRound != round) return;
        const TitlesRelease& release = r.Releases[chosen];
        self->offered = release;
        self->FoundTitlesLabel->setText(
            QStringLiteral("見つかったタイトル: %1 / %2 (%3 曲)\n登録すると、このディスクのタイトル・アーティスト・"
                           "曲タイトルが歌詞ファイルに入ります。")
                .arg(release.Title, release.Artist)
                .arg(release.TrackTitles.size()));
        // The disc's title is offered as the file's name, when it makes one.
        if (self->WordsFileNameEdit->text().isEmpty()) {
            QString name = release.Title;
            name.replace(QLatin1Char('/'), QLatin1Char('_'));
            if (IsValidDataFileName(name) && !QFileInfo::exists(DataFilePath(self->settings, name)))
                self->WordsFileNameEdit->setText(name);
        }
    });
}

void TDiscMngForm::takeOfferedTitles()
{
    if (!offered) return;
    ++lookupRound; // an answer still coming is for the disc as it was
    FillTitles(words, *offered, true);
    offered.reset();
    LookUpTitlesBtn->setVisible(false);
    // A failed save has told the user already; the titles stay in memory for data entry.
    if (words.Save(dpLyrics))
        FoundTitlesLabel->setText(QStringLiteral("見つかったタイトルを歌詞ファイルに入れました。"));
    host.TrackListChanged();
}
