// The disc manager's offer of titles for an unregistered disc: asked for by the user,
// shown on the registration page, written only into the data file the registration makes.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/common/TextCodec.h"
#include "core/online/MusicBrainzId.h"
#include "core/online/OnlineLookup.h"
#include "online/OnlineTestData.h"
#include "support/DialogWorld.h"
#include "ui/dialogs/DiscMng.h"

namespace {

class LaterFetcher : public WebFetcher {
public:
    WebAnswer answer{404, {}, {}, false};
    QStringList asked;
    void Get(const QUrl& url, int, std::function<void(const WebAnswer&)> done) override
    {
        asked << url.toString();
        QTimer::singleShot(5, [done, a = answer] { done(a); });
    }
};

class DiscMngOnline : public DialogWorld {
protected:
    DiscMngOnline()
    {
        dialog = new TDiscMngForm(form.Windows, form, player, words, settings, commands);
        dialog->SetOnline(&web, &device);
        dialog->ChooseRelease = [this](const std::vector<TitlesRelease>& r) {
            offered = r.size();
            return 0;
        };
    }
    bool Wait()
    {
        return QTest::qWaitFor([this] { return !dialog->LookingUp(); }, 5000);
    }

    TDiscMngForm* dialog;
    LaterFetcher web;
    size_t offered = 0;
};

TEST_F(DiscMngOnline, TitlesFoundGoIntoTheDataFileOnlyWhenTheDiscIsRegistered)
{
    Start(SimDisc::Audio({20, 24, 22}));
    const QString discId = MusicBrainzDiscId(MusicBrainzTocOf(device));
    web.answer = WebAnswer{200, TitlesJson(discId), {}, false};
    dialog->show();
    ASSERT_FALSE(dialog->LookUpTitlesBtn->isHidden());
    EXPECT_TRUE(web.asked.isEmpty()) << "nothing is sent unless asked";
    dialog->LookUpTitlesBtn->click();
    ASSERT_TRUE(Wait());
    ASSERT_EQ(web.asked.size(), 1);
    EXPECT_TRUE(web.asked[0].contains(discId));
    EXPECT_EQ(offered, 2u);
    EXPECT_TRUE(dialog->FoundTitlesLabel->text().contains(QStringLiteral("夜の歌")))
        << dialog->FoundTitlesLabel->text().toStdString();
    // The disc's title is offered as the file's name; nothing is written yet.
    EXPECT_EQ(dialog->WordsFileNameEdit->text(), QStringLiteral("夜の歌"));
    EXPECT_FALSE(words.HasFile());
    EXPECT_FALSE(QFile::exists(DataPath(QStringLiteral("夜の歌"))));

    dialog->WordsFileNameEdit->setText(QStringLiteral("night"));
    dialog->RegBtn->click();
    ASSERT_TRUE(words.HasFile());
    EXPECT_TRUE(dialog->LookUpTitlesBtn->isHidden());
    QFile f(DataPath(QStringLiteral("night")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = Cp932::Decode(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Title=夜の歌"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Artist=ミレルーン feat. Guest")));
    EXPECT_TRUE(text.contains(QStringLiteral("02=曲 2")));
}

TEST_F(DiscMngOnline, NotFoundIsSaidAndTurnedOffIsNotOffered)
{
    Start(SimDisc::Audio({20, 24, 22}));
    dialog->show();
    dialog->LookUpTitlesBtnClick();
    ASSERT_TRUE(Wait());
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("見つかりませんでした")));
    EXPECT_FALSE(dialog->OfferedTitles().has_value());
    // Registered without titles found: only the name, as always.
    dialog->WordsFileNameEdit->setText(QStringLiteral("plain"));
    dialog->RegBtn->click();
    EXPECT_EQ(words.Title, QStringLiteral("plain"));
    dialog->close();

    settings.OnlineLookUps = false;
    words.ClearFileName();
    dialog->show();
    EXPECT_TRUE(dialog->LookUpTitlesBtn->isHidden());
    dialog->LookUpTitlesBtnClick();
    QTest::qWait(30);
    EXPECT_EQ(web.asked.size(), 1);
}

} // namespace
