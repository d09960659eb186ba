#include "crossref/ui/formulario.h"

#include "crossref/modulo_de_dados.h"
#include "crossref/ui/mensagens_qt.h"
#include "crossref/ui/pagina_peca.h"
#include "crossref/ui/pagina_reparos.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

namespace crossref {

namespace {

// Hourglass for the life of a handler, restored on every path.
class TAmpulheta {
public:
    TAmpulheta() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TAmpulheta() { QApplication::restoreOverrideCursor(); }
    TAmpulheta(const TAmpulheta&) = delete;
    TAmpulheta& operator=(const TAmpulheta&) = delete;
};

// The file a dataset reads, for error messages.
std::string ArquivoDe(const db::TDataSet& ds)
{
    if (auto* tabela = dynamic_cast<const db::TTable*>(&ds)) {
        try {
            return tabela->FileName();
        } catch (const std::exception&) {
            return tabela->TableName();
        }
    }
    if (auto* consulta = dynamic_cast<const db::TQuery*>(&ds))
        return "query \"" + consulta->SQL().Text() + "\"";
    return ds.Name();
}

// A page that shows no inner page control, as the path of page controls and
// indexes that leads to it.
using TCaminho = std::vector<std::pair<QTabWidget*, int>>;

std::vector<TCaminho> PaginasFinais(QTabWidget* controle)
{
    std::vector<TCaminho> paginas;
    for (int i = 0; i < controle->count(); ++i) {
        QWidget* pagina = controle->widget(i);
        auto* interno = qobject_cast<QTabWidget*>(pagina);
        if (!interno)
            interno = pagina->findChild<QTabWidget*>(QString(), Qt::FindDirectChildrenOnly);
        if (!interno) {
            paginas.push_back({ { controle, i } });
            continue;
        }
        for (TCaminho caminho : PaginasFinais(interno)) {
            caminho.insert(caminho.begin(), { controle, i });
            paginas.push_back(std::move(caminho));
        }
    }
    return paginas;
}

constexpr std::array<TTipoPeca, 3> TodosOsTipos
    = { TTipoPeca::tpTransistores, TTipoPeca::tpDiodosR, TTipoPeca::tpDiodosZ };

} // namespace

TFormulario::TFormulario(std::unique_ptr<TServicoDeMensagens> mensagens, QWidget* pai)
    : QMainWindow(pai)
    , mensagens_(mensagens ? std::move(mensagens) : std::make_unique<TMensagensQt>(this))
{
    diretorioBase_ = std::filesystem::current_path().string();
    primeiraExibicao_ = true;
    permitir_ = true;

    setObjectName("Formulario");
    setWindowTitle(QString::fromUtf8(TituloDaAplicacao) + tr(" - Semiconductor cross-reference"));
    CriaMenus();

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    setCentralWidget(PageControl);

    CriaPaginaSobre();

    PaginaTransistores = new TPaginaPeca(TTipoPeca::tpTransistores, PageControl);
    PageControl->addTab(PaginaTransistores, tr("Bipolar transistors"));

    PaginasDeDiodos = new QTabWidget(PageControl);
    PaginasDeDiodos->setObjectName("PaginasDeDiodos");
    PaginaDiodosR = new TPaginaPeca(TTipoPeca::tpDiodosR, PaginasDeDiodos);
    PaginaDiodosZ = new TPaginaPeca(TTipoPeca::tpDiodosZ, PaginasDeDiodos);
    PaginasDeDiodos->addTab(PaginaDiodosR, tr("Rectifier diodes"));
    PaginasDeDiodos->addTab(PaginaDiodosZ, tr("Zener diodes"));
    PageControl->addTab(PaginasDeDiodos, tr("Diodes"));

    CriaPaginasDeOutrosComponentes();

    for (TPaginaPeca* pagina : { PaginaTransistores, PaginaDiodosR, PaginaDiodosZ })
        LigaPaginaPeca(*pagina);

    // Window shortcuts come before the page controls' own Ctrl+Tab, which
    // would keep the keys inside an inner page control.
    auto* proxima = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(proxima, &QShortcut::activated, this, [this] { PassaPagina(1); });
    // Shift+Tab arrives as Backtab or as Tab with Shift, by platform.
    auto* anterior = new QShortcut(this);
    anterior->setKeys(
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab) });
    connect(anterior, &QShortcut::activated, this, [this] { PassaPagina(-1); });

    connect(PageControl, &QTabWidget::currentChanged, this, [this](int indice) {
        Protegido(*mensagens_, [&] {
            if (PageControl->widget(indice) == PaginaTextos)
                AoMostrarTextosTecnicos();
        });
    });
}

