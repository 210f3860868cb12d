#pragma once
// Code page 932 (Windows Shift-JIS) text, the encoding of every file the program keeps.
//
// Bytes that are not valid code page 932 are never dropped: each one decodes to a
// private-use character U+F700 + byte (shown as a box), counted in *invalid, and
// encodes back to the same byte, so a damaged file is saved as it was read.
#include <QByteArray>
#include <QByteArrayView>
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
    bool utf8 = false;        // the text was read as UTF-8
    bool utf16 = false;       // the text was read as UTF-16
    bool bigEndian = false;   // UTF-16, big-endian
    bool mark = false;        // the file had a byte-order mark (UTF-8, or UTF-16's)
    bool windows1252 = false; // read as Windows-1252 (DecodeForeignText only)
    int invalid = 0;          // bytes (UTF-16: code units) that were not valid in the file's encoding
};
DecodedText DecodeFileText(const QByteArray& bytes);
QByteArray EncodeFileText(const QString& text, bool forceUtf8 = false);
// UTF-16 with its byte-order mark first, in the byte order asked for.
QByteArray EncodeUtf16(const QString& text, bool bigEndian);
// Text in the encoding a file was read in (DecodeFileText), for text added to that file: no
// mark, as it goes after what is there. Code page 932 text that cannot hold it gives nothing
// and *ok false.
QByteArray EncodeLike(const DecodedText& file, const QString& text, bool* ok = nullptr);

// Text that other programs wrote (cue sheets, LRC and lyrics files): besides UTF-8 and code
// page 932, older Western tools write Windows-1252. Bytes without a byte-order mark are
// UTF-8 when they are valid UTF-8 and not all ASCII; else code page 932 when they read as
// plausible Japanese text; else Windows-1252, whose accented letters sit inside Latin
// words where code page 932 would see rare kanji, lone half-width katakana or bytes that
// are not code page 932 at all. Plain ASCII is code page 932 (the same text either way).
enum class ForeignEncoding { Cp932, Utf8, Windows1252 };
ForeignEncoding GuessForeignEncoding(QByteArrayView bytes);
QString DecodeAs(ForeignEncoding encoding, QByteArrayView bytes, int* invalid = nullptr);
QString DecodeWindows1252(QByteArrayView bytes);
// A whole file of such text: UTF-16 or UTF-8 by its byte-order mark, else as guessed.
DecodedText DecodeForeignText(const QByteArray& bytes);
