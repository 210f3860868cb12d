#include <gtest/gtest.h>

#include "core/common/TextCodec.h"
#include "core/settings/IniDocument.h"

namespace {
QByteArray bytes(std::initializer_list<int> b)
{
    QByteArray a;
    for (int c : b) a.append(static_cast<char>(c));
    return a;
}
} // namespace

TEST(Cp932, EveryValidCharacterRoundTrips)
{
    // Every double-byte code that decodes to a character. Code page 932 maps a few
    // hundred codes (NEC-selected IBM extensions, a few NEC row 13 signs) to characters
    // that also have a preferred code; those encode to the preferred code, as Windows does.
    int checked = 0, duplicates = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead <= 0xDF) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const QByteArray b = bytes({lead, trail});
            int invalid = 0;
            const QString s = Cp932::Decode(b, &invalid);
            if (invalid) continue; // unassigned code
            ASSERT_EQ(s.size(), 1) << std::hex << lead << trail;
            bool ok = false;
            const QByteArray back = Cp932::Encode(s, &ok);
            EXPECT_TRUE(ok);
            EXPECT_EQ(Cp932::Decode(back), s) << std::hex << lead << " " << trail;
            if (back != b) ++duplicates;
            ++checked;
        }
    }
    EXPECT_GT(checked, 7000); // JIS X 0208 plus the NEC and IBM extensions
    EXPECT_LT(duplicates, 400);
    for (int c = 0; c < 0x80; ++c) EXPECT_EQ(Cp932::Encode(Cp932::Decode(bytes({c}))), bytes({c}));
    for (int c = 0xA1; c <= 0xDF; ++c) // half-width katakana
        EXPECT_EQ(Cp932::Encode(Cp932::Decode(bytes({c}))), bytes({c}));
}

TEST(Cp932, KeepsTheWindowsMappingsThatShiftJisLacks)
{
    EXPECT_EQ(Cp932::Decode("\\~"), QStringLiteral("\\~"));              // not yen and overline
    EXPECT_EQ(Cp932::Decode(bytes({0x81, 0x60})), QStringLiteral("～")); // U+FF5E
    EXPECT_EQ(Cp932::Decode(bytes({0x87, 0x40})), QStringLiteral("①"));  // NEC special
    EXPECT_EQ(Cp932::Decode(bytes({0xFA, 0x40})), QStringLiteral("ⅰ"));  // IBM extension
    EXPECT_EQ(Cp932::Encode(QStringLiteral("ⅰ")), bytes({0xFA, 0x40}));
}

TEST(Cp932, SecondBytesEqualToBackslashStayInsideTheirCharacter)
{
    const QString s = QStringLiteral("ソ表能\\");
    const QByteArray b = Cp932::Encode(s);
    EXPECT_EQ(b, bytes({0x83, 0x5C, 0x95, 0x5C, 0x94, 0x5C, 0x5C}));
    EXPECT_EQ(Cp932::Decode(b), s);
    EXPECT_EQ(Cp932::ByteLength(s), 7);
}

TEST(Cp932, InvalidBytesAreVisibleCountedAndWrittenBack)
{
    // A lone lead byte, an unassigned pair and a cut-off lead byte at the end.
    const QByteArray damaged = bytes({'A', 0x81, 0x20, 'B', 0x85, 0x40, 0x82});
    int invalid = 0;
    const QString s = Cp932::Decode(damaged, &invalid);
    EXPECT_GE(invalid, 3);
    EXPECT_TRUE(s.startsWith(QLatin1Char('A')));
    EXPECT_TRUE(s.contains(QLatin1Char('B')));
    bool ok = false;
    EXPECT_EQ(Cp932::Encode(s, &ok), damaged);
    EXPECT_TRUE(ok);
}