TFormulario::~TFormulario()
{
    LigaModuloDeDados(nullptr);
}

void TFormulario::CriaMenus()
{
    QMenu* opcoes = menuBar()->addMenu(tr("&Options"));
    opcoes->setObjectName("Opcoes1");
    QAction* legenda = opcoes->addAction(tr("&Legend"));
    legenda->setObjectName("Legenda1");
    connect(legenda, &QAction::triggered, this, [this] { Protegido(*mensagens_, [&] { Legenda1Click(); }); });
    opcoes->addSeparator();
    QAction* sair = opcoes->addAction(tr("&Exit"));
    sair->setObjectName("Sair1");
    connect(sair, &QAction::triggered, this, &QWidget::close);

    QMenu* ajuda = menuBar()->addMenu(tr("&Help"));
    ajuda->setObjectName("Ajuda1");
    QAction* conteudo = ajuda->addAction(tr("&Contents"));
    conteudo->setObjectName("Conteudo1");
    conteudo->setShortcut(QKeySequence(Qt::Key_F1));
    connect(conteudo, &QAction::triggered, this, [this] { Protegido(*mensagens_, [&] { Conteudo1Click(); }); });
    ajuda->addSeparator();
    QAction* sobre = ajuda->addAction(tr("&About..."));
    sobre->setObjectName("Sobre1");
    connect(sobre, &QAction::triggered, this, [this] { PageControl->setCurrentWidget(PaginaSobre); });
}

void TFormulario::PassaPagina(int passo)
{
    const std::vector<TCaminho> paginas = PaginasFinais(PageControl);
    const int n = static_cast<int>(paginas.size());
    if (n == 0)
        return;
    int atual = 0;
    for (int i = 0; i < n; ++i)
        if (std::all_of(paginas[i].begin(), paginas[i].end(),
                [](const auto& elo) { return elo.first->currentIndex() == elo.second; }))
            atual = i;
    for (const auto& [controle, indice] : paginas[static_cast<size_t>((atual + passo + n) % n)])
        controle->setCurrentIndex(indice);
}

void TFormulario::LigaPaginaPeca(TPaginaPeca& pagina)
{
    const TTipoPeca tipo = pagina.Tipo();
    connect(pagina.BuscaRapida, &QLineEdit::textChanged, this,
        [this, tipo] { Protegido(*mensagens_, [&] { BuscaRapidaChange(tipo); }); });
    connect(pagina.Equivalentes, &QPushButton::clicked, this,
        [this, tipo] { Protegido(*mensagens_, [&] { EquivalentesClick(tipo); }); });
    auto falha = [this](const std::exception_ptr& erro) { mensagens_->Erro(TextoDoErro(erro)); };
    for (TDBGrid* g : pagina.GradesOriginais)
        g->AoFalhar = falha;
    for (TDBGrid* g : pagina.GradesResultado)
        g->AoFalhar = falha;
}

