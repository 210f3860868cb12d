#include "DiscList.h"

#include "common/Etc.h"
#include "discdata/Words.h"
#include "settings/IniDocument.h"
#include "settings/IniFile.h"

DiscInfo ReadDiscInfo(const QString& path)
{
    DiscInfo info;
    IniDocument doc;
    if (path.isEmpty() || !ReadIniFile(path, doc)) return info;
    const QString section = QStringLiteral("Info");
    info.Title = doc.ReadString(section, QStringLiteral("Title"), QString());
    info.Artist = doc.ReadString(section, QStringLiteral("Artist"), QString());
    info.PlayTime = doc.ReadInteger(section, QStringLiteral("PlayTime"), 0);
    return info;
}

DiscListModel::DiscListModel(const Settings& s, QObject* parent) : QAbstractTableModel(parent), settings(s) {}

void DiscListModel::Fill()
{
    beginResetModel();
    rows.clear();
    filesRead = 0;
    const QList<QPair<QString, QString>> entries = ReadWordsFileSection(settings);
    rows.reserve(entries.size());
    for (const auto& entry : entries) rows.append(Row{entry.second, std::nullopt});
    endResetModel();
}

QString DiscListModel::Name(int row) const { return row >= 0 && row < rows.size() ? rows[row].name : QString(); }

const DiscInfo& DiscListModel::info(const Row& row) const
{
    if (!row.info) {
        // An entry leading out of the data folder reads nothing there.
        row.info = IsSafeRegisteredName(row.name) ? ReadDiscInfo(DataFilePath(settings, row.name)) : DiscInfo{};
        ++filesRead;
    }
    return *row.info;
}

int DiscListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(rows.size()));
}

int DiscListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant DiscListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == PlayTimeColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole || index.row() >= rows.size()) return {};
    const Row& row = rows[index.row()];
    switch (index.column()) {
    case NameColumn: return row.name;
    case TitleColumn: return info(row).Title;
    case ArtistColumn: return info(row).Artist;
    case PlayTimeColumn: return FormatHourMinSec(info(row).PlayTime);
    default: return {};
    }
}

QVariant DiscListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole)
        return section == PlayTimeColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                         : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (section) {
    case NameColumn: return QStringLiteral("歌詞ファイル名");
    case TitleColumn: return QStringLiteral("タイトル");
    case ArtistColumn: return QStringLiteral("アーティスト");
    case PlayTimeColumn: return QStringLiteral("総再生時間");
    default: return {};
    }
}
