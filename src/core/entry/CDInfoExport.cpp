#include "CDInfoExport.h"

#include <QFileInfo>

#include "core/common/Error.h"
#include "core/common/SafeSave.h"
#include "core/common/TextCodec.h"
#include "core/discdata/Words.h"

QString CDTypeText(int audioState)
{
    switch (audioState) {
    case 1: return QStringLiteral("音楽CD");
    case 2: return QStringLiteral("CD-ROM (音楽トラックあり)");
    default: return QStringLiteral("CD-ROM");
    }
}

QString QuoteField(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString FormatExportTime(int32_t milliseconds)
{
    const int s = milliseconds / 1000;
    return QString::asprintf("%d:%.2d:%.2d", s / 3600, (s / 60) % 60, s % 60);
}

QString DiscInfoText(const TWords& words)
{
    const QString crlf = QStringLiteral("\r\n");
    const QLatin1Char comma(',');
    QString text = QuoteField(words.Title) + comma + QuoteField(words.Artist) + comma +
                   QString::number(words.SongCount) + comma + FormatExportTime(words.AudioLength()) + crlf + crlf;
    for (int t = 1; t <= words.SongCount; ++t)
        text += QString::number(t) + comma + QuoteField(words.GetSongTitle(t)) + comma +
                FormatExportTime(words.SongLength(t)) + crlf;
    return text;
}

const std::vector<ExportFormat>& DiscInfoFormats()
{
    static const std::vector<ExportFormat> formats = [] {
        // The text file is the same comma-separated text; only the name differs.
        auto csv = [](const TWords& words) { return EncodeFileText(DiscInfoText(words)); };
        return std::vector<ExportFormat>{
            {QStringLiteral("CSV ファイル (*.csv)"), QStringLiteral("csv"), csv},
            {QStringLiteral("テキスト ファイル (*.txt)"), QStringLiteral("txt"), csv},
            {QStringLiteral("すべてのファイル (*)"), QString(), csv},
        };
    }();
    return formats;
}

QStringList DiscInfoFilters()
{
    QStringList filters;
    for (const ExportFormat& f : DiscInfoFormats()) filters << f.Filter;
    return filters;
}

QString ExportFileProposal(const TWords& words)
{
    if (!words.HasFile()) return QStringLiteral(".csv");
    const QString name = QFileInfo(words.FileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? name : name.left(dot)) + QStringLiteral(".csv");
}

bool ExportDiscInfo(const QString& path, const QString& filter, const TWords& words)
{
    const ExportFormat* format = &DiscInfoFormats().front();
    for (const ExportFormat& f : DiscInfoFormats())
        if (f.Filter == filter) format = &f;
    const QByteArray bytes = format->Bytes(words);

    QString reason;
    if (SaveFileWhole(path, bytes, &reason)) return true;
    ErrorMessage(QStringLiteral("ファイル '") + path + QStringLiteral("' へ出力できません。\n(") + reason +
                     QStringLiteral(")"),
                 QStringLiteral("出力エラー"));
    return false;
}
