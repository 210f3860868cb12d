#include "PlayLog.h"

#include <QFile>
#include <QFileInfo>

#include "core/common/Error.h"
#include "core/common/SafeSave.h"
#include "core/common/TextCodec.h"

namespace {
// A log larger than this is not rewritten as UTF-8 (lines are still appended to it).
constexpr int64_t kMaxLogBytes = 256 * 1024 * 1024;

QString Two(int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); }

int ByteWidth(QChar c) { return Cp932::ByteLength(QString(c)); }

int ByteWidth(const QString& s)
{
    int n = 0;
    for (QChar c : s) n += ByteWidth(c);
    return n;
}
} // namespace

QString FormatLogDateTime(const QString& pattern, const QDateTime& time, const QLocale& locale)
{
    const QDate d = time.date();
    const QTime t = time.time();
    QString out;
    QChar lastToken;
    int i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const int end = pattern.indexOf(c, i + 1);
            const int stop = end < 0 ? pattern.size() : end;
            out += pattern.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        QChar token = c.toUpper();
        int run = 1;
        while (i + run < pattern.size() && pattern[i + run].toUpper() == token) ++run;
        if (token.isLetter()) {
            if (token == QLatin1Char('M') && lastToken == QLatin1Char('H')) token = QLatin1Char('N');
            lastToken = token;
        }
        switch (token.unicode()) {
        case 'Y':
            out += run > 2 ? QString::number(d.year()).rightJustified(4, QLatin1Char('0')) : Two(d.year() % 100);
            break;
        case 'M':
            run = qMin(run, 4);
            if (run == 1)
                out += QString::number(d.month());
            else if (run == 2)
                out += Two(d.month());
            else
                out += locale.monthName(d.month(), run == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case 'N':
            run = qMin(run, 2);
            out += run == 2 ? Two(t.minute()) : QString::number(t.minute());
            break;
        case 'D':
            run = qMin(run, 6);
            if (run == 1)
                out += QString::number(d.day());
            else if (run == 2)
                out += Two(d.day());
            else if (run <= 4)
                out += locale.dayName(d.dayOfWeek(), run == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            else
                out += locale.toString(d, run == 5 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case 'H':
            run = qMin(run, 2);
            out += run == 2 ? Two(t.hour()) : QString::number(t.hour());
            break;
        case 'S':
            run = qMin(run, 2);
            out += run == 2 ? Two(t.second()) : QString::number(t.second());
            break;
        default: out += pattern.mid(i, run); break;
        }
        i += run;
    }
    return out;
}

QString FormatLogText(const QString& format, const QStringList& args)
{
    QString out;
    int next = 0;
    int i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            i += 2;
            continue;
        }
        // %[index:][-][width][.precision]s
        int j = i + 1;
        auto number = [&](int& value) {
            const int start = j;
            value = 0;
            while (j < format.size() && format[j].isDigit() && j - start < 6)
                value = value * 10 + format[j++].digitValue();
            return j > start;
        };
        int index = -1, width = 0, precision = -1, n = 0;
        if (number(n)) {
            if (j < format.size() && format[j] == QLatin1Char(':')) {
                index = n;
                ++j;
            } else {
                width = n;
            }
        }
        bool left = false;
        if (width == 0 && j < format.size() && format[j] == QLatin1Char('-')) {
            left = true;
            ++j;
        }
        if (width == 0) number(width);
        if (j < format.size() && format[j] == QLatin1Char('.')) {
            ++j;
            number(precision);
        }
        if (j >= format.size() || format[j].toLower() != QLatin1Char('s')) {
            // Not a conversion this log knows: copied as it stands.
            out += format.mid(i, j - i);
            i = j;
            continue;
        }
        if (index >= 0) next = index;
        QString text = next < args.size() ? args[next] : QString();
        ++next;
        int bytes = ByteWidth(text);
        if (precision >= 0 && bytes > precision) {
            QString cut;
            int used = 0;
            for (QChar ch : text) {
                const int w = ByteWidth(ch);
                if (used + w > precision) break;
                cut += ch;
                used += w;
            }
            cut += QString(precision - used, QLatin1Char(' '));
            text = cut;
            bytes = precision;
        }
        if (bytes < width) {
            const QString pad(width - bytes, QLatin1Char(' '));
            text = left ? text + pad : pad + text;
        }
        out += text;
        i = j + 1;
    }
    return out;
}

namespace {
// The encoding of a log file, told by its mark or by its first megabyte of lines; a missing
// or empty log is code page 932, as the old program wrote it.
DecodedText logEncoding(const QString& path)
{
    DecodedText none;
    QFile file(path);
    // Only a regular file: a FIFO would wait here for a writer (AppendToFile refuses it).
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return none;
    QByteArray head = file.read(1 << 20);
    if (!file.atEnd() && !head.startsWith("\xFF\xFE") && !head.startsWith("\xFE\xFF"))
        head.truncate(head.lastIndexOf('\n') + 1); // whole lines only: a cut character is no damage
    DecodedText d = DecodeFileText(head);
    d.text.clear();
    return d;
}
} // namespace

bool PlayLog::AppendLine(const QString& path, const QString& line, QString* reason)
{
    const QString text = line + QStringLiteral("\r\n");
    // The log keeps the encoding it has; code page 932 that cannot hold the line turns into
    // UTF-8 with the mark.
    const DecodedText encoding = logEncoding(path);
    bool ok = true;
    const QByteArray bytes = EncodeLike(encoding, text, &ok);
    if (ok) return AppendToFile(path, bytes, reason);
    // The line needs UTF-8: rewrite what is there as UTF-8 with the mark, then the line.
    FileRead old;
    if (!ReadFileWhole(path, kMaxLogBytes, &old, reason)) return false;
    return SaveFileWhole(path, EncodeFileText(DecodeFileText(old.bytes).text + text, true), reason);
}

void PlayLog::WriteLogLine(const QString& discTitle, bool hasFile, QDateTime& logStart, const QDateTime& now)
{
    if (RecordLog && hasFile && logStart.isValid()) {
        const QString line = FormatLogText(LogFmt, {discTitle, FormatLogDateTime(LogFmtStartTime, logStart, locale),
                                                    FormatLogDateTime(LogFmtEndTime, now, locale)});
        QString reason;
        while (!AppendLine(path, line, &reason) && SaveErrorMessage(path, reason) == IdRetry) {
        }
    }
    logStart = QDateTime();
}
