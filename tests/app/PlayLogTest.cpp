#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/app/PlayLog.h"
#include "core/common/TextCodec.h"
#include "support/RecordingPresenter.h"

namespace {
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
// Monday 2026-01-05 09:07:03
const QDateTime kStart(QDate(2026, 1, 5), QTime(9, 7, 3));
const QDateTime kEnd(QDate(2026, 1, 5), QTime(10, 41, 59));

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(LogDateTime, TheDefaultPatterns)
{
    EXPECT_EQ(FormatLogDateTime(QStringLiteral("yyyy.mm.dd(ddd) hh:mm.ss"), kStart, kEnglish),
              QStringLiteral("2026.01.05(Mon) 09:07.03"));
    EXPECT_EQ(FormatLogDateTime(QStringLiteral("mm.dd(ddd) hh:mm.ss"), kEnd, kEnglish),
              QStringLiteral("01.05(Mon) 10:41.59"));
    // The weekday comes from the user's locale.
    EXPECT_EQ(FormatLogDateTime(QStringLiteral("ddd"), kStart, QLocale(QLocale::Japanese)), QStringLiteral("月"));
}

TEST(LogDateTime, MonthOrMinutesByWhatComesBefore)
{
    // m right after an hour (separators between do not count) is minutes.
    EXPECT_EQ(FormatLogDateTime(QStringLiteral("hh mm"), kStart, kEnglish), QStringLiteral("09 07"));
    EXPECT_EQ(FormatLogDateTime(QStringLiteral("mm hh"), kStart, kEnglish), QStringLiteral("01 09"));
    EXPECT_EQ(FormatLogDateTime(QStringLiteral("h:n:s d/m/yy"), kStart, kEnglish), QStringLiteral("9:7:3 5/1/26"));
    EXPECT_EQ(FormatLogDateTime(QStringLiteral("dddd \"hh\" x"), kStart, kEnglish), QStringLiteral("Monday hh x"));
}

TEST(LogDateTime, MonthNamesAndTheLocalesDateForms)
{
    EXPECT_EQ(FormatLogDateTime(QStringLiteral("dd mmm yyyy"), kStart, kEnglish), QStringLiteral("05 Jan 2026"));
    EXPECT_EQ(FormatLogDateTime(QStringLiteral("mmmm d"), kStart, kEnglish), QStringLiteral("January 5"));
    EXPECT_EQ(FormatLogDateTime(QStringLiteral("ddddd"), kStart, kEnglish),
              kEnglish.toString(kStart.date(), QLocale::ShortFormat));
    EXPECT_EQ(FormatLogDateTime(QStringLiteral("dddddd"), kStart, kEnglish),
              kEnglish.toString(kStart.date(), QLocale::LongFormat));
}

TEST(LogText, TitleCutAndPaddedInCodePage932Bytes)
{
    const QString fmt = QStringLiteral("%-32.32s %s - %s");
    EXPECT_EQ(FormatLogText(fmt, {QStringLiteral("Short"), QStringLiteral("A"), QStringLiteral("B")}),
              QStringLiteral("Short") + QString(27, QLatin1Char(' ')) + QStringLiteral(" A - B"));
    // Sixteen kana are 32 bytes: exactly the column.
    const QString kana16(16, QChar(0x3042));
    EXPECT_EQ(FormatLogText(fmt, {kana16 + QStringLiteral("tail"), QStringLiteral("A"), QStringLiteral("B")}),
              kana16 + QStringLiteral(" A - B"));
    // One byte, then kana: the 17th kana would straddle byte 32, so it goes and a blank
    // keeps the column instead of half a character.
    const QString line = FormatLogText(fmt, {QStringLiteral("x") + kana16, QStringLiteral("A"), QStringLiteral("B")});
    EXPECT_EQ(line, QStringLiteral("x") + QString(15, QChar(0x3042)) + QStringLiteral("  A - B"));
    EXPECT_EQ(Cp932::ByteLength(line.left(line.indexOf(QStringLiteral(" A")))), 32);
}

TEST(LogText, OtherConversions)
{
    EXPECT_EQ(FormatLogText(QStringLiteral("%5s|%-5s|%.2s|%%|%1:s%0:s"),
                            {QStringLiteral("ab"), QStringLiteral("cd"), QStringLiteral("efgh")}),
              QStringLiteral("   ab|cd   |ef|%|cdab"));
    // Unknown conversions stay as written; missing arguments are empty.
    EXPECT_EQ(FormatLogText(QStringLiteral("%d %s %s"), {QStringLiteral("a")}), QStringLiteral("%d a "));
}

TEST(PlayLog, OneLinePerPeriodOnlyForARegisteredDiscWithTheLogOn)
{
    QTemporaryDir dir;
    PlayLog log;
    log.path = dir.filePath(QStringLiteral("Mirelune.log"));
    log.locale = kEnglish;
    log.RecordLog = true;

    QDateTime start = kStart;
    log.WriteLogLine(QStringLiteral("Unregistered"), false, start, kEnd);
    EXPECT_FALSE(start.isValid()); // the period ends anyway
    EXPECT_FALSE(QFile::exists(log.path));

    start = kStart;
    log.WriteLogLine(QStringLiteral("月の歌"), true, start, kEnd);
    EXPECT_FALSE(start.isValid());
    log.WriteLogLine(QStringLiteral("月の歌"), true, start, kEnd); // no period open: no line

    start = kStart;
    log.RecordLog = false;
    log.WriteLogLine(QStringLiteral("月の歌"), true, start, kEnd);
    EXPECT_FALSE(start.isValid());

    const QByteArray expected = Cp932::Encode(QStringLiteral("月の歌") + QString(26, QLatin1Char(' ')) +
                                              QStringLiteral(" 2026.01.05(Mon) 09:07.03 - 01.05(Mon) 10:41.59\r\n"));
    EXPECT_EQ(ReadAll(log.path), expected);
}

TEST(PlayLog, LinesKeepTheLogsEncodingAndCodePage932TurnsIntoUtf8WithoutLoss)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Mirelune.log"));
    ASSERT_TRUE(PlayLog::AppendLine(path, QStringLiteral("古い行")));
    ASSERT_TRUE(PlayLog::AppendLine(path, QStringLiteral("Ünïcødé ☃")));
    ASSERT_TRUE(PlayLog::AppendLine(path, QStringLiteral("次")));
    EXPECT_EQ(ReadAll(path), QByteArray("\xEF\xBB\xBF") + QStringLiteral("古い行\r\nÜnïcødé ☃\r\n次\r\n").toUtf8());