void TFormulario::LigaModuloDeDados(TModuloDeDados* modulo)
{
    if (modulo_ && modulo_ != modulo) {
        // The old module's events must not reach us any more.
        for (db::TDataSet* ds : std::initializer_list<db::TDataSet*> { &modulo_->TabelaBDR,
                 &modulo_->TabelaTransistores, &modulo_->TabelaDiodosR, &modulo_->TabelaDiodosZ,
                 &modulo_->PesquisarTransistores, &modulo_->PesquisarDiodosR, &modulo_->PesquisarDiodosZ })
            ds->AfterScroll = nullptr;
        for (TPaginaPeca* pagina : { PaginaTransistores, PaginaDiodosR, PaginaDiodosZ })
            pagina->LigaDataSets(nullptr, nullptr);
        modulo_->AoDanificar = nullptr;
    }
    modulo_ = modulo;
    Reparos->LigaTabela(modulo_ ? &modulo_->TabelaBDR : nullptr);
    if (!modulo_)
        return;
    PaginaTransistores->LigaDataSets(
        modulo_->FonteDeDadosTransistores.DataSet, modulo_->FonteDeDadosPesquisarTransistores.DataSet);
    PaginaDiodosR->LigaDataSets(modulo_->FonteDeDadosDiodosR.DataSet, modulo_->FonteDeDadosPesquisarDiodosR.DataSet);
    PaginaDiodosZ->LigaDataSets(modulo_->FonteDeDadosDiodosZ.DataSet, modulo_->FonteDeDadosPesquisarDiodosZ.DataSet);

    // A scroll handler runs inside the dataset call that moved the cursor;
    // its failure is shown here and does not reach that caller.
    for (TTipoPeca tipo : TodosOsTipos) {
        Tabela(tipo)->AfterScroll
            = [this, tipo](db::TDataSet&) { ProtegidoNaPeca(tipo, [&] { TabelaAfterScroll(tipo); }); };
        Pesquisa(tipo)->AfterScroll
            = [this, tipo](db::TDataSet&) { ProtegidoNaPeca(tipo, [&] { PesquisaAfterScroll(tipo); }); };
    }
    modulo_->TabelaBDR.AfterScroll = [this](db::TDataSet&) { Protegido(*mensagens_, [&] { CopiaRegistroBDR(); }); };
    // Met while the user browses or types: a box that keeps no keys.
    modulo_->AoDanificar = [this](const std::string& texto) { mensagens_->Aviso(texto); };
}

void TFormulario::ProtegidoNaPeca(TTipoPeca tipo, const std::function<void()>& acao)
{
    Protegido(*mensagens_, [&] {
        try {
            acao();
        } catch (const db::EDatabaseError& e) {
            // The engine names the dataset; the user needs the file.
            const std::string arquivo = modulo_ ? ArquivoDe(*Tabela(tipo)) : std::string();
            const std::string texto = e.what();
            if (arquivo.empty() || texto.find(arquivo) != std::string::npos)
                throw;
            throw db::EDatabaseError(arquivo + ": " + texto);
        }
    });
}

TPaginaPeca& TFormulario::Pagina(TTipoPeca tipo)
{
    return *PorTipo(tipo, PaginaTransistores, PaginaDiodosR, PaginaDiodosZ);
}

db::TTable* TFormulario::Tabela(TTipoPeca tipo)
{
    if (!modulo_)
        return nullptr;
    return PorTipo(tipo, &modulo_->TabelaTransistores, &modulo_->TabelaDiodosR, &modulo_->TabelaDiodosZ);
}

db::TQuery* TFormulario::Pesquisa(TTipoPeca tipo)
{
    if (!modulo_)
        return nullptr;
    return PorTipo(tipo, &modulo_->PesquisarTransistores, &modulo_->PesquisarDiodosR, &modulo_->PesquisarDiodosZ);
}

void TFormulario::showEvent(QShowEvent* evento)
{
    QMainWindow::showEvent(evento);
    if (!primeiraExibicao_)
        return;
    MostraAvisos();
    PreparaPrimeiraExibicao();
}

