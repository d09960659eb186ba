#include "crossref/leitor_rtf.h"

#include "tests/support/temp_dir.h"
#include "tools/sampleproduct.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

#include <string>

using namespace crossref;

namespace {

std::vector<QTextBlock> Blocos(const QTextDocument& doc)
{
    std::vector<QTextBlock> blocos;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        blocos.push_back(b);
    return blocos;
}

// The character format at `pos` characters into the block (the one after it).
QTextCharFormat FormatoEm(const QTextBlock& bloco, int pos)
{
    QTextCursor c(bloco);
    c.setPosition(bloco.position() + pos + 1);
    return c.charFormat();
}

QString Le(const std::string& rtf)
{
    QTextDocument doc;
    LeRtf(rtf, doc);
    return doc.toPlainText();
}

} // namespace

// Catches the shipped notes file losing its paragraphs, styles, colours or
// its code-page characters.
TEST(LeitorRtf, SampleNotesKeepParagraphsStylesAndCharacters)
{
    tavix::testing::TempDir dir("rtf-amostra");
    sampledata::writeSampleProduct(dir.path());
    QTextDocument doc;
    CarregaArquivoDeNotas(dir.path() / "library" / "readme.rtf", doc);
    const auto blocos = Blocos(doc);
    ASSERT_EQ(blocos.size(), 8u) << doc.toPlainText().toStdString();
    EXPECT_EQ(blocos[0].text(), "Tavix Electronics");
    const QTextCharFormat titulo = FormatoEm(blocos[0], 0);
    EXPECT_EQ(titulo.fontWeight(), QFont::Bold);
    EXPECT_EQ(titulo.fontPointSize(), 16);
    EXPECT_EQ(titulo.foreground().color(), QColor(0, 0, 128));
    EXPECT_EQ(titulo.fontFamilies().toStringList(), QStringList { "Arial" });
    EXPECT_EQ(blocos[0].blockFormat().bottomMargin(), 8); // \sa120: 6 pt

    EXPECT_EQ(blocos[1].text(), "Reading the tables");
    EXPECT_TRUE(blocos[2].text().contains("transistores for bipolar")) << blocos[2].text().toStdString();
    const int i = blocos[2].text().indexOf("transistores");
    ASSERT_GT(i, 0);
    EXPECT_TRUE(FormatoEm(blocos[2], i).fontItalic());
    EXPECT_FALSE(FormatoEm(blocos[2], i - 2).fontItalic());
    EXPECT_EQ(FormatoEm(blocos[2], i).fontPointSize(), 10);
    EXPECT_NE(FormatoEm(blocos[2], i).foreground().color(), QColor(0, 0, 128)); // \cf0 ended the colour
    EXPECT_TRUE(blocos[7].text().contains(QString::fromUtf8("São Paulo"))) << blocos[7].text().toStdString();
}

// Catches escapes decoded wrongly: \uN with its replacement characters,
// negative and paired \u values, code-page bytes and literal symbols.
TEST(LeitorRtf, EscapesGiveTheRightCharacters)
{
    EXPECT_EQ(Le(R"({\rtf1\ansi caf\'e9 \'80 \'93x\'94})"), QString::fromUtf8("café € “x”"));
    EXPECT_EQ(Le(R"({\rtf1 a\u8364?b})"), QString::fromUtf8("a€b"));
    EXPECT_EQ(Le(R"({\rtf1\uc2 a\u8364\'80\'81b})"), QString::fromUtf8("a€b"));
    EXPECT_EQ(Le(R"({\rtf1\uc0 a\u8364 b})"), QString::fromUtf8("a€b"));
    EXPECT_EQ(Le(R"({\rtf1 {\uc3 x}\u8364?y})"), QString::fromUtf8("x€y")); // \uc ends with its group
    EXPECT_EQ(Le(R"({\rtf1 \u-10179?\u-8704?})"), QString::fromUtf8("\U0001F600"));
    QTextDocument doc; // toPlainText would turn the no-break space into a blank
    LeRtf(R"({\rtf1 \{a\}\\b\tab c\~d\emdash e})", doc);
    EXPECT_EQ(doc.toRawText(), QString::fromUtf8("{a}\\b\tc\u00A0d—e"));
    EXPECT_EQ(Le(R"({\rtf1\ansi\ansicpg1251 \'e4\'e0})"), QString::fromUtf8("да"));
}

