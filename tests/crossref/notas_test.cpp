#include "crossref/legenda.h"
#include "crossref/leitor_rtf.h"
#include "crossref/notas.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

using namespace crossref;

// Catches a caret panel with the wrong numbers or widths, and lines counted
// as paragraphs where the text wraps.
TEST(Notas, CaretPanelCountsLaidOutLines)
{
    EXPECT_EQ(TextoDoPainelDoCursor({ 0, 0 }), "Line:   1   Col:   1");
    EXPECT_EQ(TextoDoPainelDoCursor({ 122, 4 }), "Line: 123   Col:   5");
    EXPECT_EQ(TextoDoPainelDoCursor({ 1233, 0 }), "Line: 1234   Col:   1");

    QTextDocument doc;
    doc.setPlainText(QString("word ").repeated(40) + "\nsecond");
    doc.setTextWidth(150);
    doc.documentLayout()->documentSize();
    EXPECT_EQ(PosicaoNoTexto(doc, 0).linha, 0);
    const int linhasDoPrimeiro = doc.begin().layout()->lineCount();
    ASSERT_GT(linhasDoPrimeiro, 2);
    // The start of the first paragraph's second line.
    const int inicio = doc.begin().layout()->lineAt(1).textStart();
    EXPECT_EQ(PosicaoNoTexto(doc, inicio + 2).linha, 1);
    EXPECT_EQ(PosicaoNoTexto(doc, inicio + 2).coluna, 2);
    const int segundo = doc.begin().next().position();
    EXPECT_EQ(PosicaoNoTexto(doc, segundo + 3).linha, linhasDoPrimeiro);
    EXPECT_EQ(PosicaoNoTexto(doc, segundo + 3).coluna, 3);
    EXPECT_EQ(PosicaoNoTexto(doc, 1 << 30).linha, linhasDoPrimeiro); // past the end: the last line
}

// Catches markers placed from the wrong indents (first-line indent taken as
// absolute, right indent from the wrong side) or off by the truncation.
TEST(Notas, RulerMarkersFollowTheParagraphIndents)
{
    EXPECT_EQ(TextoDaRegua().size(), 200);
    EXPECT_EQ(TextoDaRegua().count('|'), 100);
    EXPECT_TRUE(TextoDaRegua().startsWith("\t|\t|"));

    const TMarcadores zero = PosicoesDosMarcadores({}, 500);
    EXPECT_EQ(zero.primeira, 2);
    EXPECT_EQ(zero.esquerda, 2);
    EXPECT_EQ(zero.direita, 500 - 8 - 6);

    QTextDocument doc;
    LeRtf(R"({\rtf1\pard\li720\fi-360\ri360 hanging\par\pard\li150 odd})", doc);
    const TIndentes pendurado = IndentesDoParagrafo(doc.begin());
    EXPECT_DOUBLE_EQ(pendurado.primeira, 18); // 36 pt left, 18 pt back for the first line
    EXPECT_DOUBLE_EQ(pendurado.esquerda, 18);
    EXPECT_DOUBLE_EQ(pendurado.direita, 18);
    const TMarcadores m = PosicoesDosMarcadores(pendurado, 500);
    EXPECT_EQ(m.primeira, 24 + 2);
    EXPECT_EQ(m.esquerda, 48 + 2);
    EXPECT_EQ(m.direita, 500 - 32 - 6);
    // 150 twips: 7.5 pt, exactly 10 pixels, not 9 after the round trip.
    EXPECT_EQ(PosicoesDosMarcadores(IndentesDoParagrafo(doc.begin().next()), 500).primeira, 12);
}

// Catches style buttons set from the character before the selection, or
// from the wrong paragraph.
TEST(Notas, SelectionStyleComesFromItsFirstCharacter)
{
    QTextDocument doc;
    LeRtf(R"({\rtf1 plain\b bold\b0\par\pard\qr\i right\par\pard\qc\ul centre})", doc);
    QTextCursor c(&doc);
    c.setPosition(5);
    c.setPosition(7, QTextCursor::KeepAnchor);
    EXPECT_TRUE(EstiloDaSelecao(c).negrito);
    c.setPosition(5); // caret between "plain" and "bold": the character before it
    EXPECT_FALSE(EstiloDaSelecao(c).negrito);
    c.setPosition(doc.begin().next().position() + 2);
    EXPECT_TRUE(EstiloDaSelecao(c).italico);
    EXPECT_EQ(EstiloDaSelecao(c).alinhamento, 1);
    c.setPosition(doc.lastBlock().position() + 1);
    EXPECT_TRUE(EstiloDaSelecao(c).sublinhado);
    EXPECT_EQ(EstiloDaSelecao(c).alinhamento, 2);
    EXPECT_FALSE(EstiloDaSelecao(c).marcadores);
}

// Catches default formatting or bullet mode that leaves list membership,
// alignment or indents behind, or touches paragraphs outside the selection.
TEST(Notas, DefaultFormattingAndBullets)
{
    QTextDocument doc;
    LeRtf(R"({\rtf1\pard\qc\li720\b one\par two\par three})", doc);
    QTextCursor c(&doc);
    c.setPosition(0);
    c.setPosition(doc.begin().next().position() + 1, QTextCursor::KeepAnchor);
    DefineMarcadores(c, true);
    EXPECT_NE(doc.begin().textList(), nullptr);
    EXPECT_EQ(doc.begin().next().textList(), doc.begin().textList());
    EXPECT_EQ(doc.lastBlock().textList(), nullptr);
    EXPECT_TRUE(EstiloDaSelecao(c).marcadores);

    RestauraFormatacaoPadrao(c);
    for (QTextBlock b : { doc.begin(), doc.begin().next() }) {
        EXPECT_EQ(b.textList(), nullptr);
        EXPECT_EQ(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        EXPECT_EQ(b.blockFormat().leftMargin(), 0);
    }
    EXPECT_EQ(doc.lastBlock().blockFormat().leftMargin(), 48); // outside the selection
    QTextCursor primeiro(&doc);
    primeiro.setPosition(1);
    const QTextCharFormat f = primeiro.charFormat();
    EXPECT_EQ(f.fontFamilies().toStringList(), QStringList { "MS Sans Serif" });
    EXPECT_EQ(f.fontPointSize(), 10);
    EXPECT_NE(f.fontWeight(), QFont::Bold);
    EXPECT_EQ(f.foreground().color(), QColor(Qt::black));
}

// Catches a legend with lines lost, reordered or spaced apart differently.
TEST(Legenda, LinesAndTheirEmptyLines)
{
    const QStringList l = LinhasDaLegenda();
    ASSERT_EQ(l.size(), 39 + 38 + 6);
    EXPECT_EQ(l.mid(0, 4), (QStringList { "Simbols", "", "", "@ = Links two columns, i. e.:" }));
    EXPECT_EQ(l[5], "\tHFE @ Ic (mA)");
    const qsizetype f = l.indexOf("f = Frequency at wich F occurs");
    EXPECT_EQ(l.mid(f, 6), (QStringList { "f = Frequency at wich F occurs", "", "", "Rectifier diodes", "", "" }));
    const qsizetype z = l.indexOf("Zener diodes");
    EXPECT_EQ(l.mid(z - 3, 6),
        (QStringList {
            "Pd = Total power dissipation",
            "",
            "",
            "Zener diodes",
            "",
            "",
        }));
    const qsizetype min = l.indexOf("min = minimum value");
    EXPECT_EQ(l.mid(min, 3), (QStringList { "min = minimum value", "", "Transistors" }));
    EXPECT_EQ(l.last(), "Tolerance = Pd variation");
}
