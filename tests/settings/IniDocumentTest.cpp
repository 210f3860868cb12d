// The INI engine under the settings file and the data files.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileDevice>
#include <QTemporaryDir>

#include "core/settings/IniDocument.h"

namespace {

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

TEST(IniDocument, ReadingRules)
{
    const IniDocument doc = IniDocument::Parse(
        u"before=the first section\r\n"
        u"  [ Sec ]  \r\n"
        u"; comment\n"
        u"\tKey  =  spaced value \t\r"
        u"Empty=\n"
        u"NoEquals line\r\n"
        u"key=second of the same name\r\n"
        u"a=b=c\r\n"
        u"[sec]\r\nKey=in a second section of the same name\r\n"
        u"[Other] ; text after the bracket is a comment\r\nWide=\u3000全角\u3000\r\n");
    EXPECT_EQ(doc.SectionNames(), QStringList({QStringLiteral("Sec"), QStringLiteral("sec"), QStringLiteral("Other")}));
    EXPECT_EQ(doc.Value(QStringLiteral("SEC"), QStringLiteral("kEY")), QStringLiteral("spaced value"));
    EXPECT_EQ(doc.Value(QStringLiteral("sec"), QStringLiteral("a")), QStringLiteral("b=c"));
    EXPECT_EQ(doc.ReadString(QStringLiteral("sec"), QStringLiteral("Empty"), QStringLiteral("def")), QString());
    EXPECT_EQ(doc.ReadString(QStringLiteral("sec"), QStringLiteral("Absent"), QStringLiteral("def")),
              QStringLiteral("def"));
    EXPECT_FALSE(doc.Value(QStringLiteral("sec"), QStringLiteral("NoEquals line")).has_value());
    EXPECT_FALSE(doc.Value(QStringLiteral("sec"), QStringLiteral("before")).has_value());
    // Only spaces and control characters are blanks.
    EXPECT_EQ(doc.Value(QStringLiteral("other"), QStringLiteral("wide")), QStringLiteral("\u3000全角\u3000"));
    EXPECT_EQ(doc.ToText(), QStringLiteral("[Sec]\r\nKey=spaced value\r\nEmpty=\r\nNoEquals line\r\n"
                                           "key=second of the same name\r\na=b=c\r\n\r\n"
                                           "[sec]\r\nKey=in a second section of the same name\r\n\r\n"
                                           "[Other]\r\nWide=\u3000全角\u3000\r\n\r\n"));
}

TEST(IniDocument, WritingKeepsOrder)
{
    IniDocument doc = IniDocument::Parse(u"[A]\r\nx=1\r\ny=2\r\nx=dup\r\n[B]\r\nz=3\r\n");
    doc.WriteString(QStringLiteral("a"), QStringLiteral("X"), QStringLiteral("changed"));
    doc.WriteString(QStringLiteral("A"), QStringLiteral("new"), QStringLiteral("last"));
    doc.WriteInteger(QStringLiteral("C"), QStringLiteral("n"), -5);
    doc.WriteBool(QStringLiteral("C"), QStringLiteral("b"), true);
    EXPECT_EQ(doc.ToText(), QStringLiteral("[A]\r\nx=changed\r\ny=2\r\nx=dup\r\nnew=last\r\n\r\n"
                                           "[B]\r\nz=3\r\n\r\n[C]\r\nn=-5\r\nb=1\r\n\r\n"));
    // A deleted key is gone, with any second entry of its name.
    doc.DeleteKey(QStringLiteral("A"), QStringLiteral("x"));
    EXPECT_FALSE(doc.Value(QStringLiteral("A"), QStringLiteral("x")).has_value());
    EXPECT_FALSE(doc.ToText().contains(QStringLiteral("dup")));
    doc.DeleteKey(QStringLiteral("Nowhere"), QStringLiteral("x"));
    // An erased section written again comes last; a second section of the name goes too.
    doc = IniDocument::Parse(doc.ToText() + QStringLiteral("[a]\r\nhidden=1\r\n"));
    doc.EraseSection(QStringLiteral("a"));
    EXPECT_FALSE(doc.ToText().contains(QStringLiteral("hidden")));
    EXPECT_FALSE(doc.HasSection(QStringLiteral("A")));
    doc.WriteString(QStringLiteral("A"), QStringLiteral("y"), QStringLiteral("again"));
    EXPECT_EQ(doc.ToText(), QStringLiteral("[B]\r\nz=3\r\n\r\n[C]\r\nn=-5\r\nb=1\r\n\r\n[A]\r\ny=again\r\n\r\n"));
    EXPECT_EQ(doc.Entries(QStringLiteral("c")),
              (QList<QPair<QString, QString>>{{QStringLiteral("n"), QStringLiteral("-5")},
                                              {QStringLiteral("b"), QStringLiteral("1")}}));
}

// Large sections and files are looked up through an index; the first match must still
// count there, for reading, writing and deleting alike.
TEST(IniDocument, FirstMatchCountsInLargeFiles)
{
    QString text = QStringLiteral("[Big]\r\n");
    for (int i = 0; i < 40; ++i) text += QStringLiteral("k%1=%1\r\n").arg(i);
    text += QStringLiteral("K7=second\r\n");
    for (int i = 0; i < 40; ++i) text += QStringLiteral("[S%1]\r\nv=%1\r\n").arg(i);
    text += QStringLiteral("[s7]\r\nv=second section\r\nonly=here\r\n");
    IniDocument doc = IniDocument::Parse(text);
    EXPECT_EQ(doc.Value(QStringLiteral("big"), QStringLiteral("k7")), QStringLiteral("7"));
    EXPECT_EQ(doc.Value(QStringLiteral("S7"), QStringLiteral("v")), QStringLiteral("7"));
    EXPECT_FALSE(doc.Value(QStringLiteral("S7"), QStringLiteral("only")).has_value());

    // A write changes the first entry and leaves the second where it is.
    doc.WriteString(QStringLiteral("Big"), QStringLiteral("K7"), QStringLiteral("changed"));
    doc.WriteString(QStringLiteral("s7"), QStringLiteral("v"), QStringLiteral("changed"));
    EXPECT_EQ(doc.Value(QStringLiteral("Big"), QStringLiteral("k7")), QStringLiteral("changed"));
    EXPECT_EQ(doc.Value(QStringLiteral("S7"), QStringLiteral("v")), QStringLiteral("changed"));
    EXPECT_TRUE(doc.ToText().contains(QStringLiteral("k7=changed\r\nk8=8\r\n")));
    EXPECT_TRUE(doc.ToText().contains(QStringLiteral("[S7]\r\nv=changed\r\n")));
    EXPECT_TRUE(doc.ToText().contains(QStringLiteral("K7=second\r\n")));
    EXPECT_TRUE(doc.ToText().contains(QStringLiteral("v=second section\r\n")));

    // Deleting takes every entry or section of the name, and the name stays free.
    doc.DeleteKey(QStringLiteral("BIG"), QStringLiteral("k7"));
    EXPECT_FALSE(doc.Value(QStringLiteral("Big"), QStringLiteral("k7")).has_value());
    EXPECT_FALSE(doc.ToText().contains(QStringLiteral("second\r\n[S0]")));
    doc.EraseSection(QStringLiteral("S7"));
    EXPECT_FALSE(doc.HasSection(QStringLiteral("s7")));
    EXPECT_FALSE(doc.ToText().contains(QStringLiteral("second section")));
    doc.WriteString(QStringLiteral("Big"), QStringLiteral("k7"), QStringLiteral("new"));
    doc.WriteString(QStringLiteral("S7"), QStringLiteral("v"), QStringLiteral("new"));
    EXPECT_EQ(doc.Value(QStringLiteral("big"), QStringLiteral("K7")), QStringLiteral("new"));
    EXPECT_EQ(doc.Value(QStringLiteral("s7"), QStringLiteral("V")), QStringLiteral("new"));
    EXPECT_TRUE(doc.ToText().endsWith(QStringLiteral("[S7]\r\nv=new\r\n\r\n")));
}

TEST(IniDocument, CommentsKeptOnlyWhenAsked)
{
    const QString text = QStringLiteral("; head\r\nstray\r\n[S]\r\n;x=1\r\nk=v\r\n\r\n; tail\r\n");
    EXPECT_EQ(IniDocument::Parse(text).ToText(), QStringLiteral("[S]\r\nk=v\r\n\r\n"));
    IniDocument kept = IniDocument::Parse(text, IniComments::Keep);
    EXPECT_FALSE(kept.Value(QStringLiteral("S"), QStringLiteral(";x")).has_value());
    kept.WriteString(QStringLiteral("S"), QStringLiteral("n"), QStringLiteral("new"));
    const QString once = kept.ToText();
    EXPECT_EQ(once, QStringLiteral("; head\r\nstray\r\n[S]\r\n;x=1\r\nk=v\r\n\r\n; tail\r\nn=new\r\n"));
    EXPECT_EQ(IniDocument::Parse(once, IniComments::Keep).ToText(), once);
}

TEST(IniDocument, LineBreaksInWrittenTextBecomeSpaces)
{
    IniDocument doc;
    doc.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("one\r\n[Evil]\nx=1"));
    const IniDocument back = IniDocument::Parse(doc.ToText());
    EXPECT_EQ(back.SectionNames(), QStringList{QStringLiteral("S")});
    EXPECT_EQ(back.Value(QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("one  [Evil] x=1"));
}

TEST(IniDocument, Integers)
{
    struct Case {
        const char16_t* text;
        bool ok;
        int32_t value;
    };
    for (const Case& c : {Case{u"0x20", true, 32},
                          Case{u"0X1f", true, 31},
                          Case{u"$20", true, 32},
                          Case{u"$FFFFFFFF", true, -1},
                          Case{u"-0x10", false, 0},
                          Case{u"-$10", false, 0},
                          Case{u"+0x10", false, 0},
                          Case{u"-12", true, -12},
                          Case{u"+7", true, 7},
                          Case{u"2147483647", true, 2147483647},
                          Case{u"-2147483648", true, INT32_MIN},
                          Case{u"2147483648", false, 0},
                          Case{u"000000000000012", true, 12},
                          Case{u"$0000000020", true, 32},
                          Case{u"99999999999999999999999", false, 0},
                          Case{u"0x", false, 0},
                          Case{u"$", false, 0},
                          Case{u"0x123456789", false, 0},
                          Case{u"", false, 0},
                          Case{u"true", false, 0},
                          Case{u"12a", false, 0},
                          Case{u"1 2", false, 0},
                          Case{u"-", false, 0},
                          Case{u"０", false, 0}}) {
        int32_t v = 12345;
        EXPECT_EQ(ParseIniInteger(QStringView(c.text), &v), c.ok) << QString::fromUtf16(c.text).toStdString();
        if (c.ok) {
            EXPECT_EQ(v, c.value) << QString::fromUtf16(c.text).toStdString();
        }
    }
    const IniDocument doc = IniDocument::Parse(u"[S]\r\nb2=2\r\nbt=true\r\nb0=0\r\nhex=$20\r\n");
    EXPECT_TRUE(doc.ReadBool(QStringLiteral("S"), QStringLiteral("b2"), false));
    EXPECT_TRUE(doc.ReadBool(QStringLiteral("S"), QStringLiteral("bt"), true));
    EXPECT_FALSE(doc.ReadBool(QStringLiteral("S"), QStringLiteral("bt"), false));
    EXPECT_FALSE(doc.ReadBool(QStringLiteral("S"), QStringLiteral("b0"), true));
    EXPECT_EQ(doc.ReadInteger(QStringLiteral("S"), QStringLiteral("hex"), 0), 32);
    EXPECT_EQ(doc.ReadInteger(QStringLiteral("S"), QStringLiteral("missing"), 77), 77);
}

TEST(IniFiles, MissingUnreadableAndReadOnlyFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    IniDocument doc = IniDocument::Parse(u"[x]\r\ny=1\r\n");
    ASSERT_TRUE(ReadIniFile(path, doc));
    EXPECT_TRUE(doc.SectionNames().isEmpty()); // a missing file reads as empty
    EXPECT_FALSE(QFile::exists(path));

    doc.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    ASSERT_TRUE(WriteIniFile(path, doc));
    EXPECT_EQ(readBytes(path), QByteArray("[S]\r\nk=v\r\n\r\n"));

    QFile::setPermissions(path, QFileDevice::ReadOwner);
    doc.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("changed"));
    EXPECT_FALSE(WriteIniFile(path, doc));
    EXPECT_EQ(readBytes(path), QByteArray("[S]\r\nk=v\r\n\r\n"));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // A folder where the file should be cannot be read or replaced.
    const QString folder = dir.filePath(QStringLiteral("folder.ini"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(ReadIniFile(folder, doc));
    EXPECT_FALSE(WriteIniFile(folder, doc));
    // A missing folder is made; one that cannot be made fails.
    EXPECT_TRUE(WriteIniFile(dir.filePath(QStringLiteral("new/sub/b.ini")), doc));
    EXPECT_EQ(readBytes(dir.filePath(QStringLiteral("new/sub/b.ini"))), QByteArray("[S]\r\nk=changed\r\n\r\n"));
    EXPECT_FALSE(WriteIniFile(dir.filePath(QStringLiteral("a.ini/below/c.ini")), doc));
}

TEST(IniFiles, EncodingsSurviveARoundTrip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    // Code page 932 with bytes that are no valid character and a 0x5C second byte.
    const QByteArray cp932 = "[S]\r\nk=\x83\x5C\xFD\xFE\x80\r\n\r\n";
    writeBytes(path, cp932);
    IniDocument doc;
    bool utf8 = true;
    ASSERT_TRUE(ReadIniFile(path, doc, &utf8));
    EXPECT_FALSE(utf8);
    EXPECT_TRUE(doc.Value(QStringLiteral("S"), QStringLiteral("k"))->startsWith(QStringLiteral("ソ")));
    ASSERT_TRUE(WriteIniFile(path, doc));
    EXPECT_EQ(readBytes(path), cp932);

    // A text code page 932 cannot hold turns the file into UTF-8 with a byte-order mark.
    doc.WriteString(QStringLiteral("S"), QStringLiteral("snow"), QStringLiteral("☃"));
    ASSERT_TRUE(WriteIniFile(path, doc));
    EXPECT_TRUE(readBytes(path).startsWith("\xEF\xBB\xBF[S]\r\n"));
    IniDocument back;
    ASSERT_TRUE(ReadIniFile(path, back, &utf8));
    EXPECT_TRUE(utf8);
    EXPECT_EQ(back.Value(QStringLiteral("S"), QStringLiteral("snow")), QStringLiteral("☃"));
    EXPECT_EQ(back.Value(QStringLiteral("S"), QStringLiteral("k")),
              doc.Value(QStringLiteral("S"), QStringLiteral("k")));

    // Unassigned pairs and lone lead bytes stay as they were over repeated saves, even
    // where a lead byte comes before a valid character.
    const QByteArray odd = "[S]\r\nk=\xEE\xEE\xEE\xEE\xEE\xD6\xEE\x1E\x85\x40x\x81\r\n\r\n";
    writeBytes(path, odd);
    for (int round = 0; round < 2; ++round) {
        IniDocument d;
        ASSERT_TRUE(ReadIniFile(path, d));
        ASSERT_TRUE(WriteIniFile(path, d));
    }
    IniDocument d;
    ASSERT_TRUE(ReadIniFile(path, d));
    const QByteArray once = readBytes(path);
    ASSERT_TRUE(WriteIniFile(path, d));
    EXPECT_EQ(readBytes(path), once);
    EXPECT_TRUE(once.contains("\x1E\x85\x40x\x81\r\n"));

    // A cut-off double-byte character before the closing bracket of a section name,
    // with a blank between them that reading strips: it must not pair up with "]".
    writeBytes(path, "[Name\x96 ]\r\nk=v\r\n");
    IniDocument damaged;
    ASSERT_TRUE(ReadIniFile(path, damaged));
    const QString name = damaged.SectionNames().value(0);
    ASSERT_TRUE(WriteIniFile(path, damaged));
    IniDocument again;
    ASSERT_TRUE(ReadIniFile(path, again));
    EXPECT_EQ(again.SectionNames(), QStringList{name});
    EXPECT_EQ(again.Value(name, QStringLiteral("k")), QStringLiteral("v"));
}

} // namespace