TEST(Cp932, TextItCannotHoldIsReported)
{
    bool ok = true;
    const QByteArray b = Cp932::Encode(QStringLiteral("a한b😀c"), &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(b, QByteArray("a?b?c"));
    EXPECT_FALSE(Cp932::CanEncode(QStringLiteral("한")));
    EXPECT_TRUE(Cp932::CanEncode(QStringLiteral("歌詞 ｶﾅ")));
}

TEST(FileText, FallsBackToUtf8WithAMarkOnlyWhenNeeded)
{
    EXPECT_EQ(EncodeFileText(QStringLiteral("歌")), bytes({0x89, 0xCC}));
    const QString korean = QStringLiteral("가사 and 歌詞");
    const QByteArray utf8 = EncodeFileText(korean);
    EXPECT_TRUE(utf8.startsWith("\xEF\xBB\xBF"));
    const DecodedText back = DecodeFileText(utf8);
    EXPECT_TRUE(back.utf8);
    EXPECT_EQ(back.text, korean);
    EXPECT_EQ(back.invalid, 0);

    const DecodedText plain = DecodeFileText(bytes({0x89, 0xCC, 0x8E, 0x8C}));
    EXPECT_FALSE(plain.utf8);
    EXPECT_EQ(plain.text, QStringLiteral("歌詞"));

    const DecodedText bad = DecodeFileText(QByteArray("\xEF\xBB\xBFok\xFF"));
    EXPECT_EQ(bad.invalid, 1);

    // Half-width katakana whose code page 932 bytes are also valid UTF-8 ("ﾃｽ" is C3 BD,
    // UTF-8's "ý"): written so, the text would come back as another; it goes as UTF-8.
    const QString kana = QStringLiteral("ﾃｽ ﾃｽ");
    const QByteArray written = EncodeFileText(kana);
    EXPECT_TRUE(written.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(DecodeFileText(written).text, kana);
    IniDocument doc = IniDocument::Parse(QStringLiteral("[Title]\r\n01=ﾃｽ\r\n"));
    EXPECT_EQ(IniDocument::FromBytes(doc.ToBytes()).Value(QStringLiteral("Title"), QStringLiteral("01")),
              QStringLiteral("ﾃｽ"));
}

TEST(ForeignText, Windows1252IsToldFromCodePage932AndUtf8)
{
    // Older Western rippers and editors write Windows-1252; Japanese ones code page 932,
    // whose double-byte codes the Western bytes often happen to form as well.
    const auto latin1252 = [](const QString& text) {
        QByteArray b;
        for (QChar c : text) {
            const char16_t u = c.unicode();
            b += u == u'’' ? '\x92' : u == u'“' ? '\x93' : u == u'”' ? '\x94' : static_cast<char>(u);
        }
        return b;
    };
    const QString western[] = {
        QStringLiteral("TITLE \"Café Noir\""),
        QStringLiteral("Déjà vu"),
        QStringLiteral("Crème Brûlée"),
        QStringLiteral("Don’t stop"),
        QStringLiteral("ÉTÉ"),
        QStringLiteral("Señor “Niño”"),
        QStringLiteral("Grüße"),
        QStringLiteral("£5 at 25°"),
        QStringLiteral("naïve Ça"),
    };
    for (const QString& text : western) {
        const QByteArray b = latin1252(text);
        EXPECT_EQ(GuessForeignEncoding(b), ForeignEncoding::Windows1252) << text.toStdString();
        const DecodedText d = DecodeForeignText(b);
        EXPECT_TRUE(d.windows1252);
        EXPECT_EQ(d.text, text);
    }
    // Japanese text stays code page 932: kana, kanji alone, half-width katakana, full-width
    // symbols, and a file with a damaged byte among its kana.
    const QString japanese[] = {QStringLiteral("月光"), QStringLiteral("夜明けの歌"), QStringLiteral("ﾐﾚﾙｰﾝ ｶﾗｵｹ"),
                                QStringLiteral("二行目 ～ ①"), QStringLiteral("CD盤 Vol.2")};
    for (const QString& text : japanese) {
        EXPECT_EQ(GuessForeignEncoding(Cp932::Encode(text)), ForeignEncoding::Cp932) << text.toStdString();
        const DecodedText d = DecodeForeignText(Cp932::Encode(text));
        EXPECT_FALSE(d.windows1252 || d.utf8);
        EXPECT_EQ(d.text, text);
    }
    const DecodedText damaged = DecodeForeignText(Cp932::Encode(QStringLiteral("さくら さくら")) + "\xFF");
    EXPECT_FALSE(damaged.windows1252);
    EXPECT_EQ(damaged.invalid, 1);
    EXPECT_EQ(GuessForeignEncoding(QStringLiteral("Café").toUtf8()), ForeignEncoding::Utf8);
    EXPECT_EQ(GuessForeignEncoding("plain"), ForeignEncoding::Cp932);
    // Marks decide before any guess; the bytes Windows-1252 leaves unassigned are its own.
    EXPECT_EQ(DecodeForeignText("\xEF\xBB\xBF" + QStringLiteral("é").toUtf8()).text, QStringLiteral("é"));
    EXPECT_EQ(DecodeWindows1252("\x80\x81\x9F\xFF"), QStringLiteral("€\u0081Ÿÿ"));
}
