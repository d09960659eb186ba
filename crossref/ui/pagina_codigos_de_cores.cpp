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
    auto* linha = new QHBoxLayout(aba);

    auto* esquerda = new QVBoxLayout();
    ImagemResistor = Imagem("ImagemResistor", aba);
    esquerda->addWidget(ImagemResistor);
    const auto tipos = TiposDeResistor();
    for (size_t i = 0; i < Resistor.size(); ++i) {
        Resistor[i] = new QRadioButton(QString::fromUtf8(tipos[i]), aba);
        Resistor[i]->setObjectName(QStringLiteral("Resistor%1").arg(i + 1));
        const int tipo = static_cast<int>(i) + 1;
        connect(Resistor[i], &QRadioButton::toggled, this, [this, tipo](bool marcado) {
            if (marcado)
                ResistorClick(tipo);
        });
        esquerda->addWidget(Resistor[i]);
    }
    esquerda->addStretch(1);
    linha->addLayout(esquerda);
    linha->addSpacing(24); // inner layouts keep the default spacing

    auto* direita = new QVBoxLayout();
    auto* bandas = new QGridLayout();
    Cor1 = Lista("Cor1", CoresPrimeiroDigito(), aba);
    Cor2 = Lista("Cor2", CoresDigito(), aba);
    Cor3 = Lista("Cor3", CoresDigito(), aba);
    Multiplicador = Lista("Multiplicador", CoresMultiplicador(), aba);
    Tolerancia = Lista("Tolerancia", CoresToleranciaResistor(), aba);
    const std::pair<const char*, QComboBox*> linhas[] = { { "a - 1st. number", Cor1 }, { "b - 2nd. number", Cor2 },
        { "c - 3rd. number", Cor3 }, { "d - multiplier", Multiplicador }, { "e - tolerance", Tolerancia } };
    int n = 0;
    for (const auto& [texto, lista] : linhas) {
        bandas->addWidget(Rotulo(tr(texto), nullptr, aba), n, 0);
        bandas->addWidget(lista, n, 1);
        // A click on the list clears the result even when it keeps its colour.
        connect(lista, &QComboBox::activated, this, [this] { ZeraResultadoResistor(); });
        connect(lista, &QComboBox::currentIndexChanged, this, [this] { ZeraResultadoResistor(); });
        ++n;
    }
    direita->addLayout(bandas);

    IgualResistor = new QPushButton(QStringLiteral("="), aba);
    IgualResistor->setObjectName("IgualResistor");
    IgualResistor->setFixedWidth(60);
    connect(IgualResistor, &QPushButton::clicked, this, [this] { Protegido([this] { IgualResistorClick(); }); });
    direita->addWidget(IgualResistor);

    // Hidden labels take no room, so the unit follows the value and its prefix.
    auto* valor = new QHBoxLayout();
    valor->setSpacing(0);
    Valor = Rotulo(tr(kNaoDisponivel), "Valor", aba, true);
    Kilo = Rotulo(QStringLiteral("K"), "Kilo", aba, true);
    Mega = Rotulo(QStringLiteral("M"), "Mega", aba, true);
    Omega = Rotulo(QString(QChar(0x03A9)), "Omega", aba, true);
    for (QLabel* rotulo : { Valor, Kilo, Mega, Omega })
        valor->addWidget(rotulo);
    valor->addStretch(1);
    direita->addSpacing(8);
    direita->addLayout(valor);

    auto* tolerancia = new QHBoxLayout();
    tolerancia->addWidget(Rotulo(tr("Tolerance:"), nullptr, aba));
    ValorTolerancia = Rotulo(tr(kNaoDisponivel), "ValorTolerancia", aba, true);
    tolerancia->addWidget(ValorTolerancia);
    tolerancia->addStretch(1);
    direita->addLayout(tolerancia);
    direita->addStretch(1);
    linha->addLayout(direita);
    linha->addStretch(1);

    Resistor[0]->setChecked(true); // type 1: two digits, band c off
    ZeraResultadoResistor();
    return aba;
}

