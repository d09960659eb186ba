// The "Other components" page of the main window on the sample product,
// offscreen: its lists, buttons and result labels, and a rendering of each
// calculator under the build tree.

#include "janela_de_teste.h"

#include "crossref/codigos_de_cores.h"
#include "crossref/ui/pagina_codigos_de_cores.h"
#include "crossref/ui/quadro_imagem.h"
#include "platform/rtl/format.h"
#include "tools/sampleproduct.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace crossref;

namespace {

class OutrosComponentes : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::formatSettings() = { '.', ',' };
        sampledata::writeSampleProduct(dir_.path());
        t_ = std::make_unique<teste::TJanela>(dir_.path());
        J().show();
        J().PageControl->setCurrentWidget(J().PaginaOutrosComponentes);
        ASSERT_TRUE(t_->msgs->Erros().empty()) << t_->msgs->Erros().front();
    }
    void TearDown() override
    {
        t_.reset();
        rtl::formatSettings() = separadores_;
    }
    TFormulario& J() { return *t_->janela; }
    TPaginaCodigosDeCores& P() { return *J().CodigosDeCores; }

    // Picks an item the way a user does: by its text, from the keyboard-less list.
    static void Escolhe(QComboBox* lista, const char* cor)
    {
        const int i = lista->findText(QString::fromUtf8(cor));
        ASSERT_GE(i, 0) << lista->objectName().toStdString() << ": " << cor;
        lista->setCurrentIndex(i);
        emit lista->activated(i);
    }
    // The label that stands directly right of `esquerda`, once the layout
    // has followed the new texts.
    static void AoLado(const QLabel* esquerda, const QLabel* direita)
    {
        QCoreApplication::processEvents();
        EXPECT_EQ(direita->geometry().left(), esquerda->geometry().right() + 1)
            << esquerda->objectName().toStdString() << " | " << direita->objectName().toStdString();
    }
    void Salva(const char* arquivo)
    {
        const std::filesystem::path saida = TAVIX_RENDER_DIR;
        std::filesystem::create_directories(saida);
        const auto caminho = saida / arquivo;
        QCoreApplication::processEvents();
        ASSERT_TRUE(J().grab().save(QString::fromStdString(caminho.string())));
        EXPECT_GT(std::filesystem::file_size(caminho), 1000u);
    }

    tavix::testing::TempDir dir_ { "crossref-cores" };
    std::unique_ptr<teste::TJanela> t_;
    rtl::FormatSettings separadores_ = rtl::formatSettings();
};

} // namespace

// Catches lists left empty or unselected at first show, pictures not
// loaded, or results that are not "n/a" before "=" is pressed.
TEST_F(OutrosComponentes, FirstShowPreparesBothCalculators)
{
    EXPECT_EQ(P().ImagemResistor, J().ImagemResistor);
    EXPECT_EQ(P().ImagemResistor->Figura().Nome(), "resistor");
    EXPECT_EQ(P().ImagemCapacitor->Figura().Nome(), "cap_poli");
    EXPECT_FALSE(P().ImagemResistor->Figura().Vazia());
    EXPECT_EQ(P().Calculadoras->tabText(0), "Resistors");
    EXPECT_EQ(P().Calculadoras->tabText(1), "Polyester capacitors");

    const std::pair<QComboBox*, const char*> listas[] = { { P().Cor1, "Brown" }, { P().Cor2, "Black" },
        { P().Cor3, "Black" }, { P().Multiplicador, "Silver" }, { P().Tolerancia, "Silver" },
        { P().CorCapacitor1, "Brown" }, { P().CorCapacitor2, "Black" }, { P().MultiplicadorCapacitor, "Black" },
        { P().ToleranciaCapacitor, "Silver" }, { P().TensaoCapacitor, "Brown" } };
    for (const auto& [lista, primeiro] : listas) {
        EXPECT_EQ(lista->currentIndex(), 0) << lista->objectName().toStdString();
        EXPECT_EQ(lista->currentText(), primeiro);
        EXPECT_FALSE(lista->isEditable());
    }
    EXPECT_EQ(P().Cor1->count(), 9);
    EXPECT_EQ(P().Tolerancia->itemText(5), "No color");
    EXPECT_EQ(P().ToleranciaCapacitor->itemText(3), "Body color");
    EXPECT_EQ(P().TensaoCapacitor->itemText(8), "White");

    EXPECT_TRUE(P().Resistor[0]->isChecked());
    EXPECT_EQ(P().Resistor[6]->text(), "7- Carbon film, precision");
    EXPECT_FALSE(P().Cor3->isEnabled());
    for (QLabel* rotulo :
        { P().Valor, P().ValorTolerancia, P().ValorCapacitancia, P().ValorToleranciaCapacitor, P().ValorTensao })
        EXPECT_EQ(rotulo->text(), "n/a") << rotulo->objectName().toStdString();
    for (QLabel* rotulo : { P().Kilo, P().Mega, P().Omega, P().Capacitancia })
        EXPECT_FALSE(rotulo->isVisible()) << rotulo->objectName().toStdString();
}

