// Data entry's drafts: what the user changed and has not saved, kept in a file of its
// own per disc (or, when none can be written, in memory) and offered at the next opening;
// and what becomes of the edits when the disc goes or the program ends.
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>

#include "InputData.h"
#include "core/common/Error.h"
#include "core/common/Etc.h"
#include "core/discdata/Words.h"
#include "core/entry/DataEntry.h"
#include "core/playback/PlaybackController.h"

// ---------------------------------------------------------------- the disc going, the end

void TInputDataForm::CancelNow()
{
    // The disc went or the program ends: the edits stay in the draft, offered at the
    // next opening; one that cannot be written is held in memory for the disc's return.
    const bool discWent = NoDiscMode(player.DeviceModeNow);
    const bool unsaved = HasUnsavedChanges();
    const bool kept = WriteDraftNow();
    if (!kept) heldDrafts[words.DiscId] = CollectDraft(words, shownTexts, dialogTexts(), &openedWith);
    cancelDialog();
    if (!discWent || !unsaved) return;
    if (kept)
        tellLater(
            QStringLiteral("ディスクが取り出されたため、データ入力を閉じました。保存されていない編集は下書きとして"
                           "残したので、次にこのディスクでデータ入力を開いたときに復元できます。"));
    else
        tellLater(QStringLiteral("ディスクが取り出されたため、データ入力を閉じました。保存されていない編集は下書きに"
                                 "保存できなかったため (") +
                  DraftTrouble +
                  QStringLiteral(")、プログラムを終了するまで覚えておき、次にこのディスクでデータ入力を開いたときに"
                                 "復元できます。"));
}

void TInputDataForm::tellLater(const QString& text)
{
    QTimer::singleShot(0, this, [text] {
        CurrentMessagePresenter()->Show(text, QStringLiteral("データ入力"), MbTaskModal | MbIconWarning | MbOk);
    });
}

bool TInputDataForm::MayEnd()
{
    // Drafts held since their disc went are written now if they can be.
    for (auto it = heldDrafts.begin(); it != heldDrafts.end();) {
        QString reason;
        if (!DraftFolder.isEmpty() && WriteDraft(DraftPath(DraftFolder, it->first), it->second, &reason)) {
            it = heldDrafts.erase(it);
        } else {
            if (!reason.isEmpty()) DraftTrouble = reason;
            ++it;
        }
    }
    const bool open = isVisible() && !WriteDraftNow();
    if (heldDrafts.empty() && !open) return true;
    return CurrentMessagePresenter()->ShowWithReason(
               QStringLiteral("データ入力の編集に、歌詞ファイルにも下書きにも保存できていないものがあります。"
                              "終了すると失われます。終了しますか?"),
               DraftTrouble, QStringLiteral("Mirelune"), MbTaskModal | MbIconWarning | MbYesNo | MbDefButton2) == IdYes;
}

// ---------------------------------------------------------------- drafts

void TInputDataForm::noteEdit()
{
    if (DraftFolder.isEmpty() || !isVisible() || DraftTimer.isActive()) return;
    DraftTimer.start();
}

QString TInputDataForm::draftPath() const { return DraftPath(DraftFolder, words.DiscId); }

DialogTexts TInputDataForm::dialogTexts() const
{
    DialogTexts t;
    t.Title = TitleName->text();
    t.Artist = ArtistName->text();
    for (int i = 0; i < MTitleList->count(); ++i)
        t.SongTitles[TrackOfIndex(i)] = i == titleRow ? MTitleName->text() : MTitleList->item(i)->text().mid(4);
    t.ShownTrack = wordsTrack;
    if (WordsEdit->document()->isModified()) {
        t.MemoTrack = wordsTrack;
        t.Memo = MemoLines(WordsEdit->toPlainText());
    }
    return t;
}

