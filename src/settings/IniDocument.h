#pragma once
// The INI engine under the settings file and the data files: a whole file in memory,
// read, changed and written back in full.
//
// Reading: every line is stripped of blanks (spaces and control characters) at both
// ends; empty lines, lines starting with ";" and lines before the first section are
// skipped; "[name]" opens a section; in "key=value" key and value are stripped again;
// a line without "=" inside a section is carried along unchanged. Section names and
// keys match without regard to letter case; the first match counts.
// Writing: sections in order, each as its bracketed name, its lines in order, then one
// empty line; CR LF line ends. A new section goes last, a new key last in its section,
// a changed key keeps its place.
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

// Integer text as both files read it: "0x"/"0X" followed by hexadecimal digits (the
// text longer than two characters), "$" followed by hexadecimal digits, or decimal with
// an optional sign. Hexadecimal up to 32 bits wraps into a signed value. False when the text
// is no such number or out of range.
bool ParseIniInteger(QStringView text, int32_t* value);

// The data files drop comment lines, as they always did; the settings file keeps them
// (in place, and before the first section), as the system's profile functions did.
enum class IniComments { Drop, Keep };

class IniDocument {
public:
    static IniDocument Parse(QStringView text, IniComments comments = IniComments::Drop);
    QString ToText() const;

    bool HasSection(const QString& section) const;
    // The value of an entry; nullopt when the section or key is absent.
    std::optional<QString> Value(const QString& section, const QString& key) const;
    // A present empty value reads as empty, not as the default.
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Missing or not a number: def.
    int32_t ReadInteger(const QString& section, const QString& key, int32_t def) const;
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    // Line breaks in a key or value become spaces, so a value can never open lines of
    // its own in the file.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int32_t value);
    void WriteBool(const QString& section, const QString& key, bool value);
    // Both remove every entry (or section) of the name, not only the first.
    void DeleteKey(const QString& section, const QString& key);
    void EraseSection(const QString& section);

    // The entries ("key=value" lines) of a section, in order.
    QList<QPair<QString, QString>> Entries(const QString& section) const;
    QStringList SectionNames() const;

    // A name compared without regard to letter case, hashed without copying it.
    struct Name {
        QString text;
        bool operator==(const Name& other) const;
    };

private:
    struct Line {
        QString key;   // the whole line when it holds no "="
        QString value;
        bool entry = true;
        bool live = true;
    };
    struct Section {
        QString name;
        std::vector<Line> lines;
        QHash<Name, int> index; // key -> first live entry
        bool live = true;
    };

    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    Section& sectionForWrite(const QString& name);
    const Line* findLine(const QString& section, const QString& key) const;

    QStringList preamble; // kept comment lines before the first section
    std::vector<Section> sections;
    QHash<Name, int> sectionIndex; // name -> first live section
};

size_t qHash(const IniDocument::Name& name, size_t seed = 0) noexcept;

// Whole files. A missing file reads as an empty document; false when the file exists
// but cannot be read. *utf8 tells that the file had a UTF-8 byte-order mark.
bool ReadIniFile(const QString& path, IniDocument& doc, bool* utf8 = nullptr,
                 IniComments comments = IniComments::Drop);
// The same, for a file about to be changed and written back: false also when the text
// could not be read without loss (a UTF-8 file with invalid sequences), so that writing
// it back never destroys what was not understood. (Code page 932 files lose nothing:
// invalid bytes are kept as they are.)
bool ReadIniFileForSave(const QString& path, IniDocument& doc, IniComments comments = IniComments::Drop);
// Writes beside the file, flushes and then replaces it, so a failure leaves the old file
// whole; a missing folder is made. Code page 932, or UTF-8 with a byte-order mark when some text needs it. A file
// without its owner's write permission is refused (false), as are all write errors.
bool WriteIniFile(const QString& path, const IniDocument& doc);