void TFormulario::PreparaPrimeiraExibicao()
{
    TAmpulheta ampulheta;
    // Each step is guarded on its own: a table that failed must not keep the
    // others from showing, nor leave the first-show flag set.
    Protegido(*mensagens_, [&] { PreparaEstadoDoEditor(); });
    if (!noClipboard_) {
        noClipboard_ = true;
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] { Protegido(*mensagens_, [&] { AtualizaBotaoColar(); }); });
    }
    if (!modulo_) {
        primeiraExibicao_ = false;
        return;
    }
    Protegido(*mensagens_, [&] {
        const std::vector<std::string> falhas = modulo_->AbreBancosDeDados();
        for (TTipoPeca tipo : TodosOsTipos)
            Pagina(tipo).MostraFalhaDaTabela(modulo_->FalhaDeAbertura(*Tabela(tipo)));
        if (!falhas.empty()) {
            std::string texto;
            for (const auto& falha : falhas)
                texto += (texto.empty() ? "" : "\n\n") + falha;
            mensagens_->Erro(texto);
        }
    });
    Protegido(*mensagens_, [&] { ConfereColunas(); });
    Protegido(*mensagens_, [&] { MostraFigura("abertura", *ImagemAbertura); });
    Protegido(*mensagens_, [&] { MostraFigura("cap_poli", *ImagemCapacitor); });
    Protegido(*mensagens_, [&] { MostraFigura("resistor", *ImagemResistor); });
    for (TPaginaPeca* pagina : { PaginaTransistores, PaginaDiodosR, PaginaDiodosZ })
        for (QComboBox* caixa : pagina->Percentuais)
            caixa->setCurrentIndex(0);
    primeiraExibicao_ = false;
    Protegido(*mensagens_, [&] { IniciaCodigosDeCores(); });
    for (TTipoPeca tipo : TodosOsTipos) {
        ProtegidoNaPeca(tipo, [&] {
            db::TTable& tabela = *Tabela(tipo);
            db::TQuery& pesquisa = *Pesquisa(tipo);
            if (!tabela.Active())
                return;
            pesquisa.Close();
            pesquisa.SQL().Clear();
            const std::string id = tabela.IsEmpty() ? std::string() : tabela.FieldByName("Identificacao").AsString();
            pesquisa.SQL().Add(SqlPorIdentificacao(tipo, id));
            pesquisa.Open();
            MostraEncapsulamento(tabela, Pagina(tipo).ImagemOriginal->Figura());
            MostraEncapsulamento(tabela, Pagina(tipo).ImagemResultado->Figura());
        });
    }
    Protegido(*mensagens_, [&] { CopiaRegistroBDR(); });
}

void TFormulario::ConfereColunas()
{
    // A part table without a column of its grids is reported once, at opening.
    std::string texto;
    for (TTipoPeca tipo : TodosOsTipos) {
        db::TTable& tabela = *Tabela(tipo);
        if (!tabela.Active())
            continue;
        for (TDBGrid* g : Pagina(tipo).GradesOriginais)
            for (const auto& campo : g->Modelo()->CamposAusentes())
                texto += (texto.empty() ? "" : "\n") + tabela.FileName() + ": Field '" + campo + "' not found";
    }
    if (!texto.empty())
        mensagens_->Erro(texto);
}

void TFormulario::MostraFigura(const char* nome, TQuadroImagem& quadro)
{
    // The fixed pictures keep what they show when the key is missing.
    modulo_->ExibeImagem(nome, quadro.Figura());
}

void TFormulario::MostraEncapsulamento(db::TDataSet& ds, TFigura& figura)
{
    if (!ds.Active() || ds.IsEmpty()) {
        figura.Limpa();
        return;
    }
    const std::string chave = ChaveDoEncapsulamento(ds.FieldByName("Encapsulamento").AsString());
    bool mostrou = false;
    try {
        mostrou = !chave.empty() && modulo_->ExibeImagem(chave, figura);
    } catch (...) {
        figura.Limpa(); // not the previous part's package under a failure message
        throw;
    }
    if (!mostrou) {
        figura.Limpa();
        // A package without a picture must not read as a frame that failed.
        if (!chave.empty() && modulo_->TabelaGraficos.Active())
            figura.MarcaIlegivel("No picture for " + chave);
    }
}

void TFormulario::TabelaAfterScroll(TTipoPeca tipo)
{
    TPaginaPeca& pagina = Pagina(tipo);
    db::TQuery& pesquisa = *Pesquisa(tipo);
    if (pesquisa.Active())
        pesquisa.Close();
    pagina.ImagemResultado->Figura().Limpa();
    if (!primeiraExibicao_)
        MostraEncapsulamento(*Tabela(tipo), pagina.ImagemOriginal->Figura());
}

