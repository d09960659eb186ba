// Renders the main window's pages on the sample product to PNG files under
// the build tree, for people to look at.

#include "janela_de_teste.h"

#include "crossref/ui/caixa_legenda.h"
#include "crossref/ui/pagina_peca.h"
#include "crossref/ui/pagina_reparos.h"
#include "crossref/ui/pagina_textos.h"
#include "tools/sampleproduct.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>

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

// Catches a notes page or legend box that cannot show the shipped notes, and
// keeps their pictures up to date.
TEST(Renders, NotesPageAndLegendBox)
{
    tavix::testing::TempDir dir("crossref-render-textos");
    sampledata::writeSampleProduct(dir.path());
    teste::TJanela t(dir.path());
    TFormulario& j = *t.janela;
    j.resize(1280, 900);
    j.show();
    j.PageControl->setCurrentWidget(j.PaginaTextos);
    j.Textos->Abrir->click();
    ASSERT_EQ(j.Textos->NomeDasNotas(), "readme.rtf");
    // The caret in the indented last paragraph, so the ruler shows its markers.
    QTextCursor c = j.Textos->Texto->textCursor();
    c.movePosition(QTextCursor::End);
    c.insertBlock();
    c.insertText("A centred line, bold and underlined.");
    c.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    j.Textos->Texto->setTextCursor(c);
    j.Textos->Negrito->click();
    j.Textos->Sublinhado->click();
    j.Textos->Centralizar->click();
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::NextBlock);
    c.movePosition(QTextCursor::NextBlock);
    c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 5);
    c.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 4);
    j.Textos->Texto->setTextCursor(c);

    const std::filesystem::path saida = TAVIX_RENDER_DIR;
    std::filesystem::create_directories(saida);
    const auto arquivo = saida / "tavixcat_notes.png";
    ASSERT_TRUE(j.grab().save(QString::fromStdString(arquivo.string())));
    EXPECT_GT(std::filesystem::file_size(arquivo), 1000u);

    TCaixaLegenda caixa;
    caixa.show();
    const auto legenda = saida / "tavixcat_legend.png";
    ASSERT_TRUE(caixa.grab().save(QString::fromStdString(legenda.string())));
    EXPECT_TRUE(t.msgs->Erros().empty()) << t.msgs->Erros().front();
}

// Catches part pages whose controls overlap on small screens, that cannot
// be scrolled to what does not fit, whose grid columns cut the values of
// the shipped tables, or that show a footnote on columns they do not have.
TEST(Renders, PartPagesFitSmallScreensAndShowWholeValues)
{
    tavix::testing::TempDir dir("crossref-telas");
    sampledata::writeSampleProduct(dir.path());
    teste::TJanela t(dir.path());
    TFormulario& j = *t.janela;
    j.show();
    for (TPaginaPeca* pagina : { j.PaginaTransistores, j.PaginaDiodosR, j.PaginaDiodosZ }) {
        const std::string nome = pagina == j.PaginaTransistores ? "transistors"
            : pagina == j.PaginaDiodosR                         ? "rectifiers"
                                                                : "zeners";
        if (pagina == j.PaginaTransistores) {
            j.PageControl->setCurrentWidget(pagina);
        } else {
            j.PageControl->setCurrentWidget(j.PaginasDeDiodos);
            j.PaginasDeDiodos->setCurrentWidget(pagina);
        }
        // A maximised 1366x768 window below a title bar and a panel, then 800x600.
        for (const QSize tamanho : { QSize(1366, 690), QSize(800, 560) }) {
            j.resize(tamanho);
            QApplication::processEvents();
            const bool cabe = tamanho.width() > 1000;
            // Everything in view when maximised; on 800x600 scroll bars reach the rest.
            EXPECT_EQ(pagina->Rolagem->horizontalScrollBar()->isVisible(), !cabe) << nome;
            EXPECT_EQ(pagina->Rolagem->verticalScrollBar()->isVisible(), !cabe && pagina == j.PaginaTransistores)
                << nome;
            // The controls of the bar and of both sides, each in its own place.
            std::vector<QWidget*> controles;
            for (QWidget* w : pagina->Conteudo->findChildren<QWidget*>())
                if (w->isVisible() && w->parentWidget() != pagina->Conteudo
                    && (qobject_cast<QGroupBox*>(w->parentWidget())
                        || w->parentWidget()->parentWidget() == pagina->Conteudo))
                    controles.push_back(w);
            ASSERT_GT(controles.size(), 20u);
            for (size_t a = 0; a < controles.size(); ++a)
                for (size_t b = a + 1; b < controles.size(); ++b) {
                    const QRect ra(controles[a]->mapTo(pagina->Conteudo, QPoint()), controles[a]->size());
                    const QRect rb(controles[b]->mapTo(pagina->Conteudo, QPoint()), controles[b]->size());
                    EXPECT_FALSE(ra.intersects(rb))
                        << nome << " at " << tamanho.height() << ": " << controles[a]->metaObject()->className()
                        << " and " << controles[b]->metaObject()->className();
                }
        }
        // Every value of the shipped tables fits its column.
        for (TDBGrid* g : pagina->GradesOriginais) {
            const QFontMetrics medidas(g->font());
            const int margens = 2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1) + 1;
            for (int c = 0; c < g->model()->columnCount(); ++c)
                for (int r = 0; r < g->model()->rowCount(); ++r) {
                    const QString texto = g->model()->index(r, c).data().toString();
                    EXPECT_LE(medidas.horizontalAdvance(texto) + margens, g->columnWidth(c))
                        << nome << ": \"" << texto.toStdString() << "\" is cut";
                }
        }
        const auto* nota = pagina->findChild<QLabel*>("NotaDasColunas");
        ASSERT_NE(nota, nullptr);
        EXPECT_EQ(nota->text().contains("Tamb"), pagina == j.PaginaTransistores) << nome;
    }
}
