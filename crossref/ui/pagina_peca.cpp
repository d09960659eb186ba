#include "crossref/ui/pagina_peca.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>

namespace crossref {

namespace {

// Turns every letter typed or pasted into a capital.
class TMaiusculas : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& texto, int&) const override
    {
        texto = texto.toUpper();
        return Acceptable;
    }
};

struct TNomes {
    const char* busca;
    std::array<const char*, 3> percentuais;
    std::array<const char*, 3> rotulos;
    const char* botao;
    const char* gradeOriginal; // followed by the grid number
    const char* gradeResultado;
    const char* imagem;
    int grades;
    const char* rotuloNota; // "Comments" or "Note:"
    const char* campoNota;
};

const TNomes& Nomes(TTipoPeca tipo)
{
    static const TNomes transistores { "TBBuscaRapida", { "PesquisarTBVceo", "PesquisarTBIc", "PesquisarTBPd" },
        { "Search Vceo up to", "Search Ic up to", "Search Pd up to" }, "TransistoresEquivalentes", "DBGridTO",
        "DBGridT", "ImagemTransistor", 4, "Comments", "Observacoes" };
    static const TNomes diodosR { "DRBuscaRapida", { "PesquisarDRVr", "PesquisarDRIf", "PesquisarDRPd" },
        { "Search Vr up to", "Search If up to", "Search Pd up to" }, "DiodosREquivalentes", "DBGridDRO", "DBGridDR",
        "ImagemDiodoR", 2, "Note:", "Nota" };
    static const TNomes diodosZ { "DZBuscaRapida", { "PesquisarDZTn", "PesquisarDZIz", "PesquisarDZPd" },
        { "Search Vz up to", "Search Iz up to", "Search Pd up to" }, "DiodosZEquivalentes", "DBGridDZO", "DBGridDZ",
        "ImagemDiodoZ", 2, "Note:", "Nota" };
    return *PorTipo(tipo, &transistores, &diodosR, &diodosZ);
}

const TColunas& Colunas(TTipoPeca tipo, int grade)
{
    return PorTipo(tipo, &ColunasTransistores, &ColunasDiodosR, &ColunasDiodosZ)(grade);
}

// The headings above a grid, one label per column at the column's width
// (the grids have no title row of their own).
QWidget* CriaTitulos(const TDBGrid& grade, const TColunas& colunas, QWidget* pai)
{
    auto* titulos = new QWidget(pai);
    auto* linha = new QHBoxLayout(titulos);
    linha->setContentsMargins(0, 0, 0, 0);
    linha->setSpacing(0);
    linha->addSpacing(14 + grade.frameWidth());
    QFont fonte = titulos->font();
    fonte.setPointSize(8);
    fonte.setBold(true);
    int altura = 0;
    for (const auto& coluna : colunas) {
        auto* rotulo = new QLabel(QString::fromStdString(coluna.titulo), titulos);
        rotulo->setFont(fonte);
        rotulo->setFixedWidth(coluna.largura);
        rotulo->setAlignment(
            coluna.aEsquerda ? (Qt::AlignLeft | Qt::AlignBottom) : (Qt::AlignHCenter | Qt::AlignBottom));
        rotulo->setWordWrap(true);
        linha->addWidget(rotulo);
        altura = std::max(altura, rotulo->heightForWidth(coluna.largura));
    }
    linha->addStretch(1);
    // As high as the longest wrapped heading, also when the page is squeezed.
    titulos->setFixedHeight(altura);
    return titulos;
}

// The page's column. It does not offer a height for each width (its wrapped
// labels would), so that the scroll area gives it the height of the window
// down to its minimum instead of its preferred height.
class TColunaDaPagina : public QVBoxLayout {
public:
    using QVBoxLayout::QVBoxLayout;
    bool hasHeightForWidth() const override { return false; }
};

} // namespace

QComboBox* CriaCaixaDePercentual(QWidget* pai)
{
    auto* caixa = new QComboBox(pai);
    caixa->setEditable(false);
    for (const auto& item : ItensPercentuais())
        caixa->addItem(QString::fromStdString(item));
    caixa->setMaxVisibleItems(12);
    return caixa;
}

