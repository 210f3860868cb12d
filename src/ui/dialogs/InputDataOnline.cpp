// Data entry's look-ups on the internet: the disc's titles (title page) and the synced
// lyrics of a track or of every track without lyrics (lyrics page). Nothing is sent until
// a button is pressed; what is found goes into the dialog as if typed or read from a file,
// and only OK saves it.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "InputData.h"
#include "ReleaseChoice.h"
#include "core/common/Error.h"
#include "core/common/Etc.h"
#include "core/discdata/Words.h"
#include "core/online/MusicBrainzId.h"
#include "core/online/OnlineFill.h"
#include "core/online/OnlineLookup.h"
#include "core/settings/IniFile.h"

namespace {

const QString kTitlesCaption = QStringLiteral("タイトルの検索");
const QString kWordsCaption = QStringLiteral("歌詞の検索");

void Tell(const QString& text, const QString& caption, bool warning)
{
    CurrentMessagePresenter()->Show(text, caption, MbTaskModal | MbOk | (warning ? MbIconWarning : 0));
}

} // namespace

void TInputDataForm::SetOnline(WebFetcher* fetcher, const Settings* settings)
{
    web = fetcher;
    onlineSettings = settings;
    if (!ChooseRelease)
        ChooseRelease = [this](const std::vector<TitlesRelease>& r) { return ChooseReleaseFromList(this, r); };
    if (LookUpTitlesBtn) updateOnlineButtons();
}

void TInputDataForm::updateOnlineButtons()
{
    ++lookupRound;
    lookingUp = lookingUpWords = false;
    // Turned off in the settings, the look-ups are not offered at all.
    const bool offered = web && onlineSettings && onlineSettings->OnlineLookUps;
    for (QPushButton* b : {LookUpTitlesBtn, LookUpWordsBtn, LookUpAllWordsBtn}) {
        b->setVisible(offered);
        b->setEnabled(true);
    }
}

QString TInputDataForm::shownSongTitle(int track) const
{
    const QListWidgetItem* item = MTitleList->item(IndexOfTrack(track));
    return item ? item->text().mid(4) : QString();
}

void TInputDataForm::LookUpTitlesBtnClick()
{
    if (!web || !onlineSettings || !onlineSettings->OnlineLookUps || lookingUp) return;
    const QString id = MusicBrainzDiscId(MusicBrainzTocOf(device));
    if (id.isEmpty()) return Tell(QStringLiteral("このディスクは検索できません。"), kTitlesCaption, true);
    lookingUp = true;
    LookUpTitlesBtn->setEnabled(false);
    const int round = lookupRound;
    QPointer<TInputDataForm> self(this);
    LookUpTitles(*web, onlineSettings->TitlesServer, id, MTitleList->count(), [self, round](const TitlesResult& r) {
        if (!self || self->lookupRound != round || !self->isVisible()) return;
        self->lookingUp = false;
        self->LookUpTitlesBtn->setEnabled(true);
        const QString trouble = LookupTrouble(r.Status, r.Detail,
                                              QStringLiteral("このディスクのタイトルは見つかりませんでした。"));
        if (!trouble.isEmpty()) return Tell(trouble, kTitlesCaption, r.Status != LookupStatus::NotFound);
        const int chosen = r.Releases.size() == 1 ? 0 : self->ChooseRelease(r.Releases);
        if (chosen < 0 || chosen >= static_cast<int>(r.Releases.size()) || self->lookupRound != round) return;
        self->applyRelease(r.Releases[chosen]);
    });
}

void TInputDataForm::applyRelease(const TitlesRelease& release)
{
    MTitleNameExit(); // a title being typed is in the list first
    const int count = std::min<int>(MTitleList->count(), release.TrackTitles.size());
    auto differs = [](const QString& shown, const QString& found) { return !shown.isEmpty() && shown != found; };
    bool typedOver = differs(TitleName->text(), release.Title) || differs(ArtistName->text(), release.Artist);
    for (int i = 0; i < count && !typedOver; ++i)
        typedOver = differs(MTitleList->item(i)->text().mid(4), release.TrackTitles[i]);
    const bool replace = !typedOver ||
                         QuestionMessage(QStringLiteral("入力済みのタイトルを、見つかったタイトルで置き換えますか?\n"
                                                        "「いいえ」では空欄だけを埋めます。"),
                                         kTitlesCaption) == IdYes;
    auto take = [replace](const QString& shown, const QString& found) {
        return !found.isEmpty() && (replace || shown.isEmpty());
    };
    filling = true;
    if (take(TitleName->text(), release.Title)) TitleName->setText(release.Title);
    if (take(ArtistName->text(), release.Artist)) ArtistName->setText(release.Artist);
    for (int i = 0; i < count; ++i) {
        QListWidgetItem* item = MTitleList->item(i);
        if (take(item->text().mid(4), release.TrackTitles[i]))
            item->setText(FormatNumbered(TrackOfIndex(i), release.TrackTitles[i]));
    }
    filling = false;
    RefreshTrackBoxes();
    MTitleListClick();
    noteEdit();
}

