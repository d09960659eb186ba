#include "crossref/ui/pagina_codigos_de_cores.h"

#include "crossref/codigos_de_cores.h"
#include "crossref/ui/quadro_imagem.h"

#include <QComboBox>
#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace crossref {

namespace {

const char* const kNaoDisponivel = "n/a";

QComboBox* Lista(const char* nome, std::span<const char* const> itens, QWidget* pai)
{
    auto* lista = new QComboBox(pai); // a drop-down list: not editable
    lista->setObjectName(nome);
    for (const char* item : itens)
        lista->addItem(QString::fromUtf8(item));
    lista->setMinimumWidth(130);
    return lista;
}

QLabel* Rotulo(const QString& texto, const char* nome, QWidget* pai, bool resultado = false)
{
    auto* rotulo = new QLabel(texto, pai);
    if (nome)
        rotulo->setObjectName(nome);
    if (resultado) {
        QFont fonte = rotulo->font();
        fonte.setPointSize(fonte.pointSize() + 3);
        fonte.setBold(true);
        rotulo->setFont(fonte);
    }
    return rotulo;
}

// The picture of a calculator: fixed at the size the pictures are drawn.
TQuadroImagem* Imagem(const char* nome, QWidget* pai)
{
    auto* imagem = new TQuadroImagem(pai);
    imagem->setObjectName(nome);
    imagem->setMinimumSize(240, 180);
    imagem->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    imagem->setFrameShape(QFrame::StyledPanel);
    return imagem;
}

} // namespace

TPaginaCodigosDeCores::TPaginaCodigosDeCores(QWidget* pai)
    : QWidget(pai)
{
    setObjectName("OutrosComponentes");
    Calculadoras = new QTabWidget(this);
    Calculadoras->setObjectName("Calculadoras");
    Calculadoras->addTab(CriaResistores(), tr("Resistors"));
    Calculadoras->addTab(CriaCapacitores(), tr("Polyester capacitors"));
    auto* coluna = new QVBoxLayout(this);
    coluna->addWidget(Calculadoras);
}

QWidget* TPaginaCodigosDeCores::CriaResistores()
{
    auto* aba = new QWidget(this);
    aba->setObjectName("Resistores");
    ImagemResistor = Imagem("ImagemResistor", aba);
    const auto tipos = TiposDeResistor();
    for (size_t i = 0; i < Resistor.size(); ++i) {
        Resistor[i] = new QRadioButton(QString::fromUtf8(tipos[i]), aba);
        Resistor[i]->setObjectName(QStringLiteral("Resistor%1").arg(i + 1));
        const int tipo = static_cast<int>(i) + 1;
        connect(Resistor[i], &QRadioButton::toggled, this, [this, tipo](bool marcado) {
            if (marcado)
                ResistorClick(tipo);
        });
    }

    Cor1 = Lista("Cor1", CoresPrimeiroDigito(), aba);
    Cor2 = Lista("Cor2", CoresDigito(), aba);
    Cor3 = Lista("Cor3", CoresDigito(), aba);
    Multiplicador = Lista("Multiplicador", CoresMultiplicador(), aba);
    Tolerancia = Lista("Tolerancia", CoresToleranciaResistor(), aba);
    IgualResistor = new QPushButton(QStringLiteral("="), aba);
    IgualResistor->setObjectName("IgualResistor");
    connect(IgualResistor, &QPushButton::clicked, this, [this] { Protegido([this] { IgualResistorClick(); }); });
    Valor = Rotulo(tr(kNaoDisponivel), "Valor", aba, true);
    Kilo = Rotulo(QStringLiteral("K"), "Kilo", aba, true);
    Mega = Rotulo(QStringLiteral("M"), "Mega", aba, true);
    Omega = Rotulo(QString(QChar(0x03A9)), "Omega", aba, true);
    ValorTolerancia = Rotulo(tr(kNaoDisponivel), "ValorTolerancia", aba, true);

    std::vector<QWidget*> esquerda { ImagemResistor };
    esquerda.insert(esquerda.end(), Resistor.begin(), Resistor.end());
    const auto legendas = LegendasDasBandas(1);
    const std::vector<QLabel*> rotulos = Dispoe(aba, esquerda,
        { { legendas[0], Cor1 }, { legendas[1], Cor2 }, { legendas[2], Cor3 }, { legendas[3], Multiplicador },
            { legendas[4], Tolerancia } },
        &TPaginaCodigosDeCores::ZeraResultadoResistor, IgualResistor, { Valor, Kilo, Mega, Omega },
        { { "Tolerance:", ValorTolerancia } });
    std::copy(rotulos.begin(), rotulos.end(), RotulosDasBandas.begin());

    Resistor[0]->setChecked(true); // type 1: two digits, band c off
    ZeraResultadoResistor();
    return aba;
}