    // A log an editor saved as UTF-8 without a mark, or as UTF-16, stays so.
    const QString old = QStringLiteral("古い行\r\n");
    const struct {
        const char* name;
        QByteArray before, added;
    } logs[] = {
        {"UTF-8", old.toUtf8(), QStringLiteral("次\r\n").toUtf8()},
        {"UTF-16LE", EncodeUtf16(old, false), EncodeUtf16(QStringLiteral("次\r\n"), false).mid(2)},
        {"UTF-16BE", EncodeUtf16(old, true), EncodeUtf16(QStringLiteral("次\r\n"), true).mid(2)},
    };
    for (const auto& log : logs) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(log.before);
        f.close();
        ASSERT_TRUE(PlayLog::AppendLine(path, QStringLiteral("次")));
        EXPECT_EQ(ReadAll(path), log.before + log.added) << log.name;
    }
}

TEST(PlayLog, AnUnwritableLogIsReportedWithRetryAndCancel)
{
    QTemporaryDir dir;
    RecordingPresenter presenter;
    presenter.answers = {IdRetry, IdCancel};
    PlayLog log;
    log.path = dir.filePath(QStringLiteral("no/such/folder/Mirelune.log"));
    log.RecordLog = true;
    QDateTime start = kStart;
    log.WriteLogLine(QStringLiteral("Disc"), true, start, kEnd);
    ASSERT_EQ(presenter.shown.size(), 2); // Retry tried the whole write again
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("保存エラー"));
    EXPECT_TRUE(presenter.shown[0].text.contains(log.path));
    EXPECT_FALSE(start.isValid());
}