// Catches text leaking out of tables and skipped destinations (font names,
// pictures, binary data with braces, unknown starred groups).
TEST(LeitorRtf, DestinationsAreSkipped)
{
    const std::string rtf = std::string(R"({\rtf1{\fonttbl{\f0\fswiss{\*\panose 020b}Arial;}{\f1 Courier New;}})"
                                        R"({\colortbl;\red255\green0\blue0;}{\*\generator Writer;}{\info{\title T}})"
                                        R"({\pict\pngblip 89504e47}{\object{\*\objdata \bin4 )")
        + std::string("}{\0\x01", 4) + R"(}}{\*\unknowndest hidden}\unknownword visible {\pntext x}text})";
    QTextDocument doc;
    LeRtf(rtf, doc);
    EXPECT_EQ(doc.toPlainText(), "visible text");
}

// Catches paragraph formats that do not reach the ruler and the buttons:
// alignment, indents, \pard, \plain, underline and bullets.
TEST(LeitorRtf, ParagraphAndCharacterFormats)
{
    QTextDocument doc;
    LeRtf(R"({\rtf1\pard\qc\li720\fi-360\ri360 centred\par)"
          R"(\pard\qr\b\i\ul right\ulnone  x\plain  plain\par)"
          R"(\pard{\*\pn\pnlvlblt{\pntxtb\'b7}}{\pntext\'b7\tab}one\par)"
          R"({\*\pn\pnlvlblt}{\pntext\'b7\tab}two\par)"
          R"(\pard last})",
        doc);
    const auto b = Blocos(doc);
    ASSERT_EQ(b.size(), 5u);
    EXPECT_EQ(b[0].blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(b[0].blockFormat().leftMargin(), 48);
    EXPECT_EQ(b[0].blockFormat().textIndent(), -24);
    EXPECT_EQ(b[0].blockFormat().rightMargin(), 24);
    EXPECT_EQ(b[1].blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(b[1].blockFormat().leftMargin(), 0);
    const QTextCharFormat estilo = FormatoEm(b[1], 0);
    EXPECT_TRUE(estilo.fontWeight() == QFont::Bold && estilo.fontItalic() && estilo.fontUnderline());
    EXPECT_FALSE(FormatoEm(b[1], 6).fontUnderline());
    EXPECT_TRUE(FormatoEm(b[1], 6).fontItalic());
    EXPECT_FALSE(FormatoEm(b[1], b[1].text().indexOf("plain")).fontItalic());
    EXPECT_EQ(b[2].text(), "one");
    ASSERT_NE(b[2].textList(), nullptr);
    EXPECT_EQ(b[3].textList(), b[2].textList());
    EXPECT_EQ(b[4].textList(), nullptr);
    EXPECT_EQ(b[4].text(), "last");

    LeRtf(R"({\rtf1{\*\pn\pnlvlblt}only})", doc); // a bullet on the paragraph that ends the text
    EXPECT_NE(doc.begin().textList(), nullptr);
}

// Catches a reader that crashes, hangs or grows without bound on damaged
// files, and a plain-text notes file refused.
TEST(LeitorRtf, DamagedAndForeignFiles)
{
    QTextDocument doc;
    EXPECT_THROW(LeRtf("plain words", doc), ERtf);
    EXPECT_THROW(LeRtf("{\\rtf1 " + std::string(5000, '{'), doc), ERtf);
    EXPECT_EQ(Le("{\\rtf1 open{\\b bold"), "openbold"); // groups never closed
    EXPECT_EQ(Le("{\\rtf1 a}}} after"), "a"); // nothing after the document's group
    EXPECT_EQ(Le("{\\rtf1 a\\'"), "a"); // cut inside an escape
    EXPECT_EQ(Le("{\\rtf1 x\\u99999999999?y}"), QString::fromUtf8("x\uFFFDy")); // no such character

    tavix::testing::TempDir dir("rtf-arquivos");
    const auto texto = dir.path() / "readme.rtf";
    tavix::testing::writeFile(texto, "line one\nlinha dois: n\xE3o\n");
    CarregaArquivoDeNotas(texto, doc);
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8("line one\nlinha dois: não\n"));
    try {
        CarregaArquivoDeNotas(dir.path() / "missing.rtf", doc);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("missing.rtf"), std::string::npos) << e.what();
    }
    tavix::testing::writeFile(texto, "{\\rtf1 " + std::string(5000, '{'));
    try {
        CarregaArquivoDeNotas(texto, doc);
        FAIL();
    } catch (const ERtf& e) {
        EXPECT_NE(std::string(e.what()).find("readme.rtf"), std::string::npos) << e.what();
    }
}
