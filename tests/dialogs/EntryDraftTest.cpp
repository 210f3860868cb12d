// Drafts of data entry without the dialog: what counts as an unsaved edit, the file
// written and read back, what makes a draft damaged, and a draft laid over the disc.
#include "discdata/DiscFixture.h"

#include "core/common/TextCodec.h"
#include "core/entry/EntryDraft.h"

namespace {

class Draft : public DiscFixture {
protected:
    void SetUp() override
    {
        Insert(SimDisc::Audio({60, 60, 60, 60}));
        RegisterFile(QStringLiteral("disc"), "[Info]\r\nTitle=Disc\r\nArtist=Band\r\n\r\n"
                                             "[Title]\r\n01=One\r\n02=Two\r\n03=Three\r\n04=Four\r\n\r\n"
                                             "[Words01]\r\nAdjust=0\r\n001=100,200,a\r\n002=300,400,b\r\n\r\n"
                                             "[Words02]\r\nAdjust=0\r\n001=100,200,c\r\n\r\n");
        Reinsert();
        ASSERT_TRUE(words.HasFile());
        shown.Title = QStringLiteral("Disc");
        shown.Artist = QStringLiteral("Band");
        shown.SongTitles = {{1, QStringLiteral("One")},
                            {2, QStringLiteral("Two")},
                            {3, QStringLiteral("Three")},
                            {4, QStringLiteral("Four")}};
    }
    QString Path() const { return DraftPath(dir.filePath(QStringLiteral("drafts")), words.DiscId); }

    DialogTexts shown; // as the dialog showed the disc
};

} // namespace

TEST_F(Draft, OnlyEditsCountAndTheyComeBackWhole)
{
    // Opened and left alone, a dialog has nothing to keep, even when it offers titles the
    // disc carries that differ from the file's.
    DialogTexts now = shown;
    EXPECT_TRUE(CollectDraft(words, shown, now).Empty());
    DialogTexts offered = shown;
    offered.SongTitles[4] = QStringLiteral("from CD-Text");
    EXPECT_TRUE(CollectDraft(words, offered, offered).Empty());

    // Edits of every kind: texts typed, a stamp with word times, an adjust value, a link,
    // lines removed,
    // and memo text not yet stored (more lines than a track holds, blanks leading a line,
    // an end mark, commas, text only UTF-8 holds).
    now.Artist = QStringLiteral("  バンド, 😀");
    now.SongTitles[3] = QStringLiteral("Drei");
    const std::vector<WordMark> split{{310, 0}, {350, 3}, {390, 10}};
    words.SetLine(1, 2, {QStringLiteral("b, with a comma"), 310, 420, split});
    words.SetAdjust(1, -35);
    words.SetCopyTrack(4, 2);
    words.ResolveCopies();
    words.SetLineCount(2, 0);
    QStringList memo;
    for (int k = 1; k <= 130; ++k) memo << QStringLiteral("  行 %1").arg(k);
    memo[5] = QStringLiteral("***");
    now.ShownTrack = 3;
    now.MemoTrack = 3;
    now.Memo = memo;
    const EntryDraft draft = CollectDraft(words, shown, now);
    ASSERT_FALSE(draft.Empty());
    EXPECT_FALSE(draft.Title);
    ASSERT_TRUE(draft.Artist);
    EXPECT_EQ(std::vector<int>({1, 2, 3, 4}), [&] {
        std::vector<int> tracks;
        for (const auto& entry : draft.Tracks) tracks.push_back(entry.first);
        return tracks;
    }());
    EXPECT_FALSE(draft.Tracks.at(4).Lines); // a borrowing track's lines are its source's

    ASSERT_TRUE(WriteDraft(Path(), draft));
    EntryDraft read;
    ASSERT_EQ(ReadDraft(Path(), words.DiscId, &read), DraftState::Read);
    EXPECT_EQ(read.Artist,
              QStringLiteral("  バンド, 😀").trimmed()); // blanks at a value's ends go, as in every INI file
    EXPECT_EQ(read.Tracks.at(3).Title, QStringLiteral("Drei"));
    ASSERT_TRUE(read.Tracks.at(1).Lines);
    ASSERT_EQ(read.Tracks.at(1).Lines->size(), 2u);
    EXPECT_EQ(read.Tracks.at(1).Lines->at(1).Text, QStringLiteral("b, with a comma"));
    EXPECT_EQ(read.Tracks.at(1).Lines->at(1).EndTime, 420);
    EXPECT_EQ(read.Tracks.at(1).Lines->at(1).Words, split);
    EXPECT_TRUE(read.Tracks.at(1).Lines->at(0).Words.empty());
    EXPECT_EQ(read.Tracks.at(1).Adjust, int16_t(-35));
    ASSERT_TRUE(read.Tracks.at(2).Lines);
    EXPECT_TRUE(read.Tracks.at(2).Lines->empty());
    EXPECT_EQ(read.Tracks.at(4).CopyTrack, 2);
    EXPECT_EQ(read.ShownTrack, 3);
    EXPECT_EQ(read.MemoTrack, 3);
    EXPECT_EQ(read.Memo, memo);

    // Laid over the disc as the file has it again: the same lines, adjust and link.
    Reinsert();
    ApplyDraft(words, read);
    EXPECT_EQ(words.GetLine(1, 2).StartTime, 310);
    EXPECT_EQ(words.GetLine(1, 2).Words, split);
    EXPECT_EQ(words.GetLine(1, 1).Text, QStringLiteral("a"));
    EXPECT_EQ(words.GetAdjust(1), -35);
    EXPECT_EQ(words.GetLineCount(2), 0);
    EXPECT_EQ(words.GetCopyTrack(4), 2);
    EXPECT_EQ(words.GetLineCount(4), 0); // borrowed from track 2, which has none now
    EXPECT_TRUE(words.Changes(1) & TWords::ChangedLines);
    EXPECT_EQ(words.Changes(3), 0);
}

