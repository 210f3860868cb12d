#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "ui/main/WidgetPresenter.h"

namespace {
// Presses a button of the box once it is up, and notes what the box showed.
struct Answer {
    explicit Answer(QMessageBox::StandardButton b) : button(b) {}
    QMessageBox::StandardButton button;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::WindowModality modality = Qt::NonModal;
    QMessageBox::StandardButtons buttons;
    bool isRetryDefault = false;
    bool isNoDefault = false;
    bool isOkDefault = false;
    bool wraps = false; // the box breaks lines where it likes
    QString shownText;  // the text as the box shows it

    void arm()
    {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            text = box->text();
            icon = box->icon();
            modality = box->windowModality();
            buttons = box->standardButtons();
            isRetryDefault = static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::Retry);
            isNoDefault = static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::No);
            isOkDefault = static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::Ok);
            if (const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
                wraps = label->wordWrap();
                shownText = label->text();
            }
            box->button(button)->click();
        });
    }
};
} // namespace

TEST(WidgetPresenter, RetryCancelBoxesAnswerWithTheButtonPressed)
{
    WidgetPresenter presenter;
    SetMessagePresenter(&presenter);
    Answer retry(QMessageBox::Retry);
    retry.arm();
    EXPECT_EQ(OpenErrorMessage(QStringLiteral("/x/a.ini")), IdRetry);
    EXPECT_EQ(retry.text, QStringLiteral("ファイル '/x/a.ini' が開けません。"));
    EXPECT_EQ(retry.icon, QMessageBox::Warning);
    EXPECT_EQ(retry.modality, Qt::ApplicationModal);
    EXPECT_EQ(retry.buttons, QMessageBox::Retry | QMessageBox::Cancel);
    EXPECT_TRUE(retry.isRetryDefault);

    Answer cancel(QMessageBox::Cancel);
    cancel.arm();
    EXPECT_EQ(SaveErrorMessage(QStringLiteral("/x/a.ini")), IdCancel);
    SetMessagePresenter(nullptr);
}

TEST(WidgetPresenter, ErrorBoxesBreakTheLineAtTheCarriageReturn)
{
    WidgetPresenter presenter;
    SetMessagePresenter(&presenter);
    Answer ok(QMessageBox::Ok);
    ok.arm();
    ErrorMessage(QStringLiteral("一行目\r二行目"), QStringLiteral("Mirelune"));
    EXPECT_EQ(ok.text, QStringLiteral("一行目\n二行目"));
    EXPECT_EQ(ok.icon, QMessageBox::Critical);
    EXPECT_EQ(ok.buttons, QMessageBox::Ok);
    SetMessagePresenter(nullptr);
}

TEST(WidgetPresenter, QuestionsAnswerYesOnlyWhenYesIsPressed)
{
    WidgetPresenter presenter;
    SetMessagePresenter(&presenter);
    Answer yes(QMessageBox::Yes);
    yes.arm();
    EXPECT_EQ(QuestionMessage(QStringLiteral("消しますか?"), QStringLiteral("確認")), IdYes);
    EXPECT_EQ(yes.icon, QMessageBox::Question);
    EXPECT_EQ(yes.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(yes.isNoDefault);
    Answer no(QMessageBox::No);
    no.arm();
    EXPECT_EQ(QuestionMessage(QStringLiteral("消しますか?"), QStringLiteral("確認")), IdNo);
    SetMessagePresenter(nullptr);
    // With no box to show, the question is answered No.
    EXPECT_EQ(QuestionMessage(QStringLiteral("消しますか?"), QStringLiteral("確認")), IdNo);
}

TEST(WidgetPresenter, OkCancelBoxesAnswerCancelUnlessOkIsPressed)
{
    WidgetPresenter presenter;
    SetMessagePresenter(&presenter);
    Answer ok(QMessageBox::Ok);
    ok.arm();
    EXPECT_EQ(presenter.Show(QStringLiteral("選びますか"), QStringLiteral("Mirelune"), MbIconError | MbOkCancel), IdOk);
    EXPECT_EQ(ok.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_TRUE(ok.isOkDefault);
    Answer cancel(QMessageBox::Cancel);
    cancel.arm();
    EXPECT_EQ(presenter.Show(QStringLiteral("選びますか"), QStringLiteral("Mirelune"), MbIconError | MbOkCancel),
              IdCancel);
    SetMessagePresenter(nullptr);
    // With no box to show, the safe side: Cancel.
    EXPECT_EQ(CurrentMessagePresenter()->Show(QStringLiteral("選びますか"), QStringLiteral("Mirelune"), MbOkCancel),
              IdCancel);
}

TEST(WidgetPresenter, ALongJapaneseLineBreaksAfterItsPunctuationNeverInsideAWord)
{
    WidgetPresenter presenter;
    SetMessagePresenter(&presenter);
    const QString question = QStringLiteral(
        "登録ディスク一覧から 'とても長い名前の歌詞ファイル' を削除し、歌詞ファイルも削除します。よろしいですか?");
    Answer no(QMessageBox::No);
    no.arm();
    QuestionMessage(question, QStringLiteral("登録ディスクの削除"));
    EXPECT_FALSE(no.wraps) << no.shownText.toStdString();
    EXPECT_EQ(QString(no.shownText).remove(QLatin1Char('\n')), question);
    const QStringList lines = no.shownText.split(QLatin1Char('\n'));
    EXPECT_GT(lines.size(), 1);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const QString& l) { return l.endsWith(QStringLiteral("よろしいですか?")); }));
    for (const QString& line : lines.mid(0, lines.size() - 1))
        EXPECT_TRUE(line.endsWith(QStringLiteral("。")) || line.endsWith(QStringLiteral("、")) ||
                    line.endsWith(QLatin1Char(' ')))
            << line.toStdString();
    // A short text stays on its line.
    Answer ok(QMessageBox::Ok);
    ok.arm();
    ErrorMessage(QStringLiteral("変更できませんでした。"), QStringLiteral("変更エラー"));
    EXPECT_EQ(ok.shownText, QStringLiteral("変更できませんでした。"));
    SetMessagePresenter(nullptr);
}
