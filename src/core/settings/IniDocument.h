#pragma once
// The INI engine under the settings file and the data files: a whole file in memory,
// read, changed and written back in full.
//
// Reading: every line is stripped of blanks (spaces, control characters and U+FEFF) at both
// ends; empty lines, lines starting with ";" and lines before the first section are
// skipped; a line starting with "[" that holds a "]" opens the section named between
// them (text after the "]" is a comment, as the system's profile functions took it); in
// "key=value" key and value are stripped again; a line without "=" inside a section is
// carried along unchanged. Section names and keys match without regard to letter case;
// the first match counts.
// Writing: sections in order, each as its bracketed name, its lines in order, then one
// empty line; CR LF line ends. A new section goes last, a new key last in its section,
// a changed key keeps its place. A line read from a file that the program did not change
// is written back with the bytes it had, so that a code the codec would spell otherwise
// (code page 932 has some characters twice) or a spacing of the writer's own survives.
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/common/SafeSave.h"

// Integer text as both files read it: "0x"/"0X" followed by hexadecimal digits (the
// text longer than two characters), "$" followed by hexadecimal digits, or decimal with
// an optional sign. Hexadecimal up to 32 bits wraps into a signed value. False when the text
// is no such number or out of range.
bool ParseIniInteger(QStringView text, int32_t* value);
// Decimal only, with an optional sign: lyrics times and program entries.
bool ParseIniDecimal(QStringView text, int32_t* value);

// The data files drop comment and empty lines, as they always did; the settings file
// keeps every line where it stands (comments, empty lines, text before the first
// section), as the system's profile functions did.
enum class IniComments { Drop, Keep };

class IniDocument {
public:
    static IniDocument Parse(QStringView text, IniComments comments = IniComments::Drop);
    // A whole file: code page 932, UTF-16 after its byte-order mark, or UTF-8 after a
    // byte-order mark or when its bytes are valid UTF-8 and not all ASCII. Its lines keep
    // their bytes for ToBytes (not UTF-16's, which lose nothing when encoded again).
    static IniDocument FromBytes(const QByteArray& bytes, IniComments comments = IniComments::Drop);
    QString ToText() const;
    // The file to write: code page 932 with the kept bytes of unchanged lines. A file
    // read as UTF-8 or UTF-16 stays so, with its mark or without as it came; a file where
    // some changed text has no code page 932 form becomes UTF-8 with the mark.
    QByteArray ToBytes() const;
    // Read from a UTF-8 file; from a UTF-8 or UTF-16 one; and how many bytes the file's
    // encoding could not read.
    bool IsUtf8() const { return utf8; }
    bool IsUnicode() const { return utf8 || utf16; }
    int InvalidBytes() const { return invalid; }
    // Why what was read must not be written back, when it must not: bytes its Unicode
    // encoding cannot read, or control characters no text holds (a binary file). Empty when
    // the document holds all the file did.
    QString DamageReason() const;
    // Lines of text before the first section that the data files' reading skips (and a
    // rewrite would lose); comments and empty lines do not count.
    int StrayLines() const { return stray; }

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
    // Where a line stands in the file it was read from; size -1 for a line the
    // program wrote.
    struct Raw {
        qsizetype pos = 0;
        qsizetype size = -1;
    };
    struct Line {
        QString key; // the whole (stripped) line when it holds no "="
        QString value;
        Raw raw;
        bool entry = true;
        bool live = true;
        bool blank() const { return !entry && key.isEmpty(); }
    };
    struct Section {
        QString name;
        Raw header;
        std::vector<Line> lines;
        // Key -> first live entry; made on the first look-up in a large section.
        mutable QHash<Name, int> index;
        mutable bool indexed = false;
        bool live = true;
        bool added = false; // by the program, not read
    };

    static IniDocument parse(QStringView text, const QByteArray* bytes, IniComments comments);
    template <class Sink> void walk(Sink&& sink) const;
    bool encodeInto(QByteArray& out, bool asUtf8) const;
    int sectionAt(const QString& name) const;
    static int entryAt(const Section& section, const QString& key);
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    Section& sectionForWrite(const QString& name);
    Line& lineForWrite(const QString& section, const QString& key);
    const Line* findLine(const QString& section, const QString& key) const;

    bool keepAll = false; // IniComments::Keep
    QByteArray source;    // the bytes the lines were read from (after a mark)
    bool utf8 = false;
    bool utf8Mark = false; // the file began with a byte-order mark
    bool utf16 = false;
    bool bigEndian = false;
    int invalid = 0;
    int controls = 0; // control characters that are no text's
    int stray = 0;
    std::vector<Line> preamble; // kept lines before the first section
    std::vector<Section> sections;
    // Name -> first live section; made on the first look-up among many sections.
    mutable QHash<Name, int> sectionIndex;
    mutable bool sectionsIndexed = false;
};

size_t qHash(const IniDocument::Name& name, size_t seed = 0) noexcept;

// Whole files, read through ReadFileWhole (never waiting on a FIFO, refusing files larger
// than kMaxTextFileBytes).
struct IniFileState {
    bool read = false; // false: nothing could be read (the document is left as it was)
    QString trouble;   // why the file must not be written over; empty when it may be
    FileId id;         // the file as read
};
// A missing file reads as an empty document.
IniFileState ReadIniDocument(const QString& path, IniDocument& doc, IniComments comments = IniComments::Drop);
// The same on a file already read.
IniFileState IniDocumentOf(const FileRead& file, QString readError, IniDocument& doc, IniComments comments);
// False when the file exists but cannot be read at all. *utf8 tells that it was read as UTF-8.
bool ReadIniFile(const QString& path, IniDocument& doc, bool* utf8 = nullptr, IniComments comments = IniComments::Drop);
// The same, for a file about to be changed and written back: false also when the text
// could not be read without loss (IniDocument::DamageReason), so that writing it back never
// destroys what was not understood. (Code page 932 files lose nothing: invalid bytes are
// kept as they are.)
bool ReadIniFileForSave(const QString& path, IniDocument& doc, IniComments comments = IniComments::Drop);
// The document's ToBytes through SaveFileWhole: the file is replaced whole or not at all,
// a missing folder is made, a file without its owner's write permission is refused.
// *reason (when given) says why it failed.
bool WriteIniFile(const QString& path, const IniDocument& doc, QString* reason = nullptr);
// Reads, changes and writes back the file as one step against other writers
// (UpdateFileWhole): change gets the file's document as it is now and its state; a file with
// a trouble is refused before change runs. When change returns false nothing is written.
// A missing folder is made.
using IniChange = std::function<bool(IniDocument& doc, const IniFileState& state, QString* reason)>;
bool UpdateIniFile(const QString& path, IniComments comments, const IniChange& change, QString* reason = nullptr,
                   FileId* written = nullptr);
