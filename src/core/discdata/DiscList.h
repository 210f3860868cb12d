#pragma once
// The disc manager's list: one row per registered disc, in the order of the registry
// ("WordsFile") or sorted by a column, narrowed by a filter, with the title, artist and
// play time its data file holds. Filling reads the registry only; a row's data file is
// read the first time the row is asked for, so the list of thousands of discs fills as
// fast as one screen of it (a sort by title or a filter reads them all, once).
#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

struct Settings;

// What the list shows of one data file ("Info" Title, Artist, PlayTime). A file that is
// missing or cannot be read gives empty texts and 0.
struct DiscInfo {
    QString Title;
    QString Artist;
    int32_t PlayTime = 0; // seconds
};
DiscInfo ReadDiscInfo(const QString& path);

class DiscListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, TitleColumn, ArtistColumn, PlayTimeColumn, ColumnCount };

    explicit DiscListModel(Settings& settings, QObject* parent = nullptr);

    // Reads the registry again; every row's data file is read anew when next needed. The
    // order and the filter stay.
    void Fill();
    // Registered discs, and those the filter lets through (the list shows one empty row
    // when there are none).
    int EntryCount() const { return static_cast<int>(rows.size()); }
    int ShownCount() const { return static_cast<int>(shown.size()); }
    // The data file base name of a row; empty for the empty row or a row outside the list.
    QString Name(int row) const;
    // The row that shows name; -1 when none does.
    int RowOf(const QString& name) const;
    // Data files read since the last Fill.
    int FilesRead() const { return filesRead; }

    // Rows by a column (names and texts in the order of the language, digits by their
    // value; play time by its length), or in the registry's order for column -1. By the
    // name this reads nothing; by title, artist or play time, every data file once.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int SortColumn() const { return sortColumn; }
    Qt::SortOrder SortOrder() const { return sortOrder; }
    // Only the discs whose file name, title or artist holds text (in any letter case);
    // every disc for an empty text. Reads the data files of discs whose name does not match.
    void SetFilter(const QString& text);
    QString Filter() const { return filter; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString name;
        mutable std::optional<DiscInfo> info;
    };
    const DiscInfo& info(const Row& row) const;
    const Row* rowAt(int row) const;
    // Builds shown from rows, the filter and the order.
    void arrange();

    Settings& settings;
    QList<Row> rows;
    std::vector<int> shown; // indices into rows, as listed
    int sortColumn = -1;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    QString filter;
    mutable int filesRead = 0;
};
