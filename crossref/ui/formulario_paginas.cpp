// The About page, the pages of the colour codes, repairs and technical
// texts, and the hooks through which the first show, the clipboard and the
// page control reach those pages.

#include "crossref/modulo_de_dados.h"
#include "crossref/ui/caixa_legenda.h"
#include "crossref/ui/formulario.h"
#include "crossref/ui/pagina_codigos_de_cores.h"
#include "crossref/ui/pagina_reparos.h"
#include "crossref/ui/pagina_textos.h"
#include "crossref/ui/quadro_imagem.h"
#include "platform/paradox/paradox.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>

namespace crossref {

namespace {

QLabel* Rotulo(const QString& texto, QWidget* pai, int pontos = 0, bool negrito = false)
{
    auto* rotulo = new QLabel(texto, pai);
    rotulo->setWordWrap(true);
    if (pontos > 0 || negrito) {
        QFont fonte = rotulo->font();
        if (pontos > 0)
            fonte.setPointSize(pontos);
        fonte.setBold(negrito);
        rotulo->setFont(fonte);
    }
    return rotulo;
}

} // namespace

void TFormulario::CriaPaginaSobre()
{
    PaginaSobre = new QWidget(PageControl);
    PaginaSobre->setObjectName("Sobre");
    auto* linha = new QHBoxLayout(PaginaSobre);
    linha->setContentsMargins(16, 16, 16, 16);
    linha->setSpacing(20);

    ImagemAbertura = new TQuadroImagem(PaginaSobre);
    ImagemAbertura->setObjectName("ImagemAbertura");
    ImagemAbertura->setMinimumSize(360, 240);
    ImagemAbertura->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    linha->addWidget(ImagemAbertura, 0, Qt::AlignTop);

    auto* textos = new QVBoxLayout();
    textos->setSpacing(8);
    textos->addWidget(Rotulo(tr("Tavix Electronics"), PaginaSobre, 18, true));
    textos->addWidget(Rotulo(tr("Semiconductor cross-reference, version 1.0"), PaginaSobre, 11));
    textos->addWidget(Rotulo(
        tr("Note: This software is based in part on the work of the Independent JPEG Group Software"), PaginaSobre));
    auto* versao = new QHBoxLayout();
    auto* rotuloVersao = Rotulo(tr("Database version:"), PaginaSobre);
    rotuloVersao->setWordWrap(false);
    versao->addWidget(rotuloVersao);
    auto* numero = Rotulo(tr("n/a"), PaginaSobre);
    numero->setObjectName("VersaoDoBanco");
    versao->addWidget(numero, 1);
    textos->addLayout(versao);
    textos->addSpacing(12);

    Aviso1 = Rotulo(QString(), PaginaSobre, 0, true);
    Aviso1->setObjectName("Aviso1");
    Aviso1->hide();
    Aviso2 = Rotulo(QString(), PaginaSobre);
    Aviso2->setObjectName("Aviso2");
    Aviso2->hide();
    textos->addWidget(Aviso1);
    textos->addWidget(Aviso2);
    textos->addStretch(1);
    linha->addLayout(textos, 1);
    PageControl->addTab(PaginaSobre, tr("About..."));
}

void TFormulario::MostraAvisos()
{
    Aviso1->setText(tr("Important: This software do its best to identify similars/nearests semiconductors. However, in "
                       "critical mission applications or when the user needs complete informations about the "
                       "semiconductors compiled here, it will be necessary to resort to the datasheets/databooks "
                       "suplied by the Companies."));
    Aviso1->show();
    Aviso2->setText(tr("Tavixsoft/Tavix Electronics is not an authorized representative of any Company that have their "
                       "products included in this software and has no authority to represent such Companies or its "
                       "products in any capacity, either express or implied. Any inaccurated information contained "
                       "herein is not responsibility of any Company included in this software and such inaccuracies, "
                       "if exists, create no third party rights against the these Companies."));
    Aviso2->show();
}

void TFormulario::CriaPaginasDeOutrosComponentes()
{
    // Colour-code calculators: the two pictures are filled at first show.
    CodigosDeCores = new TPaginaCodigosDeCores(PageControl);
    CodigosDeCores->AoFalhar = [this](const std::exception_ptr& erro) { Mensagens().Erro(TextoDoErro(erro)); };
    PaginaOutrosComponentes = CodigosDeCores;
    ImagemResistor = CodigosDeCores->ImagemResistor;
    ImagemCapacitor = CodigosDeCores->ImagemCapacitor;
    PageControl->addTab(PaginaOutrosComponentes, tr("Other components"));

    PaginaReparos = Reparos = new TPaginaReparos(*mensagens_, PageControl);
    PageControl->addTab(PaginaReparos, tr("Repairs/hints database"));

    // Notes editor page: its status bar holds the caret, modified and file panels.
    PaginaTextos = Textos = new TPaginaTextos(*mensagens_, diretorioBase_, PageControl);
    StatusBar = Textos->StatusBar;
    PaineisDeStatus = Textos->PaineisDeStatus;
    PageControl->addTab(PaginaTextos, tr("Technical texts"));
}

// --- hooks filled in by the pages' own code --------------------------------

// First show, step 2: caret and modified panels, Undo and Paste buttons,
// ruler text, markers and style buttons of the notes editor.
void TFormulario::PreparaEstadoDoEditor()
{
    Textos->PreparaEstado();
    AtualizaBotaoColar();
}

// The clipboard changed: the notes editor's Paste button follows it.
void TFormulario::AtualizaBotaoColar()
{
    Textos->AtualizaBotaoColar();
}

// First show, step 8: every colour-code band list to its first item.
void TFormulario::IniciaCodigosDeCores()
{
    CodigosDeCores->Inicia();
}

// Repair table scrolled, and first show, step 10: copy the current repair
// record into the repair page's edit boxes.
void TFormulario::CopiaRegistroBDR()
{
    if (primeiraExibicao_ || !modulo_ || !modulo_->TabelaBDR.Active())
        return;
    Reparos->CopiaRegistroBDR();
}

// "Technical texts" became the active page: focus the editor and refresh its
// modified panel.
void TFormulario::AoMostrarTextosTecnicos()
{
    Textos->AoMostrar();
}

// Options > Legend: a fresh legend box each time, freed when it closes.
void TFormulario::Legenda1Click()
{
    TCaixaLegenda caixa;
    caixa.exec();
}

// Help > Contents (F1): the HTML help in the system's browser.
void TFormulario::Conteudo1Click()
{
    const auto pagina = paradox::resolveNoCase(DiretorioBase(), "Help\\visao_geral.html");
    if (!pagina) {
        // One separator throughout: the base directory's own.
        const std::filesystem::path esperada = std::filesystem::path(DiretorioBase()) / "Help" / "visao_geral.html";
        Mensagens().Erro("Help file not found: " + esperada.string());
        return;
    }
    // Without a browser the shell opens nothing; say so rather than leave
    // the user waiting for a window that never comes.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(pagina->string()))))
        Mensagens().Erro("The help could not be opened: no program is set up to show " + pagina->string());
}

} // namespace crossref
