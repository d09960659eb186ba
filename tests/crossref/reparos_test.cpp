#include "dados_de_teste.h"
#include "janela_de_teste.h"

#include "crossref/reparos.h"
#include "crossref/texto_legado.h"
#include "crossref/ui/pagina_reparos.h"

#include <QHeaderView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace crossref;
using namespace crossref::teste;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s)
{
    return { s.begin(), s.end() };
}

// Four records of two companies; the kestrel solution is stored in code page
// 1252 ("Trocar o capacitor de 10 µF; não ligar" with 0xB5 and 0xE3) as the
// old program stored it, the others in UTF-8.
TDados DadosDeReparos()
{
    TDados d = DadosPadrao();
    d.reparos = {
        { "kestrel", "Amplifier", "KA-100", "Hum in both channels",
            Bytes("Trocar o capacitor de 10 \xB5"
                  "F; n\xE3o ligar") },
        { "kestrel", "CD player", "KC-7", "Disc not read", Bytes("Clean the lens.") },
        { "norvia", "TV", "NT-2150", "Dead, standby LED off", Bytes("Check the mains fuse.\nThen the BU508A.") },
        { "orimax", "Rádio", "OR-44 Estéreo", "Sem som, luz acende", Bytes("Trocar o par BD135/BD136.") },
    };
    return d;
}

class Reparos : public ::testing::Test {
protected:
    void AbreEMostra(const TDados& dados)
    {
        EscreveProduto(dir_.path(), dados);
        t_ = std::make_unique<TJanela>(dir_.path());
        t_->janela->show();
        t_->janela->PageControl->setCurrentWidget(t_->janela->PaginaReparos);
    }
    void TearDown() override { t_.reset(); }

    TPaginaReparos& P() { return *t_->janela->Reparos; }
    db::TTable& T() { return t_->modulo->TabelaBDR; }
    TMensagensRoteirizadas& Msgs() { return *t_->msgs; }
    std::vector<QString> Caixas()
    {
        return { P().BDRFabricante->text(), P().BDREquipamento->text(), P().BDRModelo->text(), P().BDRDefeito->text(),
            P().BDRDescricao->toPlainText() };
    }
    void ClicaNaLinha(int linha)
    {
        QTableView* g = P().DBGrid1;
        const QRect r = g->visualRect(g->model()->index(linha, 1));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
    }
    void EsperaSemErros() { EXPECT_TRUE(Msgs().Erros().empty()) << Msgs().Erros().front(); }

    tavix::testing::TempDir dir_ { "crossref-reparos" };
    std::unique_ptr<TJanela> t_;
};

} // namespace

// Catches solutions stored by the old program (code page 1252) or by newer
// tools (UTF-8) shown with broken characters.
TEST(TextoDoBlob, Utf8KeptAndCodePage1252Decoded)
{
    EXPECT_EQ(TextoDoBlob(Bytes("não")), QString::fromUtf8("não"));
    EXPECT_EQ(TextoDoBlob(Bytes("n\xE3o \x80 \x93x\x94")), QString::fromUtf8("não € “x”"));
    EXPECT_EQ(TextoDoBlob({}), QString());
    EXPECT_EQ(DecodificaCp1252("\x81\xFF"), QString::fromUtf8("\u0081ÿ"));
}

// Catches a first show or a scroll that leaves the edit boxes on another
// record, or a solution blob that is not shown as text.
TEST_F(Reparos, FirstShowAndEveryScrollCopyTheCurrentRecord)
{
    AbreEMostra(DadosDeReparos());
    EsperaSemErros();
    EXPECT_EQ(P().DBGrid1->model()->rowCount(), 4);
    EXPECT_EQ(P().DBGrid1->model()->headerData(3, Qt::Horizontal).toString(), "Flaw");
    EXPECT_FALSE(P().DBGrid1->horizontalHeader()->isHidden());
    EXPECT_EQ(Caixas(),
        (std::vector<QString> { "kestrel", "Amplifier", "KA-100", "Hum in both channels",
            QString::fromUtf8("Trocar o capacitor de 10 µF; não ligar") }));
    EXPECT_TRUE(P().Alterado());

    T().SetRecNo(3);
    EXPECT_EQ(Caixas()[2], "NT-2150");
    EXPECT_EQ(Caixas()[4], "Check the mains fuse.\nThen the BU508A.");

    ClicaNaLinha(3);
    EXPECT_EQ(T().RecNo(), 4);
    EXPECT_EQ(Caixas(),
        (std::vector<QString> { "orimax", QString::fromUtf8("Rádio"), QString::fromUtf8("OR-44 Estéreo"),
            "Sem som, luz acende", "Trocar o par BD135/BD136." }));
    EXPECT_TRUE(P().DBBDRDescricao->isHidden());
    EsperaSemErros();
}

