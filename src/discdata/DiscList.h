#pragma once
// The disc manager's list: one row per registered disc, in the order of the registry
// ("WordsFile"), with the title, artist and play time its data file holds. Filling
// reads the registry only; a row's data file is read the first time the row is asked
// for, so the list of thousands of discs fills as fast as one screen of it.
#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

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

    explicit DiscListModel(const Settings& settings, QObject* parent = nullptr);

    // Reads the registry again; every row's data file is read anew when next shown.
    void Fill();
    // Registered discs (the list shows one empty row when there are none).
    int EntryCount() const { return static_cast<int>(rows.size()); }
    // The data file base name of a row; empty for the empty row or a row outside the list.
    QString Name(int row) const;
    // Data files read since the last Fill.
    int FilesRead() const { return filesRead; }

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

    const Settings& settings;
    QList<Row> rows;
    mutable int filesRead = 0;
};
