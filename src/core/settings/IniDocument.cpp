#include "IniDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "core/common/Error.h"
#include "core/common/SafeSave.h"
#include "core/common/TextCodec.h"

namespace {

// Blanks are spaces, control characters and the byte-order mark's character, which
// tools put at the start of a file, sometimes twice (Qt's decoder drops only one of them
// there, and a line that started with the other would read differently once written
// back); a full-width space is text.
bool isBlank(QChar c) { return c.unicode() <= 0x20 || c.unicode() == 0xFEFF; }

QStringView stripBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.sliced(b, e - b);
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

bool parseHex(QStringView digits, uint32_t* out)
{
    if (digits.isEmpty()) return false;
    uint32_t v = 0;
    for (QChar c : digits) {
        const int d = hexDigit(c);
        if (d < 0 || (v >> 28) != 0) return false; // not a digit, or beyond 32 bits
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    *out = v;
    return true;
}

// TextCodec keeps an undecodable byte b as the character U+F700 + b.
bool isEscapedLeadByte(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0xF700 || u > 0xF7FF) return false;
    const unsigned b = u - 0xF700u;
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

QString oneLine(const QString& text)
{
    bool clean = true;
    for (QChar c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            clean = false;
            break;
        }
    if (clean) return text;
    QString s = text;
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

} // namespace

size_t qHash(const IniDocument::Name& name, size_t seed) noexcept
{
    // Folds each character as the case-insensitive comparison does.
    size_t h = seed ^ static_cast<size_t>(name.text.size());
    for (QChar c : name.text) {
        char16_t u = c.unicode();
        if (u < 0x80) {
            if (u >= 'A' && u <= 'Z') u = static_cast<char16_t>(u + 32);
        } else {
            u = QChar::toCaseFolded(u);
        }
        h = h * 31 + u;
    }
    return h;
}

namespace {

// Names compared without regard to letter case (full case folding). Qt's own comparison
// does it in one call: a loop of our own here is what a fuzzed build spends its time on.
bool sameName(QStringView a, QStringView b) { return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0; }

// Where the line starting at a position ends: at the next CR or LF. Each is found by a
// search of Qt's or the C library's (far quicker than a loop over the characters, above
// all in a fuzzed build) and looked for again only once passed; find gives the size of
// the text when there is none left.
struct LineEnds {
    qsizetype cr = -1, lf = -1;
    template <class Find> qsizetype Next(qsizetype from, Find&& find)
    {
        if (cr < from) cr = find('\r', from);
        if (lf < from) lf = find('\n', from);
        return std::min(cr, lf);
    }
};

// Sections and keys up to this many are found by looking at each in turn: cheaper than
// building a hash for them.
constexpr size_t kScanLimit = 24;

} // namespace

bool IniDocument::Name::operator==(const Name& other) const { return sameName(text, other.text); }

bool ParseIniDecimal(QStringView text, int32_t* value)
{
    QStringView s = text;
    bool negative = false;
    if (!s.isEmpty() && (s[0] == QLatin1Char('-') || s[0] == QLatin1Char('+'))) {
        negative = s[0] == QLatin1Char('-');
        s = s.sliced(1);
    }
    if (s.isEmpty()) return false;
    uint64_t v = 0;
    for (QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
        v = v * 10 + static_cast<uint64_t>(c.unicode() - '0');
        if (v > 2147483648ULL) return false; // out of range; also stops the sum overflowing
    }
    if (v > (negative ? 2147483648ULL : 2147483647ULL)) return false;
    *value = static_cast<int32_t>(negative ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v));
    return true;
}

bool ParseIniInteger(QStringView text, int32_t* value)
{
    // Hexadecimal only by its own prefix: a sign makes the text decimal.
    uint32_t u = 0;
    if (text.size() > 2 && text[0] == QLatin1Char('0') &&
        (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'))) {
        if (!parseHex(text.sliced(2), &u)) return false;
    } else if (!text.isEmpty() && text[0] == QLatin1Char('$')) {
        if (!parseHex(text.sliced(1), &u)) return false;
    } else {
        return ParseIniDecimal(text, value);
    }
    *value = static_cast<int32_t>(u);
    return true;
}

IniDocument IniDocument::Parse(QStringView text, IniComments comments) { return parse(text, nullptr, comments); }

IniDocument IniDocument::FromBytes(const QByteArray& bytes, IniComments comments)
{
    const DecodedText decoded = DecodeFileText(bytes);
    const QByteArray body = decoded.mark ? bytes.sliced(3) : bytes;
    // Code page 932 and valid UTF-8 keep CR and LF as bytes of their own, so the lines of
    // the text are the lines of the bytes. Damaged UTF-8 may not: it keeps no bytes (and
    // is never written back).
    // UTF-16 keeps no bytes: its CR and LF are two bytes each, and encoding its text again
    // gives the same bytes.
    const bool keepBytes = !decoded.utf16 && !(decoded.utf8 && decoded.invalid > 0);
    IniDocument doc = parse(decoded.text, keepBytes ? &body : nullptr, comments);
    doc.utf8 = decoded.utf8;
    doc.utf8Mark = decoded.mark && decoded.utf8;
    doc.utf16 = decoded.utf16;
    doc.bigEndian = decoded.bigEndian;
    doc.invalid = decoded.invalid;
    // NUL and the like are in no text file: a binary file is not read as one.
    for (QChar c : decoded.text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f' && u != '\v' && u != 0x1A) ++doc.controls;
    }
    return doc;
}

IniDocument IniDocument::parse(QStringView text, const QByteArray* bytes, IniComments comments)
{
    IniDocument doc;
    doc.keepAll = comments == IniComments::Keep;
    if (bytes) doc.source = *bytes;
    const char* b = doc.source.constData();
    const qsizetype bn = doc.source.size();
    qsizetype bpos = 0;
    Section* current = nullptr;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    const auto findText = [&](char c, qsizetype from) {
        const qsizetype at = text.indexOf(QLatin1Char(c), from);
        return at < 0 ? n : at;
    };
    const auto findByte = [&](char c, qsizetype from) {
        const void* at = std::memchr(b + from, c, static_cast<size_t>(bn - from));
        return at ? static_cast<const char*>(at) - b : bn;
    };
    LineEnds textEnds, byteEnds;
    while (pos < n) {
        const qsizetype end = textEnds.Next(pos, findText);
        const QStringView line = stripBlanks(text.sliced(pos, end - pos));
        // CR LF, LF or CR alone ends a line.
        pos = end;
        if (pos < n && text[pos] == QLatin1Char('\r')) ++pos;
        if (pos < n && text[pos] == QLatin1Char('\n')) ++pos;
        Raw raw;
        if (bytes) {
            const qsizetype bend = byteEnds.Next(bpos, findByte);
            raw = {bpos, bend - bpos};
            bpos = bend;
            if (bpos < bn && b[bpos] == '\r') ++bpos;
            if (bpos < bn && b[bpos] == '\n') ++bpos;
        }

        const auto other = [&] {
            // A line kept as it stands: a comment, an empty line, text before the first
            // section, or a line without "=" in a section.
            Line l;
            l.key = line.toString();
            l.entry = false;
            l.raw = raw;
            (current ? current->lines : doc.preamble).push_back(std::move(l));
        };
        if (line.isEmpty() || line[0] == QLatin1Char(';')) {
            if (doc.keepAll) other();
            continue;
        }
        const qsizetype close = line[0] == QLatin1Char('[') ? line.indexOf(QLatin1Char(']')) : -1;
        if (close > 0) {
            Section s;
            s.name = stripBlanks(line.sliced(1, close - 1)).toString();
            s.header = raw;
            // Room for a small section's lines at once: growing one line at a time moved
            // them again and again.
            s.lines.reserve(8);
            doc.sections.push_back(std::move(s));
            current = &doc.sections.back();
            continue;
        }
        if (!current) {
            ++doc.stray;
            if (doc.keepAll) other();
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) {
            other();
            continue;
        }
        Line l;
        l.key = stripBlanks(line.first(eq)).toString();
        l.value = stripBlanks(line.sliced(eq + 1)).toString();
        l.raw = raw;
        current->lines.push_back(std::move(l));
    }
    // Should the lines ever not match up, nothing is written from the bytes.
    if (bpos != bn) doc.source.clear();
    return doc;
}

// Calls sink(raw, text) for every line to write, in order; text(out) appends the line's
// text without its line end.
template <class Sink> void IniDocument::walk(Sink&& sink) const
{
    bool any = false, lastBlank = false;
    auto put = [&](const Raw& raw, bool blank, auto&& text) {
        sink(raw, text);
        any = true;
        lastBlank = blank;
    };
    auto line = [&](const Line& l) {
        if (!l.live) return;
        put(l.raw, l.blank(), [&](QString& out) {
            out += l.key;
            if (l.entry) {
                out += QLatin1Char('=');
                out += l.value;
            }
        });
    };
    const auto noText = [](QString&) {};
    for (const Line& l : preamble) line(l);
    for (const Section& s : sections) {
        if (!s.live) continue;
        // Where every line is kept, a section the program adds gets an empty line before it.
        if (keepAll && s.added && any && !lastBlank) put(Raw{}, true, noText);
        put(s.header, false, [&](QString& out) {
            out += QLatin1Char('[');
            out += s.name;
            // A name ending in an undecodable lead byte (kept as its escape character) would
            // pair up with the "]" byte on the next read; a blank between them is stripped then.
            if (!s.name.isEmpty() && isEscapedLeadByte(s.name.back())) out += QLatin1Char(' ');
            out += QLatin1Char(']');
        });
        for (const Line& l : s.lines) line(l);
        if (!keepAll) put(Raw{}, true, noText);
    }
}

QString IniDocument::ToText() const
{
    QString out;
    out.reserve(source.size() + 64);
    walk([&](const Raw&, auto&& text) {
        text(out);
        out += QLatin1String("\r\n");
    });
    return out;
}

bool IniDocument::encodeInto(QByteArray& out, bool asUtf8) const
{
    // Kept bytes are of the encoding the file was read in.
    const bool useRaw = asUtf8 == utf8 && !source.isEmpty();
    bool ok = true;
    QString pending; // lines to encode, gathered so that the codec runs once per stretch
    const auto flush = [&] {
        if (pending.isEmpty()) return;
        if (asUtf8) {
            out += pending.toUtf8();
        } else {
            bool encoded = true;
            out += Cp932::Encode(pending, &encoded);
            ok = ok && encoded;
        }
        pending.clear();
    };
    walk([&](const Raw& raw, auto&& text) {
        if (useRaw && raw.size >= 0) {
            flush();
            out.append(source.constData() + raw.pos, raw.size);
            out += "\r\n";
        } else {
            text(pending);
            pending += QLatin1String("\r\n");
        }
    });
    flush();
    return ok;
}

QByteArray IniDocument::ToBytes() const
{
    if (utf16) return EncodeUtf16(ToText(), bigEndian);
    QByteArray out;
    out.reserve(source.size() + 64);
    if (!utf8 && encodeInto(out, false)) {
        // Code page 932 bytes that happen to be valid UTF-8 would be read back as UTF-8,
        // as another text: such a file is written as UTF-8 with the mark instead.
        bool ascii = true;
        if (!ValidUtf8(out, &ascii) || ascii) return out;
        out.clear();
    }
    // A UTF-8 file stays as it came, with or without its mark; one that becomes UTF-8
    // because of a text code page 932 cannot hold gets the mark, which older readers know.
    out = utf8 && !utf8Mark ? QByteArray() : QByteArray("\xEF\xBB\xBF");
    encodeInto(out, true);
    return out;
}

QString IniDocument::DamageReason() const
{
    if ((utf8 || utf16) && invalid > 0)
        return Reason("ファイルに読めないバイトがあるため、上書きしません",
                      "it holds bytes that cannot be read, so it is not written over");
    if (controls > 0)
        return Reason("テキストファイルではないため、上書きしません",
                      "it is not a text file, so it is not written over");
    return QString();
}

int IniDocument::sectionAt(const QString& name) const
{
    if (!sectionsIndexed && sections.size() > kScanLimit) {
        // Of two sections of one name the first counts: inserting backwards leaves it in.
        sectionIndex.reserve(static_cast<qsizetype>(sections.size()));
        for (int i = static_cast<int>(sections.size()) - 1; i >= 0; --i)
            if (sections[static_cast<size_t>(i)].live)
                sectionIndex.insert(Name{sections[static_cast<size_t>(i)].name}, i);
        sectionsIndexed = true;
    }
    if (sectionsIndexed) {
        const auto it = sectionIndex.constFind(Name{name});
        return it == sectionIndex.cend() ? -1 : *it;
    }
    for (size_t i = 0; i < sections.size(); ++i)
        if (sections[i].live && sameName(sections[i].name, name)) return static_cast<int>(i);
    return -1;
}

int IniDocument::entryAt(const Section& s, const QString& key)
{
    if (!s.indexed && s.lines.size() > kScanLimit) {
        s.index.reserve(static_cast<qsizetype>(s.lines.size()));
        for (int i = static_cast<int>(s.lines.size()) - 1; i >= 0; --i) {
            const Line& l = s.lines[static_cast<size_t>(i)];
            if (l.live && l.entry) s.index.insert(Name{l.key}, i);
        }
        s.indexed = true;
    }
    if (s.indexed) {
        const auto it = s.index.constFind(Name{key});
        return it == s.index.cend() ? -1 : *it;
    }
    for (size_t i = 0; i < s.lines.size(); ++i) {
        const Line& l = s.lines[i];
        if (l.live && l.entry && sameName(l.key, key)) return static_cast<int>(i);
    }
    return -1;
}

const IniDocument::Section* IniDocument::findSection(const QString& name) const
{
    const int i = sectionAt(name);
    return i < 0 ? nullptr : &sections[static_cast<size_t>(i)];
}

IniDocument::Section* IniDocument::findSection(const QString& name)
{
    const int i = sectionAt(name);
    return i < 0 ? nullptr : &sections[static_cast<size_t>(i)];
}

IniDocument::Section& IniDocument::sectionForWrite(const QString& name)
{
    if (Section* s = findSection(name)) return *s;
    Section s;
    s.name = oneLine(name);
    s.added = true;
    // Where every line is kept, the empty line after a section is one of its lines.
    if (keepAll) s.lines.emplace_back(Line{QString(), QString(), Raw{}, false, true});
    sections.push_back(std::move(s));
    if (sectionsIndexed) sectionIndex.insert(Name{name}, static_cast<int>(sections.size() - 1));
    return sections.back();
}

IniDocument::Line& IniDocument::lineForWrite(const QString& section, const QString& key)
{
    Section& s = sectionForWrite(section);
    const int found = entryAt(s, key);
    if (found >= 0) return s.lines[static_cast<size_t>(found)];
    // A new key comes after the section's last line, before the empty lines that end
    // it. Only empty and deleted lines are passed, none of them in the index.
    size_t at = s.lines.size();
    while (at > 0 && (!s.lines[at - 1].live || s.lines[at - 1].blank())) --at;
    Line l;
    l.key = oneLine(key);
    if (s.indexed) s.index.insert(Name{key}, static_cast<int>(at));
    return *s.lines.insert(s.lines.begin() + static_cast<qsizetype>(at), std::move(l));
}

const IniDocument::Line* IniDocument::findLine(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    if (!s) return nullptr;
    const int i = entryAt(*s, key);
    return i < 0 ? nullptr : &s->lines[static_cast<size_t>(i)];
}

bool IniDocument::HasSection(const QString& section) const { return findSection(section) != nullptr; }

std::optional<QString> IniDocument::Value(const QString& section, const QString& key) const
{
    const Line* l = findLine(section, key);
    if (!l) return std::nullopt;
    return l->value;
}

QString IniDocument::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const Line* l = findLine(section, key);
    return l ? l->value : def;
}

int32_t IniDocument::ReadInteger(const QString& section, const QString& key, int32_t def) const
{
    const Line* l = findLine(section, key);
    int32_t v = 0;
    if (!l || !ParseIniInteger(l->value, &v)) return def;
    return v;
}

bool IniDocument::ReadBool(const QString& section, const QString& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniDocument::WriteString(const QString& section, const QString& key, const QString& value)
{
    Line& l = lineForWrite(section, key);
    const QString text = oneLine(value);
    if (l.raw.size >= 0 && l.value == text) return; // unchanged: its bytes stay
    l.value = text;
    l.raw = Raw{};
}

void IniDocument::WriteInteger(const QString& section, const QString& key, int32_t value)
{
    // A number already there in another form ("0x20", "+5") is the same number.
    int32_t old = 0;
    const Line* l = findLine(section, key);
    if (l && ParseIniInteger(l->value, &old) && old == value) return;
    WriteString(section, key, QString::number(value));
}

void IniDocument::WriteBool(const QString& section, const QString& key, bool value)
{
    int32_t old = 0;
    const Line* l = findLine(section, key);
    if (l && ParseIniInteger(l->value, &old) && (old != 0) == value) return;
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniDocument::DeleteKey(const QString& section, const QString& key)
{
    Section* s = findSection(section);
    if (!s) return;
    const int first = entryAt(*s, key);
    if (first < 0) return;
    // Every entry of the name goes: a second one left behind would come to count in
    // its place, and a deleted key would seem to come back.
    for (size_t i = static_cast<size_t>(first); i < s->lines.size(); ++i) {
        Line& l = s->lines[i];
        if (l.live && l.entry && sameName(l.key, key)) l.live = false;
    }
    if (s->indexed) s->index.remove(Name{key});
}

void IniDocument::EraseSection(const QString& section)
{
    const int first = sectionAt(section);
    if (first < 0) return;
    // Every section of the name goes, for the same reason as with keys.
    for (size_t i = static_cast<size_t>(first); i < sections.size(); ++i)
        if (sections[i].live && sameName(sections[i].name, section)) sections[i].live = false;
    if (sectionsIndexed) sectionIndex.remove(Name{section});
}

QList<QPair<QString, QString>> IniDocument::Entries(const QString& section) const
{
    QList<QPair<QString, QString>> result;
    const Section* s = findSection(section);
    if (!s) return result;
    result.reserve(static_cast<qsizetype>(s->lines.size()));
    for (const Line& l : s->lines)
        if (l.live && l.entry) result.append({l.key, l.value});
    return result;
}

QStringList IniDocument::SectionNames() const
{
    QStringList names;
    for (const Section& s : sections)
        if (s.live) names.append(s.name);
    return names;
}

IniFileState IniDocumentOf(const FileRead& file, QString readError, IniDocument& doc, IniComments comments)
{
    IniFileState state;
    state.id = file.id;
    if (!readError.isEmpty()) {
        state.trouble = readError;
        return state;
    }
    doc = IniDocument::FromBytes(file.bytes, comments);
    state.read = true;
    state.trouble = doc.DamageReason();
    return state;
}

IniFileState ReadIniDocument(const QString& path, IniDocument& doc, IniComments comments)
{
    FileRead file;
    QString reason;
    if (ReadFileWhole(path, kMaxTextFileBytes, &file, &reason))
        reason.clear();
    else if (reason.isEmpty())
        reason = Reason("ファイルが読み込めません", "the file cannot be read");
    return IniDocumentOf(file, reason, doc, comments);
}

bool ReadIniFile(const QString& path, IniDocument& doc, bool* utf8, IniComments comments)
{
    const IniFileState state = ReadIniDocument(path, doc, comments);
    if (utf8) *utf8 = doc.IsUtf8();
    return state.read;
}

bool ReadIniFileForSave(const QString& path, IniDocument& doc, IniComments comments)
{
    const IniFileState state = ReadIniDocument(path, doc, comments);
    return state.read && state.trouble.isEmpty();
}

namespace {
// A fresh user's data and settings folders may not exist yet.
bool makeFolderOf(const QString& path, QString* reason)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder)) return true;
    if (reason) *reason = Reason("フォルダが作れません", "its folder cannot be made");
    return false;
}
} // namespace

bool WriteIniFile(const QString& path, const IniDocument& doc, QString* reason)
{
    return makeFolderOf(path, reason) && SaveFileWhole(path, doc.ToBytes(), reason);
}

bool UpdateIniFile(const QString& path, IniComments comments, const IniChange& change, QString* reason, FileId* written)
{
    if (!makeFolderOf(path, reason)) return false;
    return UpdateFileWhole(
        path, kMaxTextFileBytes,
        [&](const FileRead& now, QByteArray* bytes, QString* why) {
            IniDocument doc;
            const IniFileState state = IniDocumentOf(now, QString(), doc, comments);
            if (!state.trouble.isEmpty()) {
                if (why) *why = state.trouble;
                return false;
            }
            if (!change(doc, state, why)) return false;
            *bytes = doc.ToBytes();
            return true;
        },
        reason, written);
}