// Catches a result that stays on screen after a band or the body type
// changed, a band c that reads on two-digit bodies, and a unit label that
// does not follow the value and its prefix.
TEST_F(OutrosComponentes, ResistorCalculator)
{
    P().Calculadoras->setCurrentIndex(0);
    Escolhe(P().Cor1, "Red");
    Escolhe(P().Cor2, "Red");
    Escolhe(P().Multiplicador, "Orange");
    Escolhe(P().Tolerancia, "Gold");
    QTest::mouseClick(P().IgualResistor, Qt::LeftButton);
    EXPECT_EQ(P().Valor->text(), "22");
    EXPECT_TRUE(P().Kilo->isVisible());
    EXPECT_FALSE(P().Mega->isVisible());
    EXPECT_TRUE(P().Omega->isVisible());
    EXPECT_EQ(P().Omega->text(), QString(QChar(0x03A9)));
    EXPECT_EQ(P().ValorTolerancia->text(), "5%");
    AoLado(P().Valor, P().Kilo);
    AoLado(P().Kilo, P().Omega);
    Salva("tavixcat_resistors.png");

    Escolhe(P().Multiplicador, "Orange"); // the same colour again still clears
    EXPECT_EQ(P().Valor->text(), "n/a");
    Escolhe(P().Tolerancia, "Green");
    EXPECT_EQ(P().ValorTolerancia->text(), "n/a");
    EXPECT_FALSE(P().Omega->isVisible());
    EXPECT_FALSE(P().Kilo->isVisible());

    // A third band on a two-digit body is not read.
    Escolhe(P().Cor3, "White");
    Escolhe(P().Multiplicador, "Gold");
    P().IgualResistor->click();
    EXPECT_EQ(P().Valor->text(), "2.2");
    EXPECT_EQ(P().ValorTolerancia->text(), "0.5%");
    AoLado(P().Valor, P().Omega);

    // Precision body: band c comes in; choosing the type clears the result.
    // The captions letter the bands as they lie on each body.
    EXPECT_EQ(P().RotulosDasBandas[3]->text(), "c - multiplier");
    QTest::mouseClick(P().Resistor[6], Qt::LeftButton);
    EXPECT_TRUE(P().Resistor[6]->isChecked());
    EXPECT_FALSE(P().Resistor[0]->isChecked());
    EXPECT_TRUE(P().Cor3->isEnabled());
    EXPECT_EQ(P().RotulosDasBandas[2]->text(), "c - 3rd. number");
    EXPECT_EQ(P().RotulosDasBandas[3]->text(), "d - multiplier");
    EXPECT_EQ(P().Valor->text(), "n/a");
    Escolhe(P().Cor1, "White");
    Escolhe(P().Cor2, "White");
    Escolhe(P().Cor3, "White");
    Escolhe(P().Multiplicador, "White");
    P().IgualResistor->click();
    EXPECT_EQ(P().Valor->text(), "999000");
    EXPECT_TRUE(P().Mega->isVisible());
    EXPECT_FALSE(P().Kilo->isVisible());
    AoLado(P().Valor, P().Mega);
    AoLado(P().Mega, P().Omega);

    P().ResistorClick(3);
    EXPECT_TRUE(P().Resistor[2]->isChecked());
    EXPECT_FALSE(P().Resistor[6]->isChecked());
    EXPECT_FALSE(P().Cor3->isEnabled());
    EXPECT_EQ(P().Valor->text(), "n/a");
    EXPECT_FALSE(P().Mega->isVisible());
    EXPECT_TRUE(t_->msgs->Erros().empty());
}

