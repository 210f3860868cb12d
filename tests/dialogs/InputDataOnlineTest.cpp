// Data entry's look-ups offscreen, over a fetcher that answers from a table a moment later
// (as the network does): what the buttons put into the dialog, that nothing reaches the
// data file before OK, and what is said when nothing or a busy service answers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <map>

#include "core/common/TextCodec.h"
#include "core/discdata/Words.h"
#include "core/online/MusicBrainzId.h"
#include "core/online/OnlineLookup.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniFile.h"
#include "online/OnlineTestData.h"
#include "support/ManualClock.h"
#include "support/PlayerTime.h"
#include "support/RecordingPresenter.h"
#include "support/SimDevice.h"
#include "ui/app/Application.h"
#include "ui/dialogs/InputData.h"
#include "ui/main/Main.h"

namespace {

// Three tracks of 20, 24 and 22 s.
const SimDisc kDisc = SimDisc::Audio({20, 24, 22});

class LaterFetcher : public WebFetcher {
public:
    std::map<QString, WebAnswer> answers; // by path, or path?track_name for lyrics
    QStringList asked;
    void Get(const QUrl& url, int, std::function<void(const WebAnswer&)> done) override
    {
        asked << QUrl::fromPercentEncoding(url.toEncoded());
        const QString track = QUrlQuery(url).queryItemValue(QStringLiteral("track_name"), QUrl::FullyDecoded);
        auto it = answers.find(url.path() + (track.isEmpty() ? QString() : QLatin1Char('?') + track));
        if (it == answers.end()) it = answers.find(url.path());
        WebAnswer answer;
        if (it != answers.end())
            answer = it->second;
        else
            answer.Status = 404;
        QTimer::singleShot(5, [done, answer] { done(answer); });
    }
};

WebAnswer Ok(const QByteArray& body) { return WebAnswer{200, body, {}, false}; }

class InputDataOnline : public ::testing::Test {
protected:
    InputDataOnline() : device(clock), dialog(device, clock, words, player, form, form.Windows)
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
        settings.TitlesServer = QStringLiteral("http://titles.test");
        settings.LyricsServer = QStringLiteral("http://lyrics.test");
        app.playLog.path = dir.filePath(QStringLiteral("Mirelune.log"));
        player.SeekPause = [this] { clock.Advance(10); };
        app.AttachInputData(dialog);
        dialog.SetOnline(&web, &settings);
        dialog.ChooseRelease = [this](const std::vector<TitlesRelease>& releases) {
            offered = releases;
            return choice;
        };
    }

    // The disc registered with track 1's lyrics typed, the dialog open.
    void Open()
    {
        device.InsertDisc(kDisc);
        ASSERT_TRUE(player.OpenDevice(QString()));
        player.StartTimer();
        player.TimerProc();
        time.RunFor(1500);
        ASSERT_FALSE(words.Register(QStringLiteral("disc")));
        path = words.FileName;
        words.SetLine(1, 1, TWordsLine{QStringLiteral("typed line"), 100, 200});
        words.SetLineCount(1, 1);
        ASSERT_TRUE(words.Save(dpLyrics));
        saved = File();
        dialog.InitialTrack = 1;
        player.InDataEntry = true;
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        discId = MusicBrainzDiscId(MusicBrainzTocOf(device));
    }
    QByteArray File() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool Wait()
    {
        return QTest::qWaitFor([this] { return !dialog.LookingUp(); }, 5000);
    }
    QString Item(int row) const { return dialog.MTitleList->item(row)->text(); }

    QTemporaryDir dir;
    ManualClock clock;
    SimDevice device;
    Settings settings;
    RecordingPresenter presenter;
    Application app{device, clock, settings};
    TWords& words = app.words;
    TMainForm& form = app.Form();
    PlaybackController& player = app.controller;
    TInputDataForm dialog;
    PlayerTime time{player, clock};
    LaterFetcher web;
    std::vector<TitlesRelease> offered;
    int choice = 1;
    QString path, discId;
    QByteArray saved;
};

TEST_F(InputDataOnline, TitlesFoundAreShownForReviewAndOnlyOkSavesThem)
{
    Open();
    ASSERT_TRUE(dialog.LookUpTitlesBtn->isVisible());
    web.answers[QStringLiteral("/ws/2/discid/") + discId] = Ok(TitlesJson(discId));
    dialog.MTitleName->setText(QStringLiteral("typed title"));
    dialog.MTitleNameExit();
    presenter.answers = {IdNo}; // keep what was typed, fill the empty fields
    QTest::mouseClick(dialog.LookUpTitlesBtn, Qt::LeftButton);
    ASSERT_TRUE(Wait());
    ASSERT_EQ(web.asked.size(), 1);
    // Two releases carry the disc: the user chose the second.
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0].Title, QStringLiteral("夜の歌"));
    EXPECT_EQ(dialog.TitleName->text(), QStringLiteral("disc")); // the name it was registered under
    EXPECT_EQ(dialog.ArtistName->text(), QStringLiteral("Mirelune"));
    EXPECT_EQ(Item(0), QStringLiteral("01: typed title"));
    EXPECT_EQ(Item(1), QStringLiteral("02: 曲 2"));
    EXPECT_EQ(Item(2), QStringLiteral("03: 曲 3"));
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("置き換えますか")));
    EXPECT_EQ(File(), saved);

    // Asked again, replacing: everything is the release's.
    choice = 0;
    presenter.answers = {IdYes};
    dialog.LookUpTitlesBtnClick();
    ASSERT_TRUE(Wait());
    EXPECT_EQ(dialog.TitleName->text(), QStringLiteral("夜の歌"));
    EXPECT_EQ(dialog.ArtistName->text(), QStringLiteral("ミレルーン feat. Guest"));
    EXPECT_EQ(Item(0), QStringLiteral("01: 曲 1"));
    EXPECT_EQ(File(), saved);

    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    const QString text = Cp932::Decode(File());
    EXPECT_TRUE(text.contains(QStringLiteral("Title=夜の歌"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("01=曲 1")));
    EXPECT_TRUE(text.contains(QStringLiteral("03=曲 3")));
}