QWidget* TPaginaCodigosDeCores::CriaCapacitores()
{
    auto* aba = new QWidget(this);
    aba->setObjectName("Capacitores");
    ImagemCapacitor = Imagem("ImagemCapacitor", aba);
    CorCapacitor1 = Lista("CorCapacitor1", CoresPrimeiroDigitoCapacitor(), aba);
    CorCapacitor2 = Lista("CorCapacitor2", CoresDigitoCapacitor(), aba);
    MultiplicadorCapacitor = Lista("MultiplicadorCapacitor", CoresDigitoCapacitor(), aba);
    ToleranciaCapacitor = Lista("ToleranciaCapacitor", CoresToleranciaCapacitor(), aba);
    TensaoCapacitor = Lista("TensaoCapacitor", CoresTensaoCapacitor(), aba);
    IgualCapacitor = new QPushButton(QStringLiteral("="), aba);
    IgualCapacitor->setObjectName("IgualCapacitor");
    connect(IgualCapacitor, &QPushButton::clicked, this, [this] { Protegido([this] { IgualCapacitorClick(); }); });
    ValorCapacitancia = Rotulo(tr(kNaoDisponivel), "ValorCapacitancia", aba, true);
    Capacitancia = Rotulo(QStringLiteral("nF"), "Capacitancia", aba, true);
    ValorToleranciaCapacitor = Rotulo(tr(kNaoDisponivel), "ValorToleranciaCapacitor", aba, true);
    ValorTensao = Rotulo(tr(kNaoDisponivel), "ValorTensao", aba, true);

    Dispoe(aba, { ImagemCapacitor },
        { { "a - 1st. number", CorCapacitor1 }, { "b - 2nd. number", CorCapacitor2 },
            { "c- multiplier", MultiplicadorCapacitor }, { "d - tolerance", ToleranciaCapacitor },
            { "e - Work voltage", TensaoCapacitor } },
        &TPaginaCodigosDeCores::ZeraResultadoCapacitor, IgualCapacitor, { ValorCapacitancia, Capacitancia },
        { { "Tolerance:", ValorToleranciaCapacitor }, { "Work voltage:", ValorTensao } });

    ZeraResultadoCapacitor();
    return aba;
}

std::vector<QLabel*> TPaginaCodigosDeCores::Dispoe(QWidget* aba, const std::vector<QWidget*>& esquerda,
    std::initializer_list<std::pair<const char*, QComboBox*>> bandas, void (TPaginaCodigosDeCores::*zera)(),
    QPushButton* igual, std::initializer_list<QLabel*> valor,
    std::initializer_list<std::pair<const char*, QLabel*>> resultados)
{
    auto* linha = new QHBoxLayout(aba);
    auto* colunaEsquerda = new QVBoxLayout();
    for (QWidget* w : esquerda)
        colunaEsquerda->addWidget(w);
    colunaEsquerda->addStretch(1);
    linha->addLayout(colunaEsquerda);
    linha->addSpacing(24); // inner layouts keep the default spacing

    auto* direita = new QVBoxLayout();
    auto* grade = new QGridLayout();
    std::vector<QLabel*> rotulos;
    int n = 0;
    for (const auto& [texto, lista] : bandas) {
        rotulos.push_back(Rotulo(tr(texto), nullptr, aba));
        grade->addWidget(rotulos.back(), n, 0);
        grade->addWidget(lista, n, 1);
        // A click on the list clears the result even when it keeps its colour.
        connect(lista, &QComboBox::activated, this, zera);
        connect(lista, &QComboBox::currentIndexChanged, this, zera);
        ++n;
    }
    direita->addLayout(grade);
    igual->setFixedWidth(60);
    direita->addWidget(igual);

    // Hidden labels take no room, so the unit follows the value and its prefix.
    auto* linhaDoValor = new QHBoxLayout();
    linhaDoValor->setSpacing(0);
    for (QLabel* rotulo : valor)
        linhaDoValor->addWidget(rotulo);
    linhaDoValor->addStretch(1);
    direita->addSpacing(8);
    direita->addLayout(linhaDoValor);

    auto* gradeDeResultados = new QGridLayout();
    n = 0;
    for (const auto& [texto, rotulo] : resultados) {
        gradeDeResultados->addWidget(Rotulo(tr(texto), nullptr, aba), n, 0);
        gradeDeResultados->addWidget(rotulo, n, 1);
        ++n;
    }
    gradeDeResultados->setColumnStretch(2, 1);
    direita->addLayout(gradeDeResultados);
    direita->addStretch(1);
    linha->addLayout(direita);
    linha->addStretch(1);
    return rotulos;
}

