#pragma once
// What the disc properties show and export, without a window: the kind of disc, and
// the export of title, artist, tracks and lengths as comma-separated text (code page
// 932, CR LF, texts quoted, numbers not; a text that code page 932 cannot hold makes
// the file UTF-8 with a byte-order mark instead, so nothing is lost).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

class TWords;

// "CD-ROM", "音楽CD" or "CD-ROM (音楽トラックあり)" for AudioState 0, 1, 2.
QString CDTypeText(int audioState);

// The text in double quotes, each double quote in it doubled.
QString QuoteField(const QString& text);
// h:mm:ss of a length in milliseconds; fractions of a second dropped.
QString FormatExportTime(int32_t milliseconds);

// Line 1 title, artist, track count and audio length; line 2 empty; then one line per
// track (data tracks too): number, title, length. Every line ends in CR LF.
QString DiscInfoText(const TWords& words);

// What the save dialog offers: each filter with the suffix it adds to a bare name and
// the file's contents. The first is the default. More formats are added here.
struct ExportFormat {
    QString Filter; // "CSV ファイル (*.csv)"
    QString Suffix; // "csv"; empty: the default format's
    std::function<QByteArray(const TWords&)> Bytes;
};
const std::vector<ExportFormat>& DiscInfoFormats();
// The filters for a file dialog, in order.
QStringList DiscInfoFilters();
// The file name the save dialog proposes: the data file's name with ".csv" for its
// extension, ".csv" alone for a disc without a data file.
QString ExportFileProposal(const TWords& words);

// Writes the export chosen by filter (any unknown filter: the first format) to path,
// replacing the file only once the whole text is written. On failure the user is told
// why and false is returned.
bool ExportDiscInfo(const QString& path, const QString& filter, const TWords& words);
