#include "crossref/notas.h"

#include <QAbstractTextDocumentLayout>
#include <QTextLayout>
#include <QTextList>

#include <cmath>

namespace crossref {

namespace {

// The document's units are pixels of 96 per inch: 4/3 of a point.
constexpr double kPixelsPorPonto = 4.0 / 3.0;

int Trunca(double valor)
{
    // Points converted from pixels come back a hair under the whole number.
    return static_cast<int>(std::trunc(valor + (valor >= 0 ? 1e-7 : -1e-7)));
}

} // namespace

TPosicaoNoTexto PosicaoNoTexto(const QTextDocument& documento, int posicao)
{
    posicao = std::clamp(posicao, 0, std::max(0, documento.characterCount() - 1));
    const QTextBlock bloco = documento.findBlock(posicao);
    if (!bloco.isValid())
        return {};
    // Lays the text out up to this paragraph, so that the line counts hold.
    documento.documentLayout()->blockBoundingRect(bloco);
    int linha = 0;
    for (QTextBlock b = documento.begin(); b.isValid() && b != bloco; b = b.next())
        linha += std::max(1, b.layout() ? b.layout()->lineCount() : 1);
    int inicioDaLinha = bloco.position();
    if (const QTextLayout* layout = bloco.layout(); layout && layout->lineCount() > 0) {
        const QTextLine linhaDoTexto = layout->lineForTextPosition(posicao - bloco.position());
        if (linhaDoTexto.isValid()) {
            linha += linhaDoTexto.lineNumber();
            inicioDaLinha += linhaDoTexto.textStart();
        }
    }
    return { linha, posicao - inicioDaLinha };
}

QString TextoDoPainelDoCursor(TPosicaoNoTexto posicao)
{
    return QString::asprintf("Line: %3d   Col: %3d", posicao.linha + 1, posicao.coluna + 1);
}

QString TextoDaRegua()
{
    return QStringLiteral("\t|").repeated(100);
}

TIndentes IndentesDoParagrafo(const QTextBlock& bloco)
{
    const QTextBlockFormat f = bloco.blockFormat();
    double esquerdaPx = f.leftMargin();
    if (const QTextList* lista = bloco.textList(); lista && bloco.document())
        esquerdaPx += lista->format().indent() * bloco.document()->indentWidth();
    esquerdaPx += f.indent() * (bloco.document() ? bloco.document()->indentWidth() : 40);
    TIndentes i;
    i.primeira = (esquerdaPx + f.textIndent()) / kPixelsPorPonto;
    i.esquerda = -f.textIndent() / kPixelsPorPonto;
    i.direita = f.rightMargin() / kPixelsPorPonto;
    return i;
}

TMarcadores PosicoesDosMarcadores(const TIndentes& i, int larguraDoCliente)
{
    TMarcadores m;
    m.primeira = Trunca(i.primeira * kPixelsPorPonto) + 2;
    m.esquerda = Trunca((i.esquerda + i.primeira) * kPixelsPorPonto) + 2;
    m.direita = larguraDoCliente - Trunca((i.direita + 6) * kPixelsPorPonto) - 6;
    return m;
}

TEstiloDaSelecao EstiloDaSelecao(const QTextCursor& cursor)
{
    QTextCharFormat f = cursor.charFormat();
    if (cursor.hasSelection()) {
        // The first selected character, not the one before the selection.
        QTextCursor primeiro(cursor.document());
        primeiro.setPosition(cursor.selectionStart() + 1);
        f = primeiro.charFormat();
    }
    TEstiloDaSelecao e;
    e.negrito = f.fontWeight() >= QFont::Bold;
    e.italico = f.fontItalic();
    e.sublinhado = f.fontUnderline();
    const QTextBlock bloco = cursor.document()->findBlock(cursor.selectionStart());
    e.marcadores = bloco.textList() != nullptr;
    const Qt::Alignment a = bloco.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    if (a & (Qt::AlignRight | Qt::AlignTrailing))
        e.alinhamento = 1;
    else if (a & Qt::AlignHCenter)
        e.alinhamento = 2;
    return e;
}

QTextCharFormat FormatoPadraoDoCaractere()
{
    QTextCharFormat f;
    f.setFontFamilies(QStringList { QStringLiteral("MS Sans Serif") });
    f.setFontPointSize(10);
    f.setFontWeight(QFont::Normal);
    f.setFontItalic(false);
    f.setFontUnderline(false);
    f.setFontStrikeOut(false);
    f.setForeground(QColor(Qt::black));
    return f;
}

void RestauraFormatacaoPadrao(QTextCursor& cursor)
{
    cursor.beginEditBlock();
    cursor.setCharFormat(FormatoPadraoDoCaractere());
    DefineMarcadores(cursor, false);
    QTextBlockFormat b = cursor.blockFormat();
    b.setAlignment(Qt::AlignLeft);
    b.setLeftMargin(0);
    b.setRightMargin(0);
    b.setTextIndent(0);
    b.setIndent(0);
    cursor.setBlockFormat(b);
    cursor.endEditBlock();
}

void DefineMarcadores(QTextCursor& cursor, bool ligar)
{
    QTextDocument* doc = cursor.document();
    const QTextBlock primeiro = doc->findBlock(cursor.selectionStart());
    const QTextBlock ultimo = doc->findBlock(cursor.selectionEnd());
    cursor.beginEditBlock();
    QTextList* lista = nullptr;
    for (QTextBlock b = primeiro; b.isValid(); b = b.next()) {
        QTextList* atual = b.textList();
        if (ligar) {
            if (atual) {
                lista = atual;
            } else if (lista) {
                lista->add(b);
            } else {
                QTextCursor c(b);
                lista = c.createList(QTextListFormat::ListDisc);
            }
        } else if (atual) {
            atual->remove(b);
            QTextCursor c(b);
            QTextBlockFormat f = c.blockFormat();
            f.setIndent(0);
            c.setBlockFormat(f);
        }
        if (b == ultimo)
            break;
    }
    cursor.endEditBlock();
}

Qt::Alignment AlinhamentoDaEtiqueta(int etiqueta)
{
    switch (etiqueta) {
    case 1:
        return Qt::AlignRight;
    case 2:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

} // namespace crossref
