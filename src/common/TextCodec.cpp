#include "TextCodec.h"

#include <cerrno>
#include <iconv.h>

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
    size_t run(char** in, size_t* inLeft, char** out, size_t* outLeft)
    {
        return iconv(cd, in, inLeft, out, outLeft);
    }

private:
    iconv_t cd;
};

Converter& decoder()
{
    thread_local Converter c("UTF-16LE", "CP932");
    return c;
}

Converter& encoder()
{
    thread_local Converter c("CP932", "UTF-16LE");
    return c;
}

} // namespace

namespace Cp932 {

QString Decode(const QByteArray& bytes, int* invalid)
{
    int bad = 0;
    QString result;
    result.reserve(bytes.size());
    Converter& conv = decoder();
    conv.reset();
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    QByteArray buffer(static_cast<qsizetype>(inLeft * 2 + 16), Qt::Uninitialized);
    while (inLeft > 0) {
        char* out = buffer.data();
        size_t outLeft = static_cast<size_t>(buffer.size());
        const size_t r = conv.run(&in, &inLeft, &out, &outLeft);
        const qsizetype produced = buffer.size() - static_cast<qsizetype>(outLeft);
        result.append(reinterpret_cast<const QChar*>(buffer.constData()), produced / 2);
        if (r == static_cast<size_t>(-1) && (errno == EILSEQ || errno == EINVAL)) {
            // Keep the offending byte as an escape and go on after it.
            result.append(QChar(char16_t(kEscapeBase + static_cast<unsigned char>(*in))));
            ++in;
            --inLeft;
            ++bad;
            conv.reset();
        } else if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            break;
        }
    }
    if (invalid) *invalid = bad;
    return result;
}

QByteArray Encode(const QString& text, bool* ok)
{
    bool allOk = true;
    QByteArray result;
    result.reserve(text.size() * 2);
    Converter& conv = encoder();
    conv.reset();
    char* in = reinterpret_cast<char*>(const_cast<QChar*>(text.constData()));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    QByteArray buffer(static_cast<qsizetype>(inLeft + 16), Qt::Uninitialized);
    while (inLeft > 0) {
        char* out = buffer.data();
        size_t outLeft = static_cast<size_t>(buffer.size());
        const size_t r = conv.run(&in, &inLeft, &out, &outLeft);
        result.append(buffer.constData(), buffer.size() - static_cast<qsizetype>(outLeft));
        if (r == static_cast<size_t>(-1) && (errno == EILSEQ || errno == EINVAL)) {
            const char16_t c = *reinterpret_cast<const char16_t*>(in);
            size_t skip = 2;
            if (c >= kEscapeBase && c <= kEscapeBase + 0xFF) {
                result.append(static_cast<char>(c - kEscapeBase));
            } else {
                if (QChar::isHighSurrogate(c) && inLeft >= 4) skip = 4;
                result.append('?');
                allOk = false;
            }
            in += skip;
            inLeft = inLeft >= skip ? inLeft - skip : 0;
            conv.reset();
        } else if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            allOk = false;
            break;
        }
    }
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

DecodedText DecodeFileText(const QByteArray& bytes)
{
    DecodedText d;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        d.utf8 = true;
        const QByteArray body = bytes.mid(3);
        d.text = QString::fromUtf8(body);
        // Count what UTF-8 could not read, so the caller can warn.
        d.invalid = static_cast<int>(d.text.count(QChar::ReplacementCharacter) -
                                     body.count("\xEF\xBF\xBD"));
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
        if (ok) return bytes;
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}
