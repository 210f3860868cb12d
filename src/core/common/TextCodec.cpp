#include "TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <memory>
#include <vector>

namespace {

constexpr char16_t kEscapeBase = 0xF700; // private-use area not used by code page 932

class Converter {
public:
    Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd != reinterpret_cast<iconv_t>(-1); }
    void reset() { iconv(cd, nullptr, nullptr, nullptr, nullptr); }
    size_t run(char** in, size_t* inLeft, char** out, size_t* outLeft) { return iconv(cd, in, inLeft, out, outLeft); }

private:
    iconv_t cd;
};

// Code page 932 to and from UCS-4 in host order ("WCHAR_T"): one conversion step in
// glibc, about twice as fast as going through UTF-16.
bool isTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

Converter& decoder()
{
    thread_local Converter c("WCHAR_T", "CP932");
    return c;
}

Converter& encoder()
{
    thread_local Converter c("CP932", "WCHAR_T");
    return c;
}

} // namespace

namespace Cp932 {

QString Decode(const QByteArray& bytes, int* invalid)
{
    static_assert(sizeof(wchar_t) == 4, "WCHAR_T is UCS-4 here");
    int bad = 0;
    // One byte never gives more than one UTF-16 unit: code page 932 has nothing beyond
    // the basic plane, and an invalid byte becomes one escape character.
    QString result(bytes.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(result.data());
    char16_t* const begin = dst;
    Converter& conv = decoder();
    conv.reset();
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    // A small stretch at a time, in a buffer that is written before it is read (no need
    // to clear it first).
    const size_t chunk = std::min<size_t>(inLeft, 4096) + 16;
    const auto buffer = std::make_unique_for_overwrite<char32_t[]>(chunk);
    while (inLeft > 0) {
        char* out = reinterpret_cast<char*>(buffer.get());
        size_t outLeft = chunk * sizeof(char32_t);
        const size_t r = conv.run(&in, &inLeft, &out, &outLeft);
        const size_t produced = chunk - outLeft / sizeof(char32_t);
        for (size_t i = 0; i < produced; ++i) *dst++ = static_cast<char16_t>(buffer[i]);
        if (r == static_cast<size_t>(-1) && (errno == EILSEQ || errno == EINVAL)) {
            // Keep the offending byte as an escape and go on after it. A lead byte whose
            // second byte is in the second-byte range is an unassigned pair: both bytes
            // are kept, so that the escaped lead byte never pairs up with the character
            // after it when the text is written back and read again.
            const unsigned char lead = static_cast<unsigned char>(*in);
            const bool leadByte = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
            const size_t take = leadByte && inLeft >= 2 && isTrailByte(static_cast<unsigned char>(in[1])) ? 2 : 1;
            for (size_t i = 0; i < take; ++i) *dst++ = char16_t(kEscapeBase + static_cast<unsigned char>(in[i]));
            in += take;
            inLeft -= take;
            bad += static_cast<int>(take);
            conv.reset();
        } else if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            break;
        }
    }
    result.truncate(dst - begin);
    if (invalid) *invalid = bad;
    return result;
}

QByteArray Encode(const QString& text, bool* ok)
{
    bool allOk = true;
    // Whole characters; a lone surrogate stays a value of its own, which no code page
    // 932 character has.
    std::vector<char32_t> ucs;
    ucs.reserve(static_cast<size_t>(text.size()));
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = p + text.size();
    while (p < end) {
        const char16_t c = *p++;
        if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p))
            ucs.push_back(QChar::surrogateToUcs4(c, *p++));
        else
            ucs.push_back(c);
    }
    QByteArray result(static_cast<qsizetype>(ucs.size() * 2), Qt::Uninitialized);
    Converter& conv = encoder();
    conv.reset();
    char* in = reinterpret_cast<char*>(ucs.data());
    size_t inLeft = ucs.size() * sizeof(char32_t);
    char* out = result.data();
    size_t outLeft = static_cast<size_t>(result.size());
    while (inLeft > 0) {
        const size_t r = conv.run(&in, &inLeft, &out, &outLeft);
        if (r == static_cast<size_t>(-1) && (errno == EILSEQ || errno == EINVAL)) {
            const char32_t c = *reinterpret_cast<const char32_t*>(in);
            if (c >= kEscapeBase && c <= kEscapeBase + 0xFF) {
                *out++ = static_cast<char>(c - kEscapeBase);
            } else {
                *out++ = '?';
                allOk = false;
            }
            --outLeft;
            in += sizeof(char32_t);
            inLeft -= sizeof(char32_t);
            conv.reset();
        } else if (r == static_cast<size_t>(-1)) {
            allOk = false;
            break;
        }
    }
    result.truncate(out - result.data());
    if (ok) *ok = allOk;
    return result;
}