TEST_F(InputDataOnline, LyricsOfEveryTrackWithoutThemAndCancelKeepsTheFile)
{
    Open();
    for (int row = 0; row < 3; ++row) {
        dialog.MTitleList->setCurrentRow(row);
        dialog.MTitleListClick();
        dialog.MTitleName->setText(QStringLiteral("曲 %1").arg(row + 1));
        dialog.MTitleNameExit();
    }
    dialog.ArtistName->setText(QStringLiteral("ミレルーン"));
    // Track 2 (24 s) through get, track 3 only plain lyrics through search.
    web.answers[QStringLiteral("/api/get?曲 2")] = Ok(
        LyricsRecordJson(QStringLiteral("曲 2"), QStringLiteral("ミレルーン"), 24,
                         QStringLiteral("[00:01.00]二の一\n[00:02.00]二の二\n[00:05.00]\n")));
    web.answers[QStringLiteral("/api/search?曲 3")] = Ok(
        "[" + LyricsRecordJson(QStringLiteral("曲 3"), QStringLiteral("x"), 22, QString(), QStringLiteral("三")) + "]");
    dialog.InputDataPage->setCurrentWidget(dialog.WordsSheet);
    ASSERT_FALSE(dialog.LookUpAllWordsBtn->isHidden());
    QTest::mouseClick(dialog.LookUpAllWordsBtn, Qt::LeftButton);
    ASSERT_TRUE(Wait());
    // Track 1 has lyrics and is not asked; the others are, with the titles typed.
    for (const QString& url : web.asked) EXPECT_FALSE(url.contains(QStringLiteral("曲 1"))) << url.toStdString();
    EXPECT_TRUE(web.asked.value(0).contains(QStringLiteral("track_name=曲 2&artist_name=ミレルーン&album_name=disc")))
        << web.asked.value(0).toStdString();
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("歌詞を入れたトラック: 02, 03")))
        << presenter.shown[0].text.toStdString();
    ASSERT_EQ(words.GetLineCount(2), 2);
    EXPECT_EQ(words.GetLine(2, 2).StartTime, 200);
    EXPECT_EQ(words.GetLine(2, 2).EndTime, 500);
    ASSERT_EQ(words.GetLineCount(3), 1);
    EXPECT_EQ(words.GetLine(3, 1).StartTime, 0);
    EXPECT_EQ(words.GetLineCount(1), 1);
    EXPECT_EQ(File(), saved);

    // This track, found nothing: said so. What the memo shows while the service answers
    // is what it shows after: nothing typed meanwhile is replaced.
    dialog.MTitleBoxW->setCurrentIndex(0);
    presenter.answers = {IdYes}; // replace track 1's typed lyrics
    QTest::mouseClick(dialog.LookUpWordsBtn, Qt::LeftButton);
    QTest::keyClick(dialog.WordsEdit, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(dialog.WordsEdit, Qt::Key_Return);
    QTest::keyClicks(dialog.WordsEdit, QStringLiteral("typed while waiting"));
    const QString memo = dialog.WordsEdit->toPlainText();
    ASSERT_TRUE(Wait());
    EXPECT_TRUE(presenter.shown.last().text.contains(QStringLiteral("見つからなかったトラック: 01")));
    EXPECT_EQ(dialog.WordsEdit->toPlainText(), memo);
    EXPECT_EQ(words.GetLine(1, 1).Text, QStringLiteral("typed line"));
    EXPECT_TRUE(dialog.WordsEdit->isEnabled()); // the answer given, the memo is the user's again

    presenter.answers = {IdYes}; // no draft is kept here: the edits go by the user's word
    QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton);
    EXPECT_EQ(File(), saved);
    EXPECT_EQ(words.GetLineCount(2), 0);
}

TEST_F(InputDataOnline, ABusyServiceIsSaidOnceAndLookUpsTurnedOffAreNotOffered)
{
    Open();
    web.answers[QStringLiteral("/api/get")] = WebAnswer{503, {}, {}, false};
    dialog.InputDataPage->setCurrentWidget(dialog.WordsSheet);
    dialog.MTitleList->setCurrentRow(1);
    dialog.MTitleListClick();
    dialog.MTitleName->setText(QStringLiteral("two"));
    dialog.MTitleNameExit();
    dialog.MTitleList->setCurrentRow(2);
    dialog.MTitleListClick();
    dialog.MTitleName->setText(QStringLiteral("three"));
    dialog.MTitleNameExit();
    dialog.LookUpAllWordsBtnClick();
    ASSERT_TRUE(Wait());
    EXPECT_EQ(web.asked.size(), 1); // the third track is not asked
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("混み合っています")));

    presenter.answers = {IdYes}; // the titles typed go by the user's word
    QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton);
    settings.OnlineLookUps = false;
    dialog.show();
    EXPECT_TRUE(dialog.LookUpTitlesBtn->isHidden());
    EXPECT_TRUE(dialog.LookUpWordsBtn->isHidden());
    EXPECT_TRUE(dialog.LookUpAllWordsBtn->isHidden());
    dialog.LookUpTitlesBtnClick();
    dialog.LookUpAllWordsBtnClick();
    QTest::qWait(50);
    EXPECT_EQ(web.asked.size(), 1);
}

} // namespace
