#pragma once

// The cross-reference program's main window: six pages (About, transistors,
// diodes with rectifier and zener pages, other components, repairs, technical
// texts), the menus, the first-show preparation, the part searches and the
// closing question.

#include "crossref/mensagens.h"
#include "crossref/pesquisa.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QStatusBar;
class QTabWidget;

namespace db {
class TDataSet;
class TTable;
class TQuery;
} // namespace db

namespace crossref {

class TModuloDeDados;
class TPaginaCodigosDeCores;
class TPaginaPeca;
class TPaginaReparos;
class TPaginaTextos;
class TQuadroImagem;
class TFigura;

class TFormulario : public QMainWindow {
    Q_OBJECT
public:
    // `mensagens`: the boxes the window shows (message boxes when null).
    explicit TFormulario(std::unique_ptr<TServicoDeMensagens> mensagens = nullptr, QWidget* pai = nullptr);
    ~TFormulario() override;

    // The current directory at the window's creation.
    const std::string& DiretorioBase() const { return diretorioBase_; }
    // Binds the views to the data module and its datasets' scroll events to
    // the window's handlers. The module is created after the window.
    void LigaModuloDeDados(TModuloDeDados* modulo);

    TServicoDeMensagens& Mensagens() { return *mensagens_; }
    bool PrimeiraExibicao() const { return primeiraExibicao_; }

    // Pages and their controls, for the handlers and for tests.
    QTabWidget* PageControl = nullptr;
    QTabWidget* PaginasDeDiodos = nullptr;
    TPaginaPeca* PaginaTransistores = nullptr;
    TPaginaPeca* PaginaDiodosR = nullptr;
    TPaginaPeca* PaginaDiodosZ = nullptr;
    QWidget* PaginaSobre = nullptr;
    QWidget* PaginaOutrosComponentes = nullptr;
    TPaginaCodigosDeCores* CodigosDeCores = nullptr; // the same page, its calculators
    QWidget* PaginaReparos = nullptr;
    QWidget* PaginaTextos = nullptr;
    TQuadroImagem* ImagemAbertura = nullptr;
    TQuadroImagem* ImagemCapacitor = nullptr;
    TQuadroImagem* ImagemResistor = nullptr;
    QLabel* Aviso1 = nullptr;
    QLabel* Aviso2 = nullptr;
    QStatusBar* StatusBar = nullptr; // the notes editor's
    std::array<QLabel*, 3> PaineisDeStatus {};
    TPaginaReparos* Reparos = nullptr; // the same widget as PaginaReparos
    TPaginaTextos* Textos = nullptr; // the same widget as PaginaTextos

    // Handlers (public so that tests drive them as the events would).
    void BuscaRapidaChange(TTipoPeca tipo);
    void EquivalentesClick(TTipoPeca tipo);
    void TabelaAfterScroll(TTipoPeca tipo);
    void PesquisaAfterScroll(TTipoPeca tipo);

protected:
    void showEvent(QShowEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;

private:
    void CriaMenus();
    // Ctrl+Tab (passo 1) and Ctrl+Shift+Tab (-1): the next or previous page,
    // inner pages included, round from the last to the first.
    void PassaPagina(int passo);
    void CriaPaginaSobre();
    void CriaPaginasDeOutrosComponentes();
    void LigaPaginaPeca(TPaginaPeca& pagina);
    void PreparaPrimeiraExibicao();
    void MostraAvisos();

    // Protegido, with database errors of the kind's handlers naming the table file.
    void ProtegidoNaPeca(TTipoPeca tipo, const std::function<void()>& acao);
    TPaginaPeca& Pagina(TTipoPeca tipo);
    db::TTable* Tabela(TTipoPeca tipo);
    db::TQuery* Pesquisa(TTipoPeca tipo);
    // Shows the package picture of `ds`'s current record; clears the picture
    // when there is no record, and says "No picture for" its package when
    // the picture table has none.
    void MostraEncapsulamento(db::TDataSet& ds, TFigura& figura);
    void MostraFigura(const char* nome, TQuadroImagem& quadro);
    void ConfereColunas();

    // Hooks of the other pages (colour codes, repairs, notes editor, legend,
    // help); each is one small step that the page's own code fills in.
    void PreparaEstadoDoEditor();
    void AtualizaBotaoColar();
    void IniciaCodigosDeCores();
    void CopiaRegistroBDR();
    void AoMostrarTextosTecnicos();
    void Legenda1Click();
    void Conteudo1Click();

    std::unique_ptr<TServicoDeMensagens> mensagens_;
    TModuloDeDados* modulo_ = nullptr;
    std::string diretorioBase_;
    bool primeiraExibicao_ = true;
    bool permitir_ = true;
    bool noClipboard_ = false;
};

} // namespace crossref
