#include "dados_de_teste.h"

#include "crossref/modulo_de_dados.h"
#include "crossref/ui/controles_db.h"
#include "tests/support/temp_dir.h"

#include <QColor>

#include <gtest/gtest.h>

using namespace crossref;
using namespace crossref::teste;

namespace {

class Modulo : public ::testing::Test {
protected:
    void SetUp() override { EscreveProduto(dir_.path(), DadosPadrao()); }
    std::vector<db::TDataSet*> Todos()
    {
        return { &m_.TabelaGraficos, &m_.TabelaBDR, &m_.TabelaTransistores, &m_.TabelaDiodosR, &m_.TabelaDiodosZ,
            &m_.PesquisarTransistores, &m_.PesquisarDiodosR, &m_.PesquisarDiodosZ };
    }
    // Records "open X" / "close X" for every dataset.
    std::vector<std::unique_ptr<db::TDataLink>> Registra(std::vector<std::string>& log)
    {
        std::vector<std::unique_ptr<db::TDataLink>> links;
        for (db::TDataSet* ds : Todos())
            links.push_back(std::make_unique<db::TDataLink>(ds, [ds, &log](db::TDataEvent e) {
                if (e == db::TDataEvent::deOpened)
                    log.push_back("open " + ds->Name());
                else if (e == db::TDataEvent::deClosed)
                    log.push_back("close " + ds->Name());
            }));
        return links;
    }

    tavix::testing::TempDir dir_ { "crossref-modulo" };
    TModuloDeDados m_ { dir_.path().string() };
};

} // namespace

// Catches datasets opened or closed out of order, or a second opening that
// leaves a dataset on stale names.
TEST_F(Modulo, OpensAndClosesInTheFixedOrder)
{
    std::vector<std::string> log;
    auto links = Registra(log);
    EXPECT_TRUE(m_.AbreBancosDeDados().empty());
    EXPECT_EQ(log,
        (std::vector<std::string> { "open TabelaGraficos", "open TabelaBDR", "open TabelaTransistores",
            "open TabelaDiodosR", "open TabelaDiodosZ", "open PesquisarTransistores", "open PesquisarDiodosR",
            "open PesquisarDiodosZ" }));
    EXPECT_EQ(m_.PesquisarDiodosR.SQL().Text(), "select * from diodosr.db\n");
    EXPECT_EQ(m_.PesquisarTransistores.RecordCount(), m_.TabelaTransistores.RecordCount());

    // A second opening closes each one before opening it again.
    log.clear();
    m_.TabelaTransistores.Last();
    EXPECT_TRUE(m_.AbreBancosDeDados().empty());
    ASSERT_EQ(log.size(), 16u);
    EXPECT_EQ(log[0], "close TabelaGraficos");
    EXPECT_EQ(log[1], "open TabelaGraficos");
    EXPECT_EQ(log[15], "open PesquisarDiodosZ");
    EXPECT_EQ(m_.TabelaTransistores.RecNo(), 1);

    log.clear();
    m_.FechaBancosDeDados();
    EXPECT_EQ(log,
        (std::vector<std::string> { "close TabelaTransistores", "close TabelaDiodosR", "close TabelaDiodosZ",
            "close TabelaBDR", "close TabelaGraficos", "close PesquisarTransistores", "close PesquisarDiodosR",
            "close PesquisarDiodosZ" }));
}

// Catches paths taken from somewhere other than the base directory, or a
// failed table that keeps the later ones closed.
TEST_F(Modulo, PathsComeFromTheBaseDirectory)
{
    EXPECT_EQ(m_.DiretorioDoBanco(), dir_.path().string() + "\\data\\");
    std::filesystem::create_directories(dir_.path() / "elsewhere" / "data");
    TModuloDeDados outro((dir_.path() / "elsewhere").string());
    const auto falhas = outro.AbreBancosDeDados();
    EXPECT_EQ(falhas.size(), 8u);
    for (const auto& falha : falhas)
        EXPECT_NE(falha.find(".db"), std::string::npos) << falha;
}

// Catches a picture lookup that blanks the control for an unknown key, or
// that shows a key it was not asked for.
TEST_F(Modulo, PictureLookupLeavesTheControlAloneWhenTheKeyIsMissing)
{
    TFigura figura;
    EXPECT_FALSE(m_.ExibeImagem("TO92", figura)); // the picture table is not open yet
    ASSERT_TRUE(m_.AbreBancosDeDados().empty());
    ASSERT_TRUE(m_.ExibeImagem("TO92", figura));
    EXPECT_EQ(figura.Nome(), "TO92");
    EXPECT_EQ(figura.Imagem().size(), QSize(40, 30));
    const QColor cor = figura.Imagem().pixelColor(20, 15);
    EXPECT_NEAR(cor.red(), 0x20, 8);
    EXPECT_FALSE(m_.ExibeImagem("NOSUCH", figura));
    EXPECT_EQ(figura.Nome(), "TO92");
    EXPECT_FALSE(figura.Vazia());
    EXPECT_FALSE(m_.ExibeImagem(" TO92", figura)); // keys are taken exactly as passed
}

// Catches a grid model that loses the row colours, the alignment or the
// current-row indicator.
TEST_F(Modulo, GridModelFollowsTheCursor)
{
    ASSERT_TRUE(m_.AbreBancosDeDados().empty());
    TModeloDataSet modelo(&m_.TabelaDiodosZ, ColunasDiodosZ(1));
    int ultimo = -2;
    QObject::connect(&modelo, &TModeloDataSet::cursorMudou, [&](int linha) { ultimo = linha; });
    EXPECT_EQ(modelo.rowCount(), 5);
    EXPECT_EQ(modelo.data(modelo.index(0, 0)).toString(), "1N4728");
    EXPECT_EQ(modelo.data(modelo.index(0, 2)).toString(), "3.3");
    EXPECT_EQ(modelo.data(modelo.index(1, 0), Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 255));
    EXPECT_EQ(modelo.data(modelo.index(1, 1), Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_EQ(modelo.data(modelo.index(1, 0), Qt::TextAlignmentRole).value<Qt::Alignment>(),
        Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(modelo.data(modelo.index(1, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignCenter);
    EXPECT_FALSE(modelo.headerData(0, Qt::Vertical, Qt::DisplayRole).toString().isEmpty());
    m_.TabelaDiodosZ.SetRecNo(3);
    EXPECT_EQ(ultimo, 2);
    EXPECT_TRUE(modelo.headerData(0, Qt::Vertical, Qt::DisplayRole).toString().isEmpty());
    EXPECT_FALSE(modelo.headerData(2, Qt::Vertical, Qt::DisplayRole).toString().isEmpty());
    m_.TabelaDiodosZ.Close();
    EXPECT_EQ(modelo.rowCount(), 0);
    EXPECT_EQ(ultimo, -1);

    // A column set with a field the table lacks reports it.
    TColunas colunas = ColunasDiodosZ(1);
    colunas.push_back({ "Inexistente", "X", 40, false });
    TModeloDataSet outro(&m_.TabelaDiodosR, colunas);
    EXPECT_EQ(outro.CamposAusentes(), (std::vector<std::string> { "Marca", "Tn", "Inexistente" }));
}