bool TInputDataForm::WriteDraftNow()
{
    DraftTimer.stop();
    // A dialog never opened holds nothing typed.
    if (!Built() || !words.HasFile() || words.DiscId.isEmpty()) return true;
    const EntryDraft draft = CollectDraft(words, shownTexts, dialogTexts(), &openedWith);
    if (draft.Empty()) {
        removeDraft();
        return true;
    }
    if (DraftFolder.isEmpty()) {
        DraftTrouble = QStringLiteral("下書きを置くフォルダーがありません。");
        return false;
    }
    if (WriteDraft(draftPath(), draft, &DraftTrouble)) {
        heldDrafts.erase(words.DiscId);
        return true;
    }
    // Said once here, and not in a box: the user is typing, and OK still saves. Whatever
    // would rely on the draft asks first.
    if (!toldDraftUnwritable) {
        toldDraftUnwritable = true;
        std::fprintf(stderr, "mirelune: the draft %s cannot be written: %s\n", qPrintable(draftPath()),
                     qPrintable(DraftTrouble));
    }
    return false;
}

void TInputDataForm::removeDraft()
{
    DraftTimer.stop();
    if (words.DiscId.isEmpty()) return;
    heldDrafts.erase(words.DiscId);
    if (!DraftFolder.isEmpty() && QFileInfo::exists(draftPath())) QFile::remove(draftPath());
}

void TInputDataForm::offerDraft()
{
    if (words.DiscId.isEmpty()) return;
    const QString path = DraftFolder.isEmpty() ? QString() : draftPath();
    EntryDraft draft;
    // One held in memory is newer than any file of it.
    const auto held = heldDrafts.find(words.DiscId);
    const DraftState state = held != heldDrafts.end() ? (draft = held->second, DraftState::Read)
                             : path.isEmpty()         ? DraftState::None
                                                      : ReadDraft(path, words.DiscId, &draft);
    switch (state) {
    case DraftState::None: return;
    case DraftState::Damaged:
        // Left as it is (the next change writes a new one), and told once.
        if (!toldDamagedDrafts.contains(path)) {
            toldDamagedDrafts.insert(path);
            ErrorMessage(QStringLiteral("保存されていない編集の下書き '") + path +
                             QStringLiteral("' が壊れているため、使えません。"),
                         QStringLiteral("データ入力"));
        }
        return;
    case DraftState::Read: break;
    }
    // Edits that reached the file after all (another OK) are no draft; while the disc
    // data holds unsaved edits of its own, the draft is offered as it is.
    if (draft.Empty() || (!words.HasUnsavedEdits() && !DraftChangesAnything(words, draft, shownTexts))) {
        removeDraft();
        return;
    }
    // Yes is the default: a box that cannot be shown keeps the edits.
    if (CurrentMessagePresenter()->Show(QStringLiteral("保存されていない編集があります。復元しますか?"),
                                        QStringLiteral("データ入力"), MbTaskModal | MbIconQuestion | MbYesNo) == IdNo) {
        removeDraft();
        return;
    }
    restoreDraft(draft);
    heldDrafts.erase(words.DiscId); // the dialog holds them now
}

void TInputDataForm::restoreDraft(const EntryDraft& draft)
{
    ApplyDraft(words, draft);
    const auto onDisc = [this](int track) { return track >= words.FirstAudioTrack && track <= words.SongCount; };
    filling = true;
    if (draft.Title) TitleName->setText(*draft.Title);
    if (draft.Artist) ArtistName->setText(*draft.Artist);
    for (const auto& [t, track] : draft.Tracks)
        if (track.Title && onDisc(t)) MTitleList->item(IndexOfTrack(t))->setText(FormatNumbered(t, *track.Title));
    filling = false;
    RefreshTrackBoxes();
    MTitleListClick();
    // The lyrics and timing pages on the track they showed (the memo's, when it held text).
    const bool memo = draft.Memo && onDisc(draft.MemoTrack) && words.GetCopyTrack(draft.MemoTrack) <= 0;
    int track = memo ? draft.MemoTrack : draft.ShownTrack;
    if (!onDisc(track)) track = wordsTrack;
    filling = true;
    MTitleBoxW->setCurrentIndex(IndexOfTrack(track));
    MTitleBoxT->setCurrentIndex(IndexOfTrack(track));
    filling = false;
    SetWordsEdit(track);
    SetTimingList(track);
    if (memo) {
        filling = true;
        WordsEdit->setPlainText(MemoText(*draft.Memo));
        filling = false;
        WordsEdit->document()->setModified(true);
    }
}