// Catches a quick search that does not lower-case what is typed, misses the
// nearest key, or leaves the boxes on the previous record.
TEST_F(Reparos, QuickSearchFindsTheNearestKeyInSmallLetters)
{
    AbreEMostra(DadosDeReparos());
    P().BDRBuscaRapida->setFocus();
    QTest::keyClicks(P().BDRBuscaRapida, "NO");
    EXPECT_EQ(P().BDRBuscaRapida->text(), "no");
    EXPECT_EQ(T().RecNo(), 3);
    EXPECT_EQ(Caixas()[0], "norvia");

    P().BDRBuscaRapida->setText("l"); // between kestrel and norvia
    EXPECT_EQ(Caixas()[0], "norvia");
    P().BDRBuscaRapida->setText("  ");
    EXPECT_EQ(T().RecNo(), 1);
    EXPECT_EQ(Caixas()[2], "KA-100");
    P().BDRBuscaRapida->setText("zz"); // after the last key
    EXPECT_EQ(T().RecNo(), 4);
    EXPECT_EQ(Caixas()[0], "orimax");
    EsperaSemErros();
}

// Catches Clear touching the table, or a grid click that refills the boxes
// when it moved nothing on a table of several records.
TEST_F(Reparos, ClearEmptiesOnlyTheBoxes)
{
    AbreEMostra(DadosDeReparos());
    T().SetRecNo(2);
    QTest::mouseClick(P().LimpaBDR, Qt::LeftButton);
    EXPECT_EQ(Caixas(), std::vector<QString>(5));
    EXPECT_EQ(T().RecNo(), 2);
    EXPECT_EQ(P().DBBDRModelo->text(), "KC-7");
    ClicaNaLinha(1); // the current row: no move, no copy
    EXPECT_EQ(Caixas(), std::vector<QString>(5));
    ClicaNaLinha(0);
    EXPECT_EQ(Caixas()[2], "KA-100");
    EsperaSemErros();
}

// Catches the one-record table whose row can never be copied back after
// clearing (a click there moves no cursor and fires no scroll).
TEST_F(Reparos, OneRecordTableRefillsTheBoxesOnClick)
{
    AbreEMostra(DadosPadrao());
    ASSERT_EQ(T().RecordCount(), 1);
    EXPECT_EQ(Caixas()[4], "Replace the capacitor.");
    P().LimpaCamposBDR();
    ClicaNaLinha(0);
    EXPECT_EQ(Caixas(), (std::vector<QString> { "ACME", "TV", "T100", "No picture", "Replace the capacitor." }));
    EsperaSemErros();
}

// Catches a tool button with the wrong box or one that changes the table.
TEST_F(Reparos, ToolButtonsShowTheirInformationBoxes)
{
    AbreEMostra(DadosDeReparos());
    T().SetRecNo(3);
    P().BDRDefeito->setText("edited");
    for (QToolButton* b : { P().GravaBDR, P().ApagaBDR, P().Backup, P().Recupera })
        QTest::mouseClick(b, Qt::LeftButton);
    std::vector<std::string> textos;
    for (const auto& caixa : Msgs().caixas) {
        EXPECT_EQ(caixa.tipo, TMensagensRoteirizadas::TTipo::tmInformacao);
        textos.push_back(caixa.texto);
    }
    EXPECT_EQ(textos,
        (std::vector<std::string> { "Save all fields into the database.", "Deletes the selected register.",
            "Makes a backup copy of the Repair database.",
            "Reloads and save the previous backup copy of the Repair database." }));
    EXPECT_EQ(P().GravaBDR->toolTip(), "Save changes in into database");
    EXPECT_EQ(T().RecordCount(), 4);
    EXPECT_EQ(T().RecNo(), 3);
    EXPECT_EQ(P().BDRDefeito->text(), "edited");
}