void TPaginaCodigosDeCores::Inicia()
{
    for (QComboBox* lista : { Cor1, Cor2, Cor3, Multiplicador, Tolerancia, CorCapacitor1, CorCapacitor2,
             MultiplicadorCapacitor, ToleranciaCapacitor, TensaoCapacitor })
        lista->setCurrentIndex(0);
}

int TPaginaCodigosDeCores::TipoDeResistor() const
{
    for (size_t i = 0; i < Resistor.size(); ++i)
        if (Resistor[i]->isChecked())
            return static_cast<int>(i) + 1;
    return 1;
}

void TPaginaCodigosDeCores::ResistorClick(int tipo)
{
    // The buttons share one parent, so checking one unchecks the others;
    // a direct call checks the button, whose signal comes back here.
    if (tipo >= 1 && tipo <= static_cast<int>(Resistor.size()) && !Resistor[tipo - 1]->isChecked()) {
        Resistor[tipo - 1]->setChecked(true);
        return;
    }
    Cor3->setEnabled(TemTerceiroDigito(tipo));
    const auto legendas = LegendasDasBandas(tipo);
    for (size_t i = 0; i < RotulosDasBandas.size(); ++i)
        RotulosDasBandas[i]->setText(tr(legendas[i]));
    RotulosDasBandas[2]->setEnabled(Cor3->isEnabled());
    ZeraResultadoResistor();
}

void TPaginaCodigosDeCores::ZeraResultadoResistor()
{
    Valor->setText(tr(kNaoDisponivel));
    ValorTolerancia->setText(tr(kNaoDisponivel));
    Mega->hide();
    Kilo->hide();
    Omega->hide();
}

void TPaginaCodigosDeCores::IgualResistorClick()
{
    TBandasResistor bandas;
    bandas.tipo = TipoDeResistor();
    bandas.cor1 = Cor1->currentIndex();
    bandas.cor2 = Cor2->currentIndex();
    bandas.cor3 = Cor3->currentIndex();
    bandas.multiplicador = Multiplicador->currentIndex();
    bandas.tolerancia = Tolerancia->currentIndex();
    TValorResistor r;
    try {
        r = CalculaResistor(bandas, rtl::formatSettings());
    } catch (...) {
        ZeraResultadoResistor(); // never an old value beside the error
        throw;
    }
    Valor->setText(QString::fromStdString(r.valor));
    Kilo->setVisible(r.prefixo == TPrefixo::pfKilo);
    Mega->setVisible(r.prefixo == TPrefixo::pfMega);
    Omega->show();
    ValorTolerancia->setText(QString::fromStdString(r.tolerancia));
}

void TPaginaCodigosDeCores::ZeraResultadoCapacitor()
{
    ValorCapacitancia->setText(tr(kNaoDisponivel));
    ValorTensao->setText(tr(kNaoDisponivel));
    ValorToleranciaCapacitor->setText(tr(kNaoDisponivel));
    Capacitancia->hide();
}

void TPaginaCodigosDeCores::IgualCapacitorClick()
{
    TBandasCapacitor bandas;
    bandas.cor1 = CorCapacitor1->currentIndex();
    bandas.cor2 = CorCapacitor2->currentIndex();
    bandas.multiplicador = MultiplicadorCapacitor->currentIndex();
    bandas.tolerancia = ToleranciaCapacitor->currentIndex();
    bandas.tensao = TensaoCapacitor->currentIndex();
    TValorCapacitor r;
    try {
        r = CalculaCapacitor(bandas, rtl::formatSettings());
    } catch (...) {
        ZeraResultadoCapacitor();
        throw;
    }
    ValorCapacitancia->setText(QString::fromStdString(r.nanofarads));
    Capacitancia->show();
    ValorToleranciaCapacitor->setText(QString::fromStdString(r.tolerancia));
    ValorTensao->setText(QString::fromStdString(r.tensao));
}

void TPaginaCodigosDeCores::Protegido(const std::function<void()>& acao)
{
    try {
        acao();
    } catch (...) {
        if (AoFalhar)
            AoFalhar(std::current_exception());
        else
            qWarning() << "colour-code calculator: unhandled failure";
    }
}

} // namespace crossref