TPaginaPeca::TPaginaPeca(TTipoPeca tipo, QWidget* pai)
    : QWidget(pai)
    , tipo_(tipo)
{
    // Below the size the controls need the page scrolls rather than let
    // them overlap.
    auto* fora = new QVBoxLayout(this);
    fora->setContentsMargins(0, 0, 0, 0);
    Rolagem = new QScrollArea(this);
    Rolagem->setObjectName("Rolagem");
    Rolagem->setFrameShape(QFrame::NoFrame);
    Rolagem->setWidgetResizable(true);
    fora->addWidget(Rolagem);
    Conteudo = new QWidget(Rolagem);
    Conteudo->setObjectName("Conteudo");

    auto* coluna = new TColunaDaPagina(Conteudo);
    coluna->setContentsMargins(6, 6, 6, 6);
    coluna->setSpacing(4);
    barraDePesquisa_ = CriaBarraDePesquisa();
    coluna->addWidget(barraDePesquisa_);
    FalhaDaTabela = new QLabel(Conteudo);
    FalhaDaTabela->setObjectName("FalhaDaTabela");
    FalhaDaTabela->setWordWrap(true);
    FalhaDaTabela->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FalhaDaTabela->setStyleSheet("QLabel { color: #b00000; font-weight: bold; }");
    FalhaDaTabela->hide();
    coluna->addWidget(FalhaDaTabela);
    coluna->addWidget(CriaLado(false));
    coluna->addWidget(CriaLado(true));
    // The second sentence explains transistor columns only.
    QString nota = tr("A rating of 0 or \"-\" means that the datasheet gives no value.");
    if (tipo_ == TTipoPeca::tpTransistores)
        nota += tr("  (**) Tamb: ambient temperature, Tenc: case temperature; Ftip: typical, Fmin: minimum noise "
                   "figure.");
    auto* aviso = new QLabel(nota, Conteudo);
    aviso->setObjectName("NotaDasColunas");
    QFont fonte = aviso->font();
    fonte.setPointSize(8);
    aviso->setFont(fonte);
    aviso->setWordWrap(true);
    coluna->addWidget(aviso);
    coluna->addStretch(1);
    Rolagem->setWidget(Conteudo);
}

QWidget* TPaginaPeca::CriaBarraDePesquisa()
{
    const TNomes& nomes = Nomes(tipo_);
    auto* barra = new QWidget(this);
    auto* linha = new QHBoxLayout(barra);
    linha->setContentsMargins(0, 0, 0, 0);

    linha->addWidget(new QLabel(tr("Quick search:"), barra));
    BuscaRapida = new QLineEdit(barra);
    BuscaRapida->setObjectName(nomes.busca);
    BuscaRapida->setValidator(new TMaiusculas(BuscaRapida));
    BuscaRapida->setMaxLength(20);
    BuscaRapida->setFixedWidth(120);
    linha->addWidget(BuscaRapida);
    linha->addSpacing(12);

    auto* percentuais = new QGridLayout();
    percentuais->setHorizontalSpacing(4);
    percentuais->setVerticalSpacing(2);
    for (int i = 0; i < 3; ++i) {
        percentuais->addWidget(new QLabel(tr(nomes.rotulos[static_cast<size_t>(i)]), barra), i, 0);
        auto* caixa = CriaCaixaDePercentual(barra);
        caixa->setObjectName(nomes.percentuais[static_cast<size_t>(i)]);
        Percentuais[static_cast<size_t>(i)] = caixa;
        percentuais->addWidget(caixa, i, 1);
        percentuais->addWidget(new QLabel(tr("% above the original"), barra), i, 2);
    }
    linha->addLayout(percentuais);
    linha->addSpacing(12);

    auto* acoes = new QVBoxLayout();
    if (tipo_ == TTipoPeca::tpTransistores) {
        MesmaPolaridade = new QCheckBox(tr("Same polarity"), barra);
        MesmaPolaridade->setObjectName("TBMesmaPolaridade");
        MesmoTipoDeUso = new QCheckBox(tr("Same type of use"), barra);
        MesmoTipoDeUso->setObjectName("TBMesmoTipoDeUso");
        acoes->addWidget(MesmaPolaridade);
        acoes->addWidget(MesmoTipoDeUso);
    }
    Equivalentes = new QPushButton(tr("Fetch similar/nearest"), barra);
    Equivalentes->setObjectName(nomes.botao);
    acoes->addWidget(Equivalentes);
    linha->addLayout(acoes);
    linha->addStretch(1);
    return barra;
}

