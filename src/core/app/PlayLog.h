#pragma once
// The play log: one line per period in which a registered disc was in the drive.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

// The date-time patterns of the log formats: yyyy, yy, m and mm (the month, or the
// minutes right after an hour), n and nn (minutes), d, dd, ddd (the locale's short day
// name), dddd, h, hh (24 hours), s, ss, and text in quotes; everything else is copied.
QString FormatLogDateTime(const QString& pattern, const QDateTime& time, const QLocale& locale);

// The line format: %s conversions with an optional argument index ("%1:s"), "-" for left
// alignment, a width and a precision, both counted in bytes of the code page 932 form;
// "%%" is a percent sign. A precision never splits a double-byte character: the cut falls
// before it and a blank keeps the column. Anything else is copied as it stands.
QString FormatLogText(const QString& format, const QStringList& args);

class PlayLog {
public:
    QString path;
    bool RecordLog = false;
    QString LogFmt = QStringLiteral("%-32.32s %s - %s");
    QString LogFmtStartTime = QStringLiteral("yyyy.mm.dd(ddd) hh:mm.ss");
    QString LogFmtEndTime = QStringLiteral("mm.dd(ddd) hh:mm.ss");
    QLocale locale;

    // Ends a log period: writes a line when the log is on, the disc has a data file and
    // a period is open (logStart valid); the period is closed in every case. A line that
    // cannot be written is reported with Retry and Cancel, and the file is left whole.
    void WriteLogLine(const QString& discTitle, bool hasFile, QDateTime& logStart,
                      const QDateTime& now = QDateTime::currentDateTime());

    // Appends one line (CR LF added): code page 932, or UTF-8 when the file already is
    // UTF-8 or the line has characters code page 932 cannot hold (the file is then
    // rewritten once as UTF-8 with a byte-order mark, nothing lost). False on failure.
    static bool AppendLine(const QString& path, const QString& line, QString* reason = nullptr);
};
