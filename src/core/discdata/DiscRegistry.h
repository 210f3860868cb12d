#pragma once
// The registry of known discs: section "WordsFile" of the settings file, one entry per
// disc, its identifier = the base name of its data file in the data folder. Registering,
// renaming and deleting change an entry and its data file together: where the second
// step fails, the first is taken back, so that no entry leads to a missing file and no
// disc loses its data.
//
// A registry is a view of the settings file named by Settings; it keeps nothing itself.
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

class TWords;
struct Settings;

class DiscRegistry {
public:
    explicit DiscRegistry(Settings& settings) : settings(settings) {}

    // The reads show the read error of a settings file that cannot be read, with Retry
    // and Cancel; Cancel reads nothing.
    // Base name registered for discId (keys compared without letter case, first match);
    // empty when there is none.
    QString Lookup(const QString& discId) const;
    // Every entry in file order: key (disc id) and value (base name).
    QList<QPair<QString, QString>> Entries() const;
    // The disc id of the first entry registering name.
    std::optional<QString> IdOf(const QString& name) const;

    // The writes show the save error with Retry and Cancel; false when the user cancelled.
    // Records name as the data file of discId (replacing an entry for that disc).
    bool Write(const QString& discId, const QString& name);
    // Removes the entry of discId (every entry of that id).
    bool Remove(const QString& discId);

    // Ties the disc in words to a new data file of the given base name: the name is
    // checked (a refused one is told), the file written with the disc's title, then the
    // entry. False when the name was refused or a save failed; true also for a disc
    // without audio, which is left unregistered.
    bool Register(TWords& words, const QString& name);
    // Renames the data file of the registered disc in words to name, and its entry with
    // it; an entry that cannot be written puts the file back. False when nothing changed.
    bool Rename(TWords& words, const QString& name);
    // Deletes the entry of discId, registered under name, then its data file (for good, or
    // into the trash). A name leading out of the data folder deletes no file (FileGoesWith
    // is false), and a registry that cannot be written keeps both; a file that cannot be
    // removed is told. False when the entry stays.
    bool Delete(const QString& discId, const QString& name, bool permanently);
    // Deleting the entry of this name deletes a file too.
    static bool FileGoesWith(const QString& name);

private:
    Settings& settings;
};
