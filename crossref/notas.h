#pragma once

// The notes editor's logic, apart from its widgets: the caret panel text,
// the ruler caption and marker places, the style of the selection, the
// default formatting and the bullet mode of the selected paragraphs.

#include <QString>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace crossref {

// Line and column of a character position, both from 0; lines are the laid
// out lines (a wrapped paragraph has several), the column counts from the
// start of the caret's line.
struct TPosicaoNoTexto {
    int linha = 0;
    int coluna = 0;
};
TPosicaoNoTexto PosicaoNoTexto(const QTextDocument& documento, int posicao);

// "Line: %3d   Col: %3d" with the line and column counted from 1.
QString TextoDoPainelDoCursor(TPosicaoNoTexto posicao);

// 100 pairs of a tab and "|": the ruler's caption.
QString TextoDaRegua();

// A paragraph's indents in points: the first line's from the left edge, the
// other lines' relative to the first line's, and the right one.
struct TIndentes {
    double primeira = 0;
    double esquerda = 0;
    double direita = 0;
};
TIndentes IndentesDoParagrafo(const QTextBlock& bloco);

// Left edges of the ruler's three markers, in pixels of the ruler.
struct TMarcadores {
    int primeira = 0;
    int esquerda = 0;
    int direita = 0;
};
TMarcadores PosicoesDosMarcadores(const TIndentes& indentes, int larguraDoCliente);

// What the style buttons show for the selection (its first character) and
// its paragraph.
struct TEstiloDaSelecao {
    bool negrito = false;
    bool italico = false;
    bool sublinhado = false;
    bool marcadores = false;
    int alinhamento = 0; // 0 left, 1 right, 2 centre (the buttons' tags)
};
TEstiloDaSelecao EstiloDaSelecao(const QTextCursor& cursor);

// The character format the editor starts from: MS Sans Serif 10 pt
// (13 pixels), black, no style.
QTextCharFormat FormatoPadraoDoCaractere();

// Applies the default formatting to the selection (or to what is typed next
// when nothing is selected) and to its paragraphs: default character
// format, no bullets, left aligned, no indents.
void RestauraFormatacaoPadrao(QTextCursor& cursor);

// Bullet mode on or off for every paragraph of the selection.
void DefineMarcadores(QTextCursor& cursor, bool ligar);

// Alignment of the button tags 0 left, 1 right, 2 centre.
Qt::Alignment AlinhamentoDaEtiqueta(int etiqueta);

} // namespace crossref