QWidget* TPaginaCodigosDeCores::CriaCapacitores()
{
    auto* aba = new QWidget(this);
    aba->setObjectName("Capacitores");
    auto* linha = new QHBoxLayout(aba);

    auto* esquerda = new QVBoxLayout();
    ImagemCapacitor = Imagem("ImagemCapacitor", aba);
    esquerda->addWidget(ImagemCapacitor);
    esquerda->addStretch(1);
    linha->addLayout(esquerda);
    linha->addSpacing(24); // inner layouts keep the default spacing

    auto* direita = new QVBoxLayout();
    auto* bandas = new QGridLayout();
    CorCapacitor1 = Lista("CorCapacitor1", CoresPrimeiroDigitoCapacitor(), aba);
    CorCapacitor2 = Lista("CorCapacitor2", CoresDigitoCapacitor(), aba);
    MultiplicadorCapacitor = Lista("MultiplicadorCapacitor", CoresDigitoCapacitor(), aba);
    ToleranciaCapacitor = Lista("ToleranciaCapacitor", CoresToleranciaCapacitor(), aba);
    TensaoCapacitor = Lista("TensaoCapacitor", CoresTensaoCapacitor(), aba);
    const std::pair<const char*, QComboBox*> linhas[] = { { "a - 1st. number", CorCapacitor1 },
        { "b - 2nd. number", CorCapacitor2 }, { "c- multiplier", MultiplicadorCapacitor },
        { "d - tolerance", ToleranciaCapacitor }, { "e - Work voltage", TensaoCapacitor } };
    int n = 0;
    for (const auto& [texto, lista] : linhas) {
        bandas->addWidget(Rotulo(tr(texto), nullptr, aba), n, 0);
        bandas->addWidget(lista, n, 1);
        // A click on the list clears the result even when it keeps its colour.
        connect(lista, &QComboBox::activated, this, [this] { ZeraResultadoCapacitor(); });
        connect(lista, &QComboBox::currentIndexChanged, this, [this] { ZeraResultadoCapacitor(); });
        ++n;
    }
    direita->addLayout(bandas);

    IgualCapacitor = new QPushButton(QStringLiteral("="), aba);
    IgualCapacitor->setObjectName("IgualCapacitor");
    IgualCapacitor->setFixedWidth(60);
    connect(IgualCapacitor, &QPushButton::clicked, this, [this] { Protegido([this] { IgualCapacitorClick(); }); });
    direita->addWidget(IgualCapacitor);

    auto* valor = new QHBoxLayout();
    valor->setSpacing(0);
    ValorCapacitancia = Rotulo(tr(kNaoDisponivel), "ValorCapacitancia", aba, true);
    Capacitancia = Rotulo(QStringLiteral("nF"), "Capacitancia", aba, true);
    valor->addWidget(ValorCapacitancia);
    valor->addWidget(Capacitancia);
    valor->addStretch(1);
    direita->addSpacing(8);
    direita->addLayout(valor);

    auto* resultados = new QGridLayout();
    resultados->addWidget(Rotulo(tr("Tolerance:"), nullptr, aba), 0, 0);
    ValorToleranciaCapacitor = Rotulo(tr(kNaoDisponivel), "ValorToleranciaCapacitor", aba, true);
    resultados->addWidget(ValorToleranciaCapacitor, 0, 1);
    resultados->addWidget(Rotulo(tr("Work voltage:"), nullptr, aba), 1, 0);
    ValorTensao = Rotulo(tr(kNaoDisponivel), "ValorTensao", aba, true);
    resultados->addWidget(ValorTensao, 1, 1);
    resultados->setColumnStretch(2, 1);
    direita->addLayout(resultados);
    direita->addStretch(1);
    linha->addLayout(direita);
    linha->addStretch(1);

    ZeraResultadoCapacitor();
    return aba;
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
