#pragma once
// Code page 932 (Windows Shift-JIS) text, the encoding of every file the program keeps.
//
// Bytes that are not valid code page 932 are never dropped: each one decodes to a
// private-use character U+F700 + byte (shown as a box), counted in *invalid, and
// encodes back to the same byte, so a damaged file is saved as it was read.
#include <QByteArray>
#include <QString>

namespace Cp932 {

QString Decode(const QByteArray& bytes, int* invalid = nullptr);
// Encodes text; *ok is false when some character has no code page 932 form
// (it is then written as "?", so callers that must not lose text check ok).
QByteArray Encode(const QString& text, bool* ok = nullptr);
bool CanEncode(const QString& text);

// Length in bytes of the code page 932 form (a double-byte character counts 2).
int ByteLength(const QString& text);

} // namespace Cp932

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. *ascii tells
// that every byte was below 0x80.
bool ValidUtf8(const QByteArray& bytes, bool* ascii);

// Whole text files: UTF-16 (little- or big-endian) when the file starts with its byte-order
// mark, as Windows editors save "Unicode" text; UTF-8 when the file starts with a
// byte-order mark, or when its bytes are valid UTF-8 and not all ASCII (as Linux editors
// save); else code page 932. A text that code page 932 cannot hold is written as UTF-8 with
// the mark, so it is not lost.
struct DecodedText {
    QString text;
    bool utf8 = false;      // the text was read as UTF-8
    bool utf16 = false;     // the text was read as UTF-16
    bool bigEndian = false; // UTF-16, big-endian
    bool mark = false;      // the file had a byte-order mark (UTF-8, or UTF-16's)
    int invalid = 0;        // bytes (UTF-16: code units) that were not valid in the file's encoding
};
DecodedText DecodeFileText(const QByteArray& bytes);
QByteArray EncodeFileText(const QString& text, bool forceUtf8 = false);
// UTF-16 with its byte-order mark first, in the byte order asked for.
QByteArray EncodeUtf16(const QString& text, bool bigEndian);
// Text in the encoding a file was read in (DecodeFileText), for text added to that file: no
// mark, as it goes after what is there. Code page 932 text that cannot hold it gives nothing
// and *ok false.
QByteArray EncodeLike(const DecodedText& file, const QString& text, bool* ok = nullptr);