void TInputDataForm::LookUpWordsBtnClick()
{
    if (!web || !onlineSettings || !onlineSettings->OnlineLookUps || lookingUp) return;
    if (WordsEdit->document()->isModified() && !WordsEditExit()) return;
    const int track = wordsTrack;
    if (TrackHasLyrics(words, track) &&
        QuestionMessage(QStringLiteral("このトラックには歌詞があります。検索して、見つかった歌詞で置き換えますか?"),
                        kWordsCaption) != IdYes)
        return;
    lookUpWords({track}, true);
}

void TInputDataForm::LookUpAllWordsBtnClick()
{
    if (!web || !onlineSettings || !onlineSettings->OnlineLookUps || lookingUp) return;
    if (WordsEdit->document()->isModified() && !WordsEditExit()) return;
    std::vector<int> tracks;
    for (int t = words.FirstAudioTrack; t >= 1 && t <= words.SongCount; ++t)
        if (!TrackHasLyrics(words, t)) tracks.push_back(t);
    if (tracks.empty()) return Tell(QStringLiteral("歌詞のないトラックはありません。"), kWordsCaption, false);
    lookUpWords(tracks, false);
}

void TInputDataForm::lookUpWords(std::vector<int> tracks, bool one)
{
    // What happened to each track, told at the end.
    struct Run {
        std::vector<int> tracks;
        size_t at = 0;
        QStringList filled, instrumental, missing, untitled;
        QString stopped; // why the rest was not asked
    };
    auto run = std::make_shared<Run>();
    run->tracks = std::move(tracks);
    lookingUp = lookingUpWords = true;
    for (QPushButton* b : {LookUpWordsBtn, LookUpAllWordsBtn}) b->setEnabled(false);
    SetWordsEdit(wordsTrack); // the memo waits for the answer
    const int round = lookupRound;
    QPointer<TInputDataForm> self(this);
    auto finish = [self, run, one] {
        self->lookingUp = self->lookingUpWords = false;
        for (QPushButton* b : {self->LookUpWordsBtn, self->LookUpAllWordsBtn}) b->setEnabled(true);
        self->words.ResolveCopies();
        self->SetWordsEdit(self->wordsTrack);
        self->SetTimingList(self->wordsTrack);
        if (one && run->stopped.isEmpty() && !run->filled.isEmpty()) return;
        QStringList lines;
        if (!run->stopped.isEmpty()) lines << run->stopped;
        auto add = [&lines](const QString& what, const QStringList& list) {
            if (!list.isEmpty()) lines << what + list.join(QStringLiteral(", "));
        };
        add(QStringLiteral("歌詞を入れたトラック: "), run->filled);
        add(QStringLiteral("インストゥルメンタルのトラック: "), run->instrumental);
        add(QStringLiteral("見つからなかったトラック: "), run->missing);
        add(QStringLiteral("曲タイトルがなく検索できなかったトラック: "), run->untitled);
        Tell(lines.join(QLatin1Char('\n')), kWordsCaption, !run->stopped.isEmpty());
    };
    // One track after the other, each asked when the one before is answered. The request
    // in flight holds the step; the step holds itself only weakly.
    auto next = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> weakNext = next;
    *next = [self, run, round, finish, weakNext] {
        const std::shared_ptr<std::function<void()>> step = weakNext.lock();
        if (!step || !self || self->lookupRound != round || !self->isVisible()) return;
        while (run->at < run->tracks.size() && self->shownSongTitle(run->tracks[run->at]).isEmpty())
            run->untitled << FormatZeroPad(run->tracks[run->at++], 2);
        if (run->at == run->tracks.size()) return finish();
        const int track = run->tracks[run->at];
        LyricsQuery query = LyricsQueryFor(self->words, track);
        // The titles as the dialog shows them: they reach the disc data only on OK.
        query.Track = self->shownSongTitle(track);
        query.Artist = self->ArtistName->text();
        query.Album = self->TitleName->text();
        LookUpLyrics(*self->web, self->onlineSettings->LyricsServer, query,
                     [self, run, round, finish, step, track](const LyricsResult& r) {
                         if (!self || self->lookupRound != round || !self->isVisible()) return;
                         const QString number = FormatZeroPad(track, 2);
                         // Lines do not change under a capture or a test started meanwhile.
                         if (self->Capturing() || self->Testing()) {
                             run->stopped = QStringLiteral("タイミングの記録中のため、検索を中止しました。");
                             return finish();
                         }
                         if (r.Status == LookupStatus::Busy || r.Status == LookupStatus::Failed) {
                             run->stopped = LookupTrouble(r.Status, r.Detail, QString());
                             return finish();
                         }
                         if (r.Status == LookupStatus::NotFound)
                             run->missing << number;
                         else if (FillLyrics(self->words, track, r.Record) > 0)
                             run->filled << number;
                         else
                             (r.Record.Instrumental ? run->instrumental : run->missing) << number;
                         ++run->at;
                         (*step)();
                     });
    };
    (*next)();
}
