#pragma once

// The "Technical texts" page: a small rich-text editor for technical notes
// with its tool panel, a ruler that shows the paragraph indents, the editor
// `Texto` and a three-panel status bar.

#include "crossref/mensagens.h"

#include <QFont>
#include <QFrame>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QStatusBar;
class QTextEdit;
class QToolButton;

namespace crossref {

// The ruler: a panel whose caption (tab and bar pairs) is drawn with its
// tabs expanded.
class TRegua : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;
    void SetCaption(const QString& caption);
    const QString& Caption() const { return caption_; }

protected:
    void paintEvent(QPaintEvent* evento) override;

private:
    QString caption_;
};

class TPaginaTextos : public QWidget {
    Q_OBJECT
public:
    // `diretorioBase`: where "library\readme.rtf" is looked for.
    TPaginaTextos(TServicoDeMensagens& mensagens, std::string diretorioBase, QWidget* pai = nullptr);

    // First show: caret and modified panels, Undo, ruler caption, markers
    // and style buttons.
    void PreparaEstado();
    // Paste follows what the clipboard holds.
    void AtualizaBotaoColar();
    // The page became the active one.
    void AoMostrar();

    // Steps named as the editor's events.
    void SelectionChange();
    void TextoChange();
    void AtualizaPainelDoCursor();
    void RestauraFormatacaoPadrao();

    // Tool panel actions.
    void LimparClick();
    void AbrirClick();
    void GravarClick();
    void FontesClick();

    const std::string& NomeDasNotas() const { return nomeDasNotas_; }
    bool Atualizando() const { return atualizando_; }

    // The font dialog (starting font in, chosen font out; nothing when
    // cancelled). Tests replace it.
    std::function<std::optional<QFont>(const QFont&)> EscolheFonte;

    QTextEdit* Texto = nullptr;
    TRegua* Ruler = nullptr;
    QLabel* FirstInd = nullptr;
    QLabel* LeftInd = nullptr;
    QLabel* RightInd = nullptr;
    QFrame* RulerLine = nullptr;
    QStatusBar* StatusBar = nullptr;
    std::array<QLabel*, 3> PaineisDeStatus {};
    QToolButton* Colar = nullptr;
    QToolButton* Copiar = nullptr;
    QToolButton* Recortar = nullptr;
    QToolButton* Desfazer = nullptr;
    QToolButton* Gravar = nullptr;
    QToolButton* Limpar = nullptr;
    QToolButton* Abrir = nullptr;
    QToolButton* Negrito = nullptr;
    QToolButton* Italico = nullptr;
    QToolButton* Sublinhado = nullptr;
    QToolButton* Numeracao = nullptr;
    QToolButton* Fontes = nullptr;
    QToolButton* AlinharAEsquerda = nullptr;
    QToolButton* AlinharADireita = nullptr;
    QToolButton* Centralizar = nullptr;

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    QWidget* CriaPainelDeFerramentas();
    void CriaRegua();
    void DefineNome(const std::string& nome);
    void AplicaAreaDoTexto();
    void PosicionaMarcadores();
    void EstiloClick(QToolButton* botao, bool baixo);
    void AlinhamentoClick(int etiqueta);

    TServicoDeMensagens& mensagens_;
    std::string diretorioBase_;
    std::string nomeDasNotas_;
    bool atualizando_ = false;
};

} // namespace crossref