// Catches a capacitor result that ignores a band or outlives a change, and
// a decimal separator other than the user's.
TEST_F(OutrosComponentes, CapacitorCalculator)
{
    P().Calculadoras->setCurrentIndex(1);
    rtl::formatSettings() = { ',', '.' };
    Escolhe(P().CorCapacitor1, "Yellow");
    Escolhe(P().CorCapacitor2, "Violet");
    Escolhe(P().MultiplicadorCapacitor, "Red");
    Escolhe(P().ToleranciaCapacitor, "White");
    Escolhe(P().TensaoCapacitor, "Red");
    QTest::mouseClick(P().IgualCapacitor, Qt::LeftButton);
    EXPECT_EQ(P().ValorCapacitancia->text(), "4,7");
    EXPECT_TRUE(P().Capacitancia->isVisible());
    EXPECT_EQ(P().Capacitancia->text(), "nF");
    AoLado(P().ValorCapacitancia, P().Capacitancia);
    EXPECT_EQ(P().ValorToleranciaCapacitor->text(), "10%");
    EXPECT_EQ(P().ValorTensao->text(), "200V");
    Salva("tavixcat_capacitors.png");

    for (QComboBox* lista : { P().CorCapacitor1, P().CorCapacitor2, P().MultiplicadorCapacitor, P().ToleranciaCapacitor,
             P().TensaoCapacitor }) {
        P().IgualCapacitor->click();
        ASSERT_EQ(P().ValorTensao->text(), "200V");
        Escolhe(lista, "White");
        EXPECT_EQ(P().ValorCapacitancia->text(), "n/a") << lista->objectName().toStdString();
        EXPECT_EQ(P().ValorToleranciaCapacitor->text(), "n/a");
        EXPECT_EQ(P().ValorTensao->text(), "n/a");
        EXPECT_FALSE(P().Capacitancia->isVisible());
        Escolhe(P().TensaoCapacitor, "Red");
    }
    EXPECT_TRUE(t_->msgs->Erros().empty());
}

// Catches "=" on a list without a choice computing from index -1 (or
// crashing) instead of an error box with the old result cleared.
TEST_F(OutrosComponentes, BandWithoutColourGivesAnErrorBox)
{
    P().IgualResistor->click();
    ASSERT_EQ(P().Valor->text(), "0.1");
    P().Cor2->setCurrentIndex(-1);
    P().IgualResistor->click();
    ASSERT_EQ(t_->msgs->Erros().size(), 1u);
    EXPECT_NE(t_->msgs->Erros()[0].find("band b"), std::string::npos) << t_->msgs->Erros()[0];
    EXPECT_EQ(P().Valor->text(), "n/a");
    EXPECT_FALSE(P().Omega->isVisible());

    P().TensaoCapacitor->setCurrentIndex(-1);
    P().IgualCapacitor->click();
    ASSERT_EQ(t_->msgs->Erros().size(), 2u);
    EXPECT_NE(t_->msgs->Erros()[1].find("band e"), std::string::npos);
    EXPECT_EQ(P().ValorTensao->text(), "n/a");
}