bool CanEncode(const QString& text)
{
    bool ok = true;
    Encode(text, &ok);
    return ok;
}

int ByteLength(const QString& text) { return static_cast<int>(Encode(text).size()); }

} // namespace Cp932

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool ValidUtf8(const QByteArray& bytes, bool* ascii)
{
    *ascii = true;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned char b = *p++;
        if (b < 0x80) continue;
        *ascii = false;
        int more = 0;
        char32_t c = 0, min = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1, c = b & 0x1F, min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2, c = b & 0x0F, min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3, c = b & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (end - p < more) return false;
        for (int i = 0; i < more; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            c = (c << 6) | (p[i] & 0x3F);
        }
        p += more;
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    }
    return true;
}

namespace {
// UTF-16 of the given byte order; a lone surrogate or an odd last byte is invalid (and read
// as U+FFFD).
void decodeUtf16(const QByteArray& bytes, bool bigEndian, DecodedText* d)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype units = bytes.size() / 2;
    const auto unit = [&](qsizetype i) {
        return bigEndian ? char16_t(p[2 * i] << 8 | p[2 * i + 1]) : char16_t(p[2 * i + 1] << 8 | p[2 * i]);
    };
    d->text.reserve(units);
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t c = unit(i);
        if (QChar::isHighSurrogate(c) && i + 1 < units && QChar::isLowSurrogate(unit(i + 1))) {
            d->text += QChar(c);
            d->text += QChar(unit(++i));
        } else if (QChar::isSurrogate(c)) {
            d->text += QChar::ReplacementCharacter;
            ++d->invalid;
        } else {
            d->text += QChar(c);
        }
    }
    if (bytes.size() % 2 != 0) {
        d->text += QChar::ReplacementCharacter;
        ++d->invalid;
    }
}
} // namespace

DecodedText DecodeFileText(const QByteArray& bytes)
{
    DecodedText d;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        d.utf16 = d.mark = true;
        d.bigEndian = bytes.startsWith("\xFE\xFF");
        decodeUtf16(bytes.mid(2), d.bigEndian, &d);
        return d;
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        d.utf8 = d.mark = true;
        const QByteArray body = bytes.mid(3);
        d.text = QString::fromUtf8(body);
        // Count what UTF-8 could not read, so the caller can warn.
        d.invalid = static_cast<int>(d.text.count(QChar::ReplacementCharacter) - body.count("\xEF\xBF\xBD"));
        return d;
    }
    // Linux editors save UTF-8 without a mark. Bytes that are valid UTF-8 with some
    // non-ASCII in them are next to never code page 932 text (its double-byte codes would
    // have to fall into UTF-8's strict sequences throughout); pure ASCII is the same text
    // either way and stays code page 932.
    bool ascii = true;
    if (ValidUtf8(bytes, &ascii) && !ascii) {
        d.utf8 = true;
        d.text = QString::fromUtf8(bytes);
        return d;
    }
    d.text = Cp932::Decode(bytes, &d.invalid);
    return d;
}