QWidget* TPaginaPeca::CriaLado(bool resultado)
{
    const TNomes& nomes = Nomes(tipo_);
    auto* grupo = new QGroupBox(resultado ? tr("Similar/nearest") : tr("Original"), this);
    auto* grade = new QGridLayout(grupo);
    grade->setContentsMargins(6, 4, 6, 4);
    grade->setHorizontalSpacing(6);
    grade->setVerticalSpacing(0);

    auto& grades = resultado ? GradesResultado : GradesOriginais;
    // Transistors have four grids, two per row; the diodes two side by side.
    const int porLinha = 2;
    for (int n = 1; n <= nomes.grades; ++n) {
        const TColunas& colunas = Colunas(tipo_, n);
        auto* g = new TDBGrid(nullptr, colunas, grupo);
        g->setObjectName(
            QString::fromUtf8(resultado ? nomes.gradeResultado : nomes.gradeOriginal) + QString::number(n));
        g->setFixedWidth(g->LarguraNatural());
        // Full height when there is room, a few rows on a small screen.
        g->setMinimumHeight(AlturaMinimaDaGrade);
        g->setMaximumHeight(AlturaDaGrade);
        g->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        grades.push_back(g);
        const int linha = ((n - 1) / porLinha) * 2;
        const int col = (n - 1) % porLinha;
        grade->addWidget(CriaTitulos(*g, colunas, grupo), linha, col, Qt::AlignLeft | Qt::AlignBottom);
        grade->addWidget(g, linha + 1, col, Qt::AlignLeft);
        grade->setRowStretch(linha + 1, 1);
    }
    const int linhasDeGrades = ((nomes.grades + porLinha - 1) / porLinha) * 2;

    auto& rotulos = resultado ? RotulosResultado : RotulosOriginais;
    auto* textos = new QGridLayout();
    textos->setContentsMargins(0, 4, 0, 0);
    textos->setHorizontalSpacing(6);
    auto* fabricante = new TDBText(nullptr, "Fabricante", grupo);
    auto* nota = new TDBText(nullptr, nomes.campoNota, grupo);
    nota->setWordWrap(true);
    for (TDBText* r : { fabricante, nota }) {
        r->setFrameShape(QFrame::Panel);
        r->setFrameShadow(QFrame::Sunken);
        r->setMinimumHeight(20);
        r->setTextInteractionFlags(Qt::TextSelectableByMouse);
        r->setObjectName(QString::fromUtf8(resultado ? "Resultado" : "Original") + QString::fromStdString(r->Campo()));
    }
    textos->addWidget(new QLabel(tr("Company:"), grupo), 0, 0);
    textos->addWidget(fabricante, 0, 1);
    textos->addWidget(new QLabel(tr(nomes.rotuloNota), grupo), 1, 0, Qt::AlignTop);
    textos->addWidget(nota, 1, 1);
    textos->setColumnStretch(1, 1);
    rotulos = { fabricante, nota };

    auto* imagem = new TQuadroImagem(grupo);
    imagem->setObjectName(QString::fromUtf8(nomes.imagem) + (resultado ? "2" : "1"));
    imagem->setFrameShape(QFrame::StyledPanel);
    imagem->setMinimumSize(180, 120);
    (resultado ? ImagemResultado : ImagemOriginal) = imagem;

    if (nomes.grades > porLinha) {
        // Two rows of grids: the texts go beside them, above the picture, so
        // that the page fits a screen 768 pixels high.
        auto* direita = new QVBoxLayout();
        direita->setSpacing(4);
        direita->addLayout(textos);
        direita->addWidget(imagem, 1);
        grade->addLayout(direita, 0, porLinha, linhasDeGrades, 1);
    } else {
        grade->addLayout(textos, linhasDeGrades, 0, 1, porLinha);
        grade->addWidget(imagem, 0, porLinha, linhasDeGrades + 1, 1);
    }
    grade->setColumnStretch(porLinha, 1);
    return grupo;
}

void TPaginaPeca::LigaDataSets(db::TDataSet* tabela, db::TDataSet* consulta)
{
    for (TDBGrid* g : GradesOriginais)
        g->SetDataSet(tabela);
    for (TDBText* r : RotulosOriginais)
        r->SetDataSet(tabela);
    for (TDBGrid* g : GradesResultado)
        g->SetDataSet(consulta);
    for (TDBText* r : RotulosResultado)
        r->SetDataSet(consulta);
}

void TPaginaPeca::MostraFalhaDaTabela(const std::string& falha)
{
    QString texto;
    if (!falha.empty())
        texto = tr("The table of this page could not be opened, so the page stays empty:\n")
            + QString::fromStdString(falha);
    FalhaDaTabela->setText(texto);
    FalhaDaTabela->setVisible(!falha.empty());
    barraDePesquisa_->setEnabled(falha.empty());
}

} // namespace crossref
