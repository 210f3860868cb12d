#include <gtest/gtest.h>

#include "core/common/Error.h"
#include "support/RecordingPresenter.h"

TEST(Error, OpenErrorKeepsTheFileNameAsGiven)
{
    RecordingPresenter p;
    p.answers = {IdRetry};
    EXPECT_EQ(OpenErrorMessage(QStringLiteral("C:\\a.ini")), IdRetry);
    ASSERT_EQ(p.shown.size(), 1);
    EXPECT_EQ(p.shown[0].text, QStringLiteral("ファイル 'C:\\a.ini' が開けません。"));
    EXPECT_EQ(p.shown[0].caption, QStringLiteral("読み込みエラー"));
    EXPECT_EQ(p.shown[0].flags, 0x2035u);
    EXPECT_EQ(OpenErrorMessage(QStringLiteral("/x")), IdCancel); // no more answers: Cancel
}

TEST(Error, SaveErrorTreatsAnyOtherAnswerAsCancel)
{
    RecordingPresenter p;
    p.answers = {IdOk};
    EXPECT_EQ(SaveErrorMessage(QStringLiteral("/home/u/歌詞.dat")), IdCancel);
    EXPECT_EQ(p.shown[0].text, QStringLiteral("ファイル '/home/u/歌詞.dat' が保存できません。"));
    EXPECT_EQ(p.shown[0].caption, QStringLiteral("保存エラー"));
    EXPECT_EQ(p.shown[0].flags, 0x2035u);
}

TEST(Error, DuplicateFileNameIsAnErrorBox)
{
    RecordingPresenter p;
    DuplicateFileNameMessage();
    ASSERT_EQ(p.shown.size(), 1);
    EXPECT_EQ(p.shown[0].caption, QStringLiteral("登録エラー"));
    EXPECT_EQ(p.shown[0].text,
              QStringLiteral("同じファイル名の歌詞ファイルがすでに存在しています。別のファイル名を入力してください。"));
    EXPECT_EQ(p.shown[0].flags, 0x2010u);
}

TEST(Error, WithoutAPresenterRetryIsNeverAnswered)
{
    SetMessagePresenter(nullptr);
    EXPECT_EQ(SaveErrorMessage(QStringLiteral("/nowhere")), IdCancel);
}