QByteArray EncodeFileText(const QString& text, bool forceUtf8)
{
    if (!forceUtf8) {
        bool ok = true;
        QByteArray bytes = Cp932::Encode(text, &ok);
        // Bytes that are also valid UTF-8 would read back as UTF-8, another text.
        bool ascii = true;
        if (ok && (!ValidUtf8(bytes, &ascii) || ascii)) return bytes;
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray EncodeUtf16(const QString& text, bool bigEndian)
{
    QByteArray out;
    out.reserve(2 + 2 * text.size());
    out += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

QByteArray EncodeLike(const DecodedText& file, const QString& text, bool* ok)
{
    if (ok) *ok = true;
    if (file.utf16) return EncodeUtf16(text, file.bigEndian).sliced(2);
    if (file.utf8) return text.toUtf8();
    bool encoded = true;
    const QByteArray bytes = Cp932::Encode(text, &encoded);
    if (ok) *ok = encoded;
    return encoded ? bytes : QByteArray();
}

namespace {
// Windows-1252's 0x80-0x9F; the five bytes it leaves unassigned map to the C1 controls,
// as Windows itself reads them.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isAsciiLetter(int b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }
bool isHalfWidthKana(int b) { return b >= 0xA1 && b <= 0xDF; }
bool isCp932Lead(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
// A letter in Windows-1252 (accented Latin, Š, Œ, Ž, Ÿ and their small forms).
bool isCp1252Letter(int b)
{
    return (b >= 0xC0 && b != 0xD7 && b != 0xF7) || b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9A || b == 0x9C ||
           b == 0x9E || b == 0x9F;
}
} // namespace

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
    }
    return text;
}

ForeignEncoding GuessForeignEncoding(QByteArrayView bytes)
{
    bool ascii = true;
    if (ValidUtf8(bytes.toByteArray(), &ascii)) return ascii ? ForeignEncoding::Cp932 : ForeignEncoding::Utf8;
    // How much each reading looks like text: kana and full-width forms are Japanese; rare
    // kanji, user-defined characters, lone half-width katakana and bytes that do not decode
    // are not. An accented letter beside a Latin letter is Western.
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    const auto at = [&](qsizetype i) { return i >= 0 && i < n ? int(p[i]) : 0; };
    int japanese = 0, western = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const int b = p[i];
        if (b < 0x80) continue;
        // The five bytes Windows-1252 leaves unassigned are no Windows-1252 text.
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) return ForeignEncoding::Cp932;
        if (isCp1252Letter(b) && (isAsciiLetter(at(i - 1)) || isAsciiLetter(at(i + 1)))) western += 2;
        if (b == 0x92 && isAsciiLetter(at(i - 1)) && isAsciiLetter(at(i + 1))) western += 2; // don’t
    }
    for (qsizetype i = 0; i < n; ++i) {
        const int b = p[i];
        if (b < 0x80) continue;
        if (isHalfWidthKana(b)) {
            const bool run = isHalfWidthKana(at(i - 1)) || isHalfWidthKana(at(i + 1));
            japanese += run ? 1 : -1;
            continue;
        }
        const int trail = at(i + 1);
        if (!isCp932Lead(b) || !isTrailByte(static_cast<unsigned char>(trail))) continue; // counted as invalid below
        if (b <= 0x84)
            japanese += 2; // symbols, full-width letters, kana
        else if (b >= 0x88 && b <= 0x9F)
            japanese += isAsciiLetter(at(i - 1)) && isAsciiLetter(trail) ? 0 : 1; // common kanji, not inside a word
        else if (b >= 0xF0 && b <= 0xF9)
            japanese -= 3; // user-defined characters
        else if (b >= 0xE0)
            japanese -= 1; // rare kanji and vendor extensions
        ++i;
    }
    int invalid = 0;
    Cp932::Decode(bytes.toByteArray(), &invalid);
    japanese -= 3 * invalid;
    return western > japanese ? ForeignEncoding::Windows1252 : ForeignEncoding::Cp932;
}

QString DecodeAs(ForeignEncoding encoding, QByteArrayView bytes, int* invalid)
{
    if (invalid) *invalid = 0;
    switch (encoding) {
    case ForeignEncoding::Utf8: {
        const QString text = QString::fromUtf8(bytes);
        if (invalid)
            *invalid = static_cast<int>(text.count(QChar::ReplacementCharacter) -
                                        QByteArrayView(bytes).count(QByteArrayView("\xEF\xBF\xBD")));
        return text;
    }
    case ForeignEncoding::Windows1252: return DecodeWindows1252(bytes);
    case ForeignEncoding::Cp932: break;
    }
    return Cp932::Decode(bytes.toByteArray(), invalid);
}

DecodedText DecodeForeignText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xEF\xBB\xBF"))
        return DecodeFileText(bytes);
    DecodedText d;
    const ForeignEncoding encoding = GuessForeignEncoding(bytes);
    d.utf8 = encoding == ForeignEncoding::Utf8;
    d.windows1252 = encoding == ForeignEncoding::Windows1252;
    d.text = DecodeAs(encoding, bytes, &d.invalid);
    return d;
}
