#include "DiscList.h"

#include <algorithm>

#include "DataFileName.h"
#include "DiscRegistry.h"
#include "Words.h"
#include "core/common/Etc.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"

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

namespace {
bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Texts as people order them: letter case aside, and a run of digits by its value
// ("disc2" before "disc10"). The same on every machine, whatever its locale.
int compareNatural(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digits = isDigit(a[i]);
        if (digits != isDigit(b[j])) return digits ? -1 : 1;
        qsizetype ei = i, ej = j;
        while (ei < a.size() && isDigit(a[ei]) == digits) ++ei;
        while (ej < b.size() && isDigit(b[ej]) == digits) ++ej;
        QStringView x = a.sliced(i, ei - i), y = b.sliced(j, ej - j);
        int c = 0;
        if (digits) {
            while (x.size() > 1 && x.front() == QLatin1Char('0')) x = x.sliced(1);
            while (y.size() > 1 && y.front() == QLatin1Char('0')) y = y.sliced(1);
            c = x.size() != y.size() ? (x.size() < y.size() ? -1 : 1) : x.compare(y);
        } else {
            c = x.compare(y, Qt::CaseInsensitive);
        }
        if (c != 0) return c;
        i = ei;
        j = ej;
    }
    return (i < a.size()) - (j < b.size());
}
} // namespace

DiscListModel::DiscListModel(Settings& s, QObject* parent) : QAbstractTableModel(parent), settings(s) {}

void DiscListModel::Fill()
{
    beginResetModel();
    rows.clear();
    filesRead = 0;
    const QList<QPair<QString, QString>> entries = DiscRegistry(settings).Entries();
    rows.reserve(entries.size());
    for (const auto& entry : entries) rows.append(Row{entry.second, std::nullopt});
    arrange();
    endResetModel();
}

const DiscListModel::Row* DiscListModel::rowAt(int row) const
{
    return row >= 0 && row < static_cast<int>(shown.size()) ? &rows[shown[static_cast<size_t>(row)]] : nullptr;
}

QString DiscListModel::Name(int row) const
{
    const Row* r = rowAt(row);
    return r ? r->name : QString();
}

int DiscListModel::RowOf(const QString& name) const
{
    for (size_t i = 0; i < shown.size(); ++i)
        if (rows[shown[i]].name == name) return static_cast<int>(i);
    return -1;
}

void DiscListModel::sort(int column, Qt::SortOrder order)
{
    beginResetModel();
    sortColumn = column >= 0 && column < ColumnCount ? column : -1;
    sortOrder = order;
    arrange();
    endResetModel();
}

void DiscListModel::SetFilter(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == filter) return;
    beginResetModel();
    filter = trimmed;
    arrange();
    endResetModel();
}

void DiscListModel::arrange()
{
    shown.clear();
    shown.reserve(static_cast<size_t>(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        // The name is known without reading the file: a matching name reads nothing.
        if (filter.isEmpty() || r.name.contains(filter, Qt::CaseInsensitive) ||
            info(r).Title.contains(filter, Qt::CaseInsensitive) || info(r).Artist.contains(filter, Qt::CaseInsensitive))
            shown.push_back(i);
    }
    if (sortColumn < 0) return;
    auto key = [&](int i) -> QString {
        const Row& r = rows[i];
        return sortColumn == NameColumn ? r.name : sortColumn == TitleColumn ? info(r).Title : info(r).Artist;
    };
    // Equal keys keep the registry's order, in both directions.
    auto less = [&](int a, int b) {
        if (sortColumn == PlayTimeColumn) return info(rows[a]).PlayTime < info(rows[b]).PlayTime;
        return compareNatural(key(a), key(b)) < 0;
    };
    if (sortOrder == Qt::AscendingOrder)
        std::stable_sort(shown.begin(), shown.end(), less);
    else
        std::stable_sort(shown.begin(), shown.end(), [&](int a, int b) { return less(b, a); });
}

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
    return parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(shown.size()));
}

int DiscListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant DiscListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == PlayTimeColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    const Row* shownRow = rowAt(index.row());
    if (role != Qt::DisplayRole || !shownRow) return {};
    const Row& row = *shownRow;
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
