// Renders the main window's pages on the sample product to PNG files under
// the build tree, for people to look at.

#include "janela_de_teste.h"

#include "crossref/ui/pagina_peca.h"
#include "crossref/ui/pagina_reparos.h"
#include "tools/sampleproduct.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace crossref;

// Catches a page that cannot search the shipped sample data, and keeps the
// pictures of each page up to date.
TEST(Renders, PartPagesOnTheSampleProduct)
{
    tavix::testing::TempDir dir("crossref-render");
    sampledata::writeSampleProduct(dir.path());
    teste::TJanela t(dir.path());
    TFormulario& j = *t.janela;
    j.resize(1280, 900);
    j.show();
    ASSERT_TRUE(t.msgs->Erros().empty()) << t.msgs->Erros().front();

    const std::filesystem::path saida = TAVIX_RENDER_DIR;
    std::filesystem::create_directories(saida);
    j.PageControl->setCurrentWidget(j.PaginaSobre);
    ASSERT_TRUE(j.grab().save(QString::fromStdString((saida / "tavixcat_about.png").string())));

    struct TCaso {
        TPaginaPeca* pagina;
        db::TQuery* pesquisa;
        const char* arquivo;
    } casos[] = { { j.PaginaTransistores, &t.modulo->PesquisarTransistores, "tavixcat_transistors.png" },
        { j.PaginaDiodosR, &t.modulo->PesquisarDiodosR, "tavixcat_rectifiers.png" },
        { j.PaginaDiodosZ, &t.modulo->PesquisarDiodosZ, "tavixcat_zeners.png" } };
    for (const auto& caso : casos) {
        if (caso.pagina == j.PaginaTransistores) {
            j.PageControl->setCurrentWidget(j.PaginaTransistores);
        } else {
            j.PageControl->setCurrentWidget(j.PaginasDeDiodos);
            j.PaginasDeDiodos->setCurrentWidget(caso.pagina);
        }
        for (QComboBox* caixa : caso.pagina->Percentuais)
            caixa->setCurrentText("50");
        caso.pagina->Equivalentes->click();
        ASSERT_TRUE(caso.pesquisa->Active());
        EXPECT_GE(caso.pesquisa->RecordCount(), 1) << caso.arquivo; // the original itself at least
        const auto arquivo = saida / caso.arquivo;
        ASSERT_TRUE(j.grab().save(QString::fromStdString(arquivo.string())));
        EXPECT_GT(std::filesystem::file_size(arquivo), 1000u);
    }
    EXPECT_TRUE(t.msgs->Erros().empty()) << t.msgs->Erros().front();
}

// Catches a repair page that shows nothing of the shipped records, and keeps
// its picture up to date.
TEST(Renders, RepairPageOnTheSampleProduct)
{
    tavix::testing::TempDir dir("crossref-render-reparos");
    sampledata::writeSampleProduct(dir.path());
    teste::TJanela t(dir.path());
    TFormulario& j = *t.janela;
    j.resize(1280, 900);
    j.show();
    j.PageControl->setCurrentWidget(j.PaginaReparos);
    j.Reparos->BDRBuscaRapida->setText("orimax");
    ASSERT_EQ(j.Reparos->BDRFabricante->text(), "orimax");
    EXPECT_FALSE(j.Reparos->BDRDescricao->toPlainText().isEmpty());

    const std::filesystem::path saida = TAVIX_RENDER_DIR;
    std::filesystem::create_directories(saida);
    const auto arquivo = saida / "tavixcat_repairs.png";
    ASSERT_TRUE(j.grab().save(QString::fromStdString(arquivo.string())));
    EXPECT_GT(std::filesystem::file_size(arquivo), 1000u);
    EXPECT_TRUE(t.msgs->Erros().empty()) << t.msgs->Erros().front();
}