void TFormulario::PesquisaAfterScroll(TTipoPeca tipo)
{
    if (!primeiraExibicao_)
        MostraEncapsulamento(*Pesquisa(tipo), Pagina(tipo).ImagemResultado->Figura());
}

void TFormulario::BuscaRapidaChange(TTipoPeca tipo)
{
    if (!modulo_)
        return;
    TPaginaPeca& pagina = Pagina(tipo);
    db::TTable& tabela = *Tabela(tipo);
    if (!tabela.Active())
        return;
    const std::string texto = Apara(pagina.BuscaRapida->text().toStdString());
    DefineChave(tabela, texto);
    tabela.GotoNearest();
    MostraEncapsulamento(tabela, pagina.ImagemOriginal->Figura());
    pagina.ImagemResultado->Figura().Limpa();
    db::TQuery& pesquisa = *Pesquisa(tipo);
    if (pesquisa.Active())
        pesquisa.Close();
}

void TFormulario::EquivalentesClick(TTipoPeca tipo)
{
    if (!modulo_)
        return;
    TPaginaPeca& pagina = Pagina(tipo);
    db::TTable& tabela = *Tabela(tipo);
    // Nothing to compare with: an empty or closed table searches nothing.
    if (!tabela.Active() || tabela.IsEmpty())
        return;
    TAmpulheta ampulheta;
    // The result grids shrink by two pixels while the query runs and take
    // their height back after it (they then repaint whole).
    struct TAltura {
        TPaginaPeca& p;
        std::vector<int> alturas;
        explicit TAltura(TPaginaPeca& pagina)
            : p(pagina)
        {
            for (TDBGrid* g : p.GradesResultado) {
                alturas.push_back(g->height());
                g->setMaximumHeight(TPaginaPeca::AlturaDaGrade - 2);
            }
        }
        ~TAltura()
        {
            for (size_t i = 0; i < p.GradesResultado.size(); ++i) {
                TDBGrid* g = p.GradesResultado[i];
                g->setMaximumHeight(TPaginaPeca::AlturaDaGrade);
                g->resize(g->width(), alturas[i]);
            }
        }
    } altura { pagina };

    const char* const* campos = CamposPesquisados(tipo);
    TFaixa faixas[3];
    for (size_t i = 0; i < 3; ++i) {
        const double x = tabela.FieldByName(campos[i]).AsFloat();
        const int p = pagina.Percentuais[i]->currentText().toInt();
        faixas[i] = CalculaFaixa(x, p);
    }
    TFiltrosTransistor filtros;
    if (tipo == TTipoPeca::tpTransistores) {
        filtros.mesmaPolaridade = pagina.MesmaPolaridade->isChecked();
        if (filtros.mesmaPolaridade)
            filtros.polaridade = tabela.FieldByName("Polaridade").AsString();
        filtros.mesmoTipoDeUso = pagina.MesmoTipoDeUso->isChecked();
        if (filtros.mesmoTipoDeUso)
            filtros.uso = tabela.FieldByName("Uso").AsString();
    }
    db::TQuery& pesquisa = *Pesquisa(tipo);
    pesquisa.Close();
    pesquisa.SQL().Clear();
    pesquisa.SQL().Add(SqlSimilares(tipo, faixas, filtros));
    pesquisa.Open();
}

void TFormulario::closeEvent(QCloseEvent* evento)
{
    if (permitir_) {
        bool sim = true; // a box that fails lets the window close
        try {
            QApplication::beep();
            sim = mensagens_->Pergunta("Do you want to finish Tavix Electronics?");
        } catch (...) {
            sim = true;
        }
        if (!sim) {
            evento->ignore();
            return;
        }
    }
    evento->accept();
    if (modulo_)
        Protegido(*mensagens_, [&] { modulo_->FechaBancosDeDados(); });
}

} // namespace crossref