TEST_F(Draft, ADamagedDraftIsToldApartAndUsedForNothing)
{
    EntryDraft draft;
    EXPECT_EQ(ReadDraft(Path(), words.DiscId, &draft), DraftState::None);
    const auto damaged = [&](const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(Path()).absolutePath());
        WriteBytes(Path(), bytes);
        EntryDraft d;
        d.Artist = QStringLiteral("untouched");
        const DraftState state = ReadDraft(Path(), words.DiscId, &d);
        if (state == DraftState::Damaged) EXPECT_EQ(d.Artist, QStringLiteral("untouched"));
        return state == DraftState::Damaged;
    };
    const QByteArray head = "[Draft]\r\nDiscId=" + words.DiscId.toLatin1() + "\r\nTrack=1\r\n";
    EXPECT_FALSE(damaged(head + "[Words01]\r\nCount=1\r\n001=1,2,x\r\n"));
    EXPECT_FALSE(damaged(head + "[Words01]\r\nCount=1\r\n001=1,3,xy\r\n[WordTimes01]\r\n001=1+1,2+1\r\n"));
    EXPECT_TRUE(damaged(head + "[Words01]\r\nCount=1\r\n001=1,3,xy\r\n[WordTimes01]\r\n001=1+1,2+2\r\n"));
    EXPECT_TRUE(damaged("[Draft]\r\nDiscId=0000ABCD\r\n"));                       // another disc's
    EXPECT_TRUE(damaged("\x89\xcc\x80\x81 garbage\r\n"));                         // no draft at all
    EXPECT_TRUE(damaged(head + "[Words01]\r\nCount=2\r\n001=1,2,x\r\n"));         // a line missing
    EXPECT_TRUE(damaged(head + "[Words01]\r\nCount=1\r\n001=1,x,y\r\n"));         // a time that is no number
    EXPECT_TRUE(damaged(head + "[Words01]\r\nAdjust=40000\r\n"));                 // out of its range
    EXPECT_TRUE(damaged(head + "[WordsXY]\r\nAdjust=1\r\n"));                     // no track
    EXPECT_TRUE(damaged(head + "[Memo]\r\nTrack=1\r\nCount=1\r\n"));              // memo line missing
    EXPECT_TRUE(damaged("\xEF\xBB\xBF" + head + "[Info]\r\nTitle=\xC3\x28\r\n")); // bytes that are no text
    EXPECT_TRUE(damaged(head + "[Title]\r\n100=x\r\n"));                          // a track no disc has
}
