#include "dados_de_teste.h"
#include "janela_de_teste.h"

#include "crossref/ui/pagina_peca.h"
#include "crossref/ui/pagina_reparos.h"
#include "platform/rtl/format.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

using namespace crossref;
using namespace crossref::teste;

namespace {

std::vector<std::string> Ids(db::TDataSet& ds)
{
    std::vector<std::string> ids;
    if (!ds.Active())
        return ids;
    db::TField& campo = ds.FieldByName("Identificacao");
    for (int rec = 1; rec <= ds.RecordCount(); ++rec)
        ids.push_back(campo.AsStringAt(rec));
    return ids;
}

std::set<std::string> Conjunto(db::TDataSet& ds)
{
    auto ids = Ids(ds);
    return { ids.begin(), ids.end() };
}

std::string Atual(db::TDataSet& ds)
{
    return ds.FieldByName("Identificacao").AsString();
}

// Bounds as three-decimal numbers, worked out apart from the program's own
// routine: the low one at or below the value, the high one at or above.
double TresCasasAbaixo(double x)
{
    return std::floor(x * 1000 + 1e-7) / 1000 - 1e-9;
}
double TresCasasAcima(double x)
{
    return std::ceil(x * 1000 - 1e-7) / 1000 + 1e-9;
}

bool Dentro(double r, double x, int p)
{
    return r >= TresCasasAbaixo(x) && r <= TresCasasAcima(x * (p * 0.01 + 1));
}

class Janela : public ::testing::Test {
protected:
    void Prepara(const TDados& dados = DadosPadrao())
    {
        dados_ = dados;
        EscreveProduto(dir_.path(), dados_);
    }
    void Abre() { t_ = std::make_unique<TJanela>(dir_.path()); }
    void AbreEMostra(const TDados& dados = DadosPadrao())
    {
        Prepara(dados);
        Abre();
        t_->janela->show();
    }
    void TearDown() override
    {
        t_.reset();
        rtl::formatSettings() = separadores_;
    }

    TFormulario& J() { return *t_->janela; }
    TModuloDeDados& M() { return *t_->modulo; }
    TMensagensRoteirizadas& Msgs() { return *t_->msgs; }
    TPaginaPeca& P(TTipoPeca tipo)
    {
        return tipo == TTipoPeca::tpTransistores ? *J().PaginaTransistores
            : tipo == TTipoPeca::tpDiodosR       ? *J().PaginaDiodosR
                                                 : *J().PaginaDiodosZ;
    }
    db::TTable& T(TTipoPeca tipo)
    {
        return tipo == TTipoPeca::tpTransistores ? M().TabelaTransistores
            : tipo == TTipoPeca::tpDiodosR       ? M().TabelaDiodosR
                                                 : M().TabelaDiodosZ;
    }
    db::TQuery& Q(TTipoPeca tipo)
    {
        return tipo == TTipoPeca::tpTransistores ? M().PesquisarTransistores
            : tipo == TTipoPeca::tpDiodosR       ? M().PesquisarDiodosR
                                                 : M().PesquisarDiodosZ;
    }
    void Busca(TTipoPeca tipo, const QString& texto) { P(tipo).BuscaRapida->setText(texto); }
    void Pesquisa(TTipoPeca tipo, int percentual)
    {
        for (QComboBox* caixa : P(tipo).Percentuais)
            caixa->setCurrentText(QString::number(percentual));
        QTest::mouseClick(P(tipo).Equivalentes, Qt::LeftButton);
    }
    void EsperaSemErros() { EXPECT_TRUE(Msgs().Erros().empty()) << Msgs().Erros().front(); }

    tavix::testing::TempDir dir_ { "crossref" };
    TDados dados_;
    std::unique_ptr<TJanela> t_;
    rtl::FormatSettings separadores_ = rtl::formatSettings();
};

const std::vector<db::TDataSet*> TodosOsDataSets(TModuloDeDados& m)
{
    return { &m.TabelaGraficos, &m.TabelaBDR, &m.TabelaTransistores, &m.TabelaDiodosR, &m.TabelaDiodosZ,
        &m.PesquisarTransistores, &m.PesquisarDiodosR, &m.PesquisarDiodosZ };
}

} // namespace

// Catches a first show that opens the datasets out of order, misses a step
// or leaves the first-show flag set (pictures would never load again).
TEST_F(Janela, FirstShowOpensEverythingInOrder)
{
    Prepara();
    Abre();
    std::vector<std::string> aberturas;
    std::vector<std::unique_ptr<db::TDataLink>> links;
    for (db::TDataSet* ds : TodosOsDataSets(M())) {
        links.push_back(std::make_unique<db::TDataLink>(ds, [ds, &aberturas](db::TDataEvent e) {
            if (e == db::TDataEvent::deOpened)
                aberturas.push_back(ds->Name());
        }));
    }
    EXPECT_TRUE(J().PrimeiraExibicao());
    EXPECT_FALSE(J().Aviso1->isVisibleTo(&J()));
    J().show();
    EsperaSemErros();
    EXPECT_EQ(aberturas,
        (std::vector<std::string> { "TabelaGraficos", "TabelaBDR", "TabelaTransistores", "TabelaDiodosR",
            "TabelaDiodosZ", "PesquisarTransistores", "PesquisarDiodosR", "PesquisarDiodosZ", "PesquisarTransistores",
            "PesquisarDiodosR", "PesquisarDiodosZ" }));
    EXPECT_FALSE(J().PrimeiraExibicao());
    EXPECT_TRUE(J().Aviso1->isVisible());
    EXPECT_TRUE(J().Aviso2->text().startsWith("Tavixsoft/Tavix Electronics is not an authorized"));
    EXPECT_EQ(J().ImagemAbertura->Figura().Nome(), "abertura");
    EXPECT_EQ(J().ImagemCapacitor->Figura().Nome(), "cap_poli");
    EXPECT_EQ(J().ImagemResistor->Figura().Nome(), "resistor");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(J().PaineisDeStatus[2]->text(), "Editing: No name");

    // Each query holds the table's first part (a key with a double quote for
    // the transistors), both pictures its package.
    EXPECT_EQ(Ids(Q(TTipoPeca::tpTransistores)), std::vector<std::string> { "1\"A" });
    EXPECT_EQ(Ids(Q(TTipoPeca::tpDiodosR)), std::vector<std::string> { "1N4001" });
    EXPECT_EQ(Ids(Q(TTipoPeca::tpDiodosZ)), std::vector<std::string> { "1N4728" });
    EXPECT_EQ(P(TTipoPeca::tpTransistores).ImagemOriginal->Figura().Nome(), "TO92");
    EXPECT_EQ(P(TTipoPeca::tpTransistores).ImagemResultado->Figura().Nome(), "TO92");
    EXPECT_EQ(P(TTipoPeca::tpDiodosZ).ImagemResultado->Figura().Nome(), "DO41");
    for (TTipoPeca tipo : { TTipoPeca::tpTransistores, TTipoPeca::tpDiodosR, TTipoPeca::tpDiodosZ })
        for (QComboBox* caixa : P(tipo).Percentuais) {
            EXPECT_EQ(caixa->count(), 37);
            EXPECT_EQ(caixa->currentText(), "0");
            EXPECT_FALSE(caixa->isEditable());
        }
    // The grids show the table's rows with the current one selected.
    TDBGrid* grade = P(TTipoPeca::tpTransistores).GradesOriginais[0];
    EXPECT_EQ(grade->model()->rowCount(), static_cast<int>(dados_.transistores.size()));
    EXPECT_EQ(grade->model()->data(grade->model()->index(0, 0)).toString(), "1\"A");
    EXPECT_EQ(grade->currentIndex().row(), 0);
}

// Catches a quick search that leaves the previous result on screen, does not
// capitalise, or misses a package key with blanks.
TEST_F(Janela, QuickSearchMovesTheTableAndEmptiesTheResultSide)
{
    AbreEMostra();
    TPaginaPeca& p = P(TTipoPeca::tpTransistores);
    p.BuscaRapida->setFocus();
    for (QChar c : QString("bc546")) {
        QTest::mouseClick(p.Equivalentes, Qt::LeftButton);
        ASSERT_TRUE(Q(TTipoPeca::tpTransistores).Active());
        ASSERT_FALSE(p.ImagemResultado->Figura().Vazia());
        QTest::keyClicks(p.BuscaRapida, QString(c));
        EXPECT_FALSE(Q(TTipoPeca::tpTransistores).Active()) << c.toLatin1();
        EXPECT_TRUE(p.ImagemResultado->Figura().Vazia()) << c.toLatin1();
        EXPECT_EQ(p.GradesResultado[0]->model()->rowCount(), 0);
    }
    EXPECT_EQ(p.BuscaRapida->text(), "BC546");
    EXPECT_EQ(Atual(T(TTipoPeca::tpTransistores)), "BC546");
    EXPECT_EQ(p.ImagemOriginal->Figura().Nome(), "TO92"); // stored as " TO92 "
    EXPECT_EQ(p.GradesOriginais[0]->currentIndex().row(), T(TTipoPeca::tpTransistores).RecNo() - 1);

    Busca(TTipoPeca::tpTransistores, "  BD13 ");
    EXPECT_EQ(Atual(T(TTipoPeca::tpTransistores)), "BD139");
    EXPECT_EQ(p.ImagemOriginal->Figura().Nome(), "TO126");

    Busca(TTipoPeca::tpDiodosR, "1N4002");
    EXPECT_EQ(Atual(T(TTipoPeca::tpDiodosR)), "1N4002");
    EXPECT_EQ(P(TTipoPeca::tpDiodosR).ImagemOriginal->Figura().Nome(), "DO41"); // stored as " DO41"
    // Moving the table by other means trims the key too, for rectifiers as well.
    T(TTipoPeca::tpDiodosR).First();
    P(TTipoPeca::tpDiodosR).ImagemOriginal->Figura().Limpa();
    T(TTipoPeca::tpDiodosR).Next();
    EXPECT_EQ(Atual(T(TTipoPeca::tpDiodosR)), "1N4002");
    EXPECT_EQ(P(TTipoPeca::tpDiodosR).ImagemOriginal->Figura().Nome(), "DO41");
    Pesquisa(TTipoPeca::tpDiodosR, 0);
    EXPECT_EQ(P(TTipoPeca::tpDiodosR).ImagemResultado->Figura().Nome(), "DO41");
    Busca(TTipoPeca::tpDiodosZ, "");
    EXPECT_EQ(Atual(T(TTipoPeca::tpDiodosZ)), "1N4728");
    EsperaSemErros();
}

// Catches searches that miss parts inside the bounds, find parts outside
// them, or lose the original part itself at 0%.
TEST_F(Janela, SimilarSearchFindsExactlyThePartsWithinTheBounds)
{
    AbreEMostra();
    for (int p : { 0, 5, 50, 100, 250, 500 }) {
        for (const auto& t : dados_.transistores) {
            Busca(TTipoPeca::tpTransistores, QString::fromStdString(t.id));
            ASSERT_EQ(Atual(T(TTipoPeca::tpTransistores)), t.id);
            Pesquisa(TTipoPeca::tpTransistores, p);
            std::set<std::string> esperados;
            for (const auto& o : dados_.transistores)
                if (Dentro(o.vceo, t.vceo, p) && Dentro(o.ic, t.ic, p) && Dentro(o.pd, t.pd, p))
                    esperados.insert(o.id);
            EXPECT_EQ(Conjunto(Q(TTipoPeca::tpTransistores)), esperados) << t.id << " at " << p << "%";
            if (p == 0) {
                EXPECT_TRUE(esperados.count(t.id)) << t.id;
            }
        }
        for (auto [tipo, lista] : { std::pair { TTipoPeca::tpDiodosR, &dados_.diodosR },
                 std::pair { TTipoPeca::tpDiodosZ, &dados_.diodosZ } }) {
            for (const auto& d : *lista) {
                Busca(tipo, QString::fromStdString(d.id));
                Pesquisa(tipo, p);
                std::set<std::string> esperados;
                for (const auto& o : *lista)
                    if (Dentro(o.r1, d.r1, p) && Dentro(o.r2, d.r2, p) && Dentro(o.pd, d.pd, p))
                        esperados.insert(o.id);
                EXPECT_EQ(Conjunto(Q(tipo)), esperados) << d.id << " at " << p << "%";
                EXPECT_TRUE(esperados.count(d.id));
            }
        }
    }
    // A few by hand.
    Busca(TTipoPeca::tpTransistores, "BC548");
    Pesquisa(TTipoPeca::tpTransistores, 50);
    EXPECT_EQ(
        Conjunto(Q(TTipoPeca::tpTransistores)), (std::set<std::string> { "1\"A", "BC547", "BC548", "BC557", "X\"1" }));
    Busca(TTipoPeca::tpTransistores, "BC549");
    Pesquisa(TTipoPeca::tpTransistores, 0);
    EXPECT_EQ(Ids(Q(TTipoPeca::tpTransistores)), std::vector<std::string> { "BC549" });
    J().PageControl->setCurrentWidget(J().PaginasDeDiodos);
    J().PaginasDeDiodos->setCurrentWidget(J().PaginaDiodosZ);
    QApplication::processEvents(); // laid out: its grids at full height
    Busca(TTipoPeca::tpDiodosZ, "BZX55C5V1");
    Pesquisa(TTipoPeca::tpDiodosZ, 10);
    EXPECT_EQ(Ids(Q(TTipoPeca::tpDiodosZ)), (std::vector<std::string> { "BZX55C5V1", "BZX55C5V6" }));
    EXPECT_EQ(P(TTipoPeca::tpDiodosZ).GradesResultado[0]->height(), 112);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EsperaSemErros();
}

// Catches a part whose rating is blank missing from its own search: the
// blank reads as 0 for its bounds and must read as 0 in the table too.
TEST_F(Janela, BlankRatingsReadAsZero)
{
    TDados dados = DadosPadrao();
    const double blank = std::nan("");
    dados.transistores.push_back({ "BLANKIC", "AMP", "NPN", 45, blank, 0.5, "TO92" });
    dados.transistores.push_back({ "BLANKALL", "AMP", "NPN", blank, blank, blank, "TO92" });
    dados.diodosZ.push_back({ "ZBLANK", 5.1, blank, 1, "DO41" });
    AbreEMostra(dados);
    Busca(TTipoPeca::tpTransistores, "BLANKIC");
    ASSERT_EQ(Atual(T(TTipoPeca::tpTransistores)), "BLANKIC");
    Pesquisa(TTipoPeca::tpTransistores, 0);
    EXPECT_EQ(Conjunto(Q(TTipoPeca::tpTransistores)), (std::set<std::string> { "BLANKIC" }));
    Busca(TTipoPeca::tpTransistores, "BLANKALL");
    Pesquisa(TTipoPeca::tpTransistores, 100);
    EXPECT_EQ(Conjunto(Q(TTipoPeca::tpTransistores)), (std::set<std::string> { "BLANKALL" }));
    Busca(TTipoPeca::tpDiodosZ, "ZBLANK");
    Pesquisa(TTipoPeca::tpDiodosZ, 10);
    EXPECT_EQ(Conjunto(Q(TTipoPeca::tpDiodosZ)), (std::set<std::string> { "ZBLANK" }));
    // A rated part's bounds never take the blank ones.
    Busca(TTipoPeca::tpTransistores, "BC547");
    Pesquisa(TTipoPeca::tpTransistores, 500);
    EXPECT_FALSE(Conjunto(Q(TTipoPeca::tpTransistores)).count("BLANKIC"));
    EsperaSemErros();
}

// Catches filters that are ignored, compare the wrong field, or break on a
// value holding a double quote.
TEST_F(Janela, PolarityAndTypeOfUseFilters)
{
    AbreEMostra();
    TPaginaPeca& p = P(TTipoPeca::tpTransistores);
    auto pesquisa = [&](const char* id, bool polaridade, bool uso) {
        Busca(TTipoPeca::tpTransistores, id);
        p.MesmaPolaridade->setChecked(polaridade);
        p.MesmoTipoDeUso->setChecked(uso);
        Pesquisa(TTipoPeca::tpTransistores, 0);
        return Conjunto(Q(TTipoPeca::tpTransistores));
    };
    using S = std::set<std::string>;
    EXPECT_EQ(pesquisa("BC547", false, false), (S { "1\"A", "BC547", "BC557", "X\"1" }));
    EXPECT_EQ(pesquisa("BC547", true, false), (S { "1\"A", "BC547", "X\"1" }));
    EXPECT_EQ(pesquisa("BC547", false, true), (S { "1\"A", "BC547", "BC557" }));
    EXPECT_EQ(pesquisa("BC547", true, true), (S { "1\"A", "BC547" }));
    EXPECT_EQ(pesquisa("X\"1", true, true), (S { "X\"1" }));
    EXPECT_EQ(pesquisa("2N3906", true, false), (S { "2N3906" }));
    EsperaSemErros();
}

// Catches a decimal comma of the user's locale reaching the SQL text.
TEST_F(Janela, DecimalCommaLocaleStillSearchesWithPoints)
{
    AbreEMostra();
    rtl::formatSettings() = { ',', '.' };
    Busca(TTipoPeca::tpTransistores, "BC548");
    Pesquisa(TTipoPeca::tpTransistores, 50);
    const std::string sql = Q(TTipoPeca::tpTransistores).SQL().Text();
    EXPECT_NE(sql.find("vceo >= 30.100 and vceo <= 45.150"), std::string::npos) << sql;
    EXPECT_EQ(sql.find(','), std::string::npos) << sql;
    EXPECT_EQ(
        Conjunto(Q(TTipoPeca::tpTransistores)), (std::set<std::string> { "1\"A", "BC547", "BC548", "BC557", "X\"1" }));
    Busca(TTipoPeca::tpDiodosZ, "1N4733");
    Pesquisa(TTipoPeca::tpDiodosZ, 0);
    EXPECT_EQ(Ids(Q(TTipoPeca::tpDiodosZ)), std::vector<std::string> { "1N4733" });
    EsperaSemErros();
}

// Catches grid clicks that move the wrong dataset, keep a stale package
// picture, or leave the result side filled after the original moved.
TEST_F(Janela, GridMovesChangeOnlyTheirSide)
{
    AbreEMostra();
    TPaginaPeca& p = P(TTipoPeca::tpTransistores);
    Busca(TTipoPeca::tpTransistores, "BD139");
    Pesquisa(TTipoPeca::tpTransistores, 0);
    ASSERT_EQ(Ids(Q(TTipoPeca::tpTransistores)), (std::vector<std::string> { "BD139", "BD140", "MJE340" }));
    EXPECT_EQ(p.ImagemResultado->Figura().Nome(), "TO126");

    auto clica = [](TDBGrid* grade, int linha) {
        const QRect r = grade->visualRect(grade->model()->index(linha, 0));
        QTest::mouseClick(grade->viewport(), Qt::LeftButton, {}, r.center());
    };
    clica(p.GradesResultado[1], 2);
    EXPECT_EQ(Atual(Q(TTipoPeca::tpTransistores)), "MJE340");
    EXPECT_EQ(p.ImagemResultado->Figura().Nome(), "TO220");
    EXPECT_EQ(p.ImagemOriginal->Figura().Nome(), "TO126");
    EXPECT_EQ(Atual(T(TTipoPeca::tpTransistores)), "BD139");
    EXPECT_EQ(p.GradesResultado[3]->currentIndex().row(), 2); // the other grids follow
    EXPECT_EQ(p.RotulosResultado[1]->text(), "Comments of MJE340");

    // BD140's package has no picture: the result side says so.
    clica(p.GradesResultado[0], 1);
    EXPECT_EQ(Atual(Q(TTipoPeca::tpTransistores)), "BD140");
    EXPECT_TRUE(p.ImagemResultado->Figura().Vazia());
    EXPECT_EQ(p.ImagemResultado->text(), "No picture for SEMFIGURA");
    EXPECT_EQ(p.ImagemOriginal->Figura().Nome(), "TO126");

    // A click in an original grid empties the result side.
    const int linha = T(TTipoPeca::tpTransistores).RecNo(); // the row after BD139
    clica(p.GradesOriginais[2], linha);
    EXPECT_EQ(Atual(T(TTipoPeca::tpTransistores)), "BD140");
    EXPECT_FALSE(Q(TTipoPeca::tpTransistores).Active());
    EXPECT_TRUE(p.ImagemResultado->Figura().Vazia());
    EXPECT_TRUE(p.ImagemOriginal->Figura().Vazia()); // not BD139's package
    EXPECT_EQ(p.RotulosOriginais[0]->text(), "ACME");
    EsperaSemErros();
}

// Catches grids of one panel that scroll apart, so that a row read across
// joins two parts: a wheel turn, a scroll bar or a key in any grid moves all.
TEST_F(Janela, GridsOfOnePanelShowTheSameRows)
{
    AbreEMostra();
    J().PageControl->setCurrentWidget(J().PaginaTransistores);
    QApplication::processEvents();
    const std::vector<TDBGrid*>& grades = P(TTipoPeca::tpTransistores).GradesOriginais;
    auto topos = [&] {
        std::vector<int> t;
        for (TDBGrid* g : grades)
            t.push_back(g->rowAt(0));
        return t;
    };
    QWidget* vista = grades[0]->viewport();
    QWheelEvent roda(QPointF(20, 20), vista->mapToGlobal(QPointF(20, 20)), {}, QPoint(0, -120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(vista, &roda);
    ASSERT_GT(grades[0]->rowAt(0), 0);
    EXPECT_EQ(topos(), std::vector<int>(4, grades[0]->rowAt(0)));
    grades[3]->verticalScrollBar()->setValue(1);
    EXPECT_EQ(topos(), std::vector<int>(4, 1));
    QTest::keyClick(grades[2], Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Atual(T(TTipoPeca::tpTransistores)), "X\"1");
    EXPECT_GT(grades[2]->rowAt(0), 1);
    EXPECT_EQ(topos(), std::vector<int>(4, grades[2]->rowAt(0)));
    EsperaSemErros();
}

// Catches Ctrl+Tab caught by an inner page control (it only swapped the two
// diode pages): Ctrl+Tab and Ctrl+Shift+Tab walk every page and wrap round.
TEST_F(Janela, CtrlTabWalksEveryPageInnerOnesIncluded)
{
    AbreEMostra();
    QApplication::setActiveWindow(&J());
    J().PageControl->setCurrentWidget(J().PaginasDeDiodos);
    QLineEdit* busca = J().PaginaDiodosR->BuscaRapida;
    busca->setFocus();
    auto passa = [](QWidget* alvo, bool volta) {
        QTest::keyClick(alvo ? alvo : QApplication::focusWidget(), volta ? Qt::Key_Backtab : Qt::Key_Tab,
            volta ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
    };
    passa(busca, false);
    EXPECT_EQ(J().PaginasDeDiodos->currentWidget(), J().PaginaDiodosZ);
    passa(nullptr, false);
    EXPECT_EQ(J().PageControl->currentWidget(), J().PaginaOutrosComponentes);
    for (int i = 0; i < 4; ++i)
        passa(nullptr, false); // capacitors, repairs, texts, About
    EXPECT_EQ(J().PageControl->currentWidget(), J().PaginaSobre);
    passa(nullptr, true);
    EXPECT_EQ(J().PageControl->currentWidget(), J().PaginaTextos);
    EsperaSemErros();
}

// Catches a closing that drops the data although the user said No, or keeps
// it open after Yes.
TEST_F(Janela, ClosingAsksAndNoKeepsEverythingOpen)
{
    AbreEMostra();
    Msgs().respostas = { false };
    EXPECT_FALSE(J().close());
    ASSERT_EQ(Msgs().caixas.size(), 1u);
    EXPECT_EQ(Msgs().caixas[0].tipo, TMensagensRoteirizadas::TTipo::tmPergunta);
    EXPECT_EQ(Msgs().caixas[0].texto, "Do you want to finish Tavix Electronics?");
    for (db::TDataSet* ds : TodosOsDataSets(M()))
        EXPECT_TRUE(ds->Active()) << ds->Name();
    Busca(TTipoPeca::tpTransistores, "TIP");
    EXPECT_EQ(Atual(T(TTipoPeca::tpTransistores)), "TIP31");

    Msgs().respostas = { true };
    EXPECT_TRUE(J().close());
    for (db::TDataSet* ds : TodosOsDataSets(M()))
        EXPECT_FALSE(ds->Active()) << ds->Name();
}

// Catches a missing or damaged table that stops the others from opening or
// is reported without its name.
TEST_F(Janela, MissingAndCorruptTablesAreNamedAndTheRestOpens)
{
    Prepara();
    std::filesystem::remove(dir_.path() / "data" / "diodosr.DB");
    tavix::testing::writeFile(dir_.path() / "data" / "diodosz.DB", std::string(3000, '\x7f'));
    Abre();
    J().show();
    const auto erros = Msgs().Erros();
    ASSERT_EQ(erros.size(), 1u);
    EXPECT_NE(erros[0].find("DiodosR.db"), std::string::npos) << erros[0];
    EXPECT_NE(erros[0].find("diodosz"), std::string::npos) << erros[0];
    EXPECT_FALSE(M().TabelaDiodosR.Active());
    EXPECT_FALSE(M().TabelaDiodosZ.Active());
    EXPECT_FALSE(M().PesquisarDiodosR.Active());
    for (db::TDataSet* ds : { static_cast<db::TDataSet*>(&M().TabelaGraficos),
             static_cast<db::TDataSet*>(&M().TabelaBDR), static_cast<db::TDataSet*>(&M().TabelaTransistores),
             static_cast<db::TDataSet*>(&M().PesquisarTransistores) })
        EXPECT_TRUE(ds->Active()) << ds->Name();
    EXPECT_FALSE(J().PrimeiraExibicao());
    EXPECT_EQ(J().ImagemAbertura->Figura().Nome(), "abertura");
    // Their pages say so instead of staying silently empty.
    for (TTipoPeca tipo : { TTipoPeca::tpDiodosR, TTipoPeca::tpDiodosZ }) {
        EXPECT_FALSE(P(tipo).FalhaDaTabela->isHidden());
        EXPECT_TRUE(P(tipo).FalhaDaTabela->text().startsWith("The table of this page could not be opened"));
        EXPECT_FALSE(P(tipo).Equivalentes->isEnabled());
    }
    EXPECT_TRUE(P(TTipoPeca::tpTransistores).FalhaDaTabela->isHidden());

    // The open kinds work, the closed ones do nothing.
    Busca(TTipoPeca::tpTransistores, "BC547");
    Pesquisa(TTipoPeca::tpTransistores, 0);
    EXPECT_EQ(Conjunto(Q(TTipoPeca::tpTransistores)).size(), 4u);
    Busca(TTipoPeca::tpDiodosR, "1N");
    Pesquisa(TTipoPeca::tpDiodosR, 0);
    EXPECT_EQ(P(TTipoPeca::tpDiodosR).GradesOriginais[0]->model()->rowCount(), 0);
    EXPECT_EQ(Msgs().Erros().size(), 1u);
}

// Catches a start outside a product folder reported as one error per table,
// none saying what to do: one box names the folder and what it lacks.
TEST_F(Janela, StartedOutsideAProductFolderSaysWhereItLooked)
{
    Abre();
    J().show();
    EXPECT_EQ(Msgs().Erros(),
        std::vector<std::string> { "No data folder in " + J().DiretorioBase()
            + ": start tavixcat in its product folder, the one that holds data, library and Help." });
    EXPECT_FALSE(J().PrimeiraExibicao());
    EXPECT_TRUE(P(TTipoPeca::tpTransistores).FalhaDaTabela->text().contains("No data folder in"));
}

// Catches a damaged blob file that closes its whole table, is reported once
// per value (box after box while the user types, naming undamaged tables), or
// leaves its fields blank as if the record had nothing: the pictures', the
// transistor notes' and the repair texts' blob files are gone.
TEST_F(Janela, DamagedBlobsDamageOnlyTheirField)
{
    TDados dados = DadosPadrao();
    dados.reparos[0].descricao.assign(400, 'x'); // longer than the record keeps
    Prepara(dados);
    for (const char* mb : { "graficos.MB", "transistores.MB", "Reparos.MB" })
        ASSERT_TRUE(std::filesystem::remove(dir_.path() / "data" / mb)) << mb;
    Abre();
    J().show();
    for (db::TDataSet* ds : TodosOsDataSets(M()))
        EXPECT_TRUE(ds->Active()) << ds->Name();

    TPaginaPeca& p = P(TTipoPeca::tpTransistores);
    QTest::keyClicks(p.BuscaRapida, "BC547");
    Pesquisa(TTipoPeca::tpTransistores, 0);
    QTest::keyClicks(P(TTipoPeca::tpDiodosZ).BuscaRapida, "BZ");
    db::TTable& t = T(TTipoPeca::tpTransistores);
    ASSERT_EQ(Atual(t), "BC547");
    EXPECT_EQ(t.FieldByName("Encapsulamento").AsString(), "TO92");
    EXPECT_DOUBLE_EQ(t.FieldByName("Vceo").AsFloat(), 45);
    EXPECT_EQ(t.FieldByName("Observacoes").DisplayText(), "(Memo)");
    try {
        t.FieldByName("Observacoes").AsString();
        ADD_FAILURE() << "a lost memo read as a value";
    } catch (const db::EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("transistores"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(p.ImagemOriginal->Figura().Vazia());
    EXPECT_EQ(Conjunto(Q(TTipoPeca::tpTransistores)).size(), 4u);

    std::map<std::string, int> relatos;
    for (const auto& caixa : Msgs().caixas) {
        for (const char* mb : { "graficos.MB", "transistores.MB", "Reparos.MB" })
            relatos[mb] += caixa.texto.find(mb) != std::string::npos;
        EXPECT_EQ(caixa.texto.find(".DB:"), std::string::npos) << "blames a table file: " << caixa.texto;
    }
    EXPECT_EQ(
        relatos, (std::map<std::string, int> { { "Reparos.MB", 1 }, { "graficos.MB", 1 }, { "transistores.MB", 1 } }));

    EXPECT_EQ(p.RotulosOriginais[1]->text(), "(could not be read from transistores.MB)");
    EXPECT_EQ(p.RotulosOriginais[0]->text(), "ACME");
    for (TQuadroImagem* q : { p.ImagemOriginal, p.ImagemResultado, P(TTipoPeca::tpDiodosZ).ImagemOriginal })
        EXPECT_EQ(q->text(), "(could not be read from graficos.MB)") << q->objectName().toStdString();
    EXPECT_EQ(J().Reparos->BDRDescricao->placeholderText(), "(could not be read from Reparos.MB)");
    EXPECT_EQ(J().Reparos->BDRModelo->text(), "T100");
}

// Catches a picture that is not a JPEG taking the handler down silently,
// leaving the previous part's package on screen, raising a box that keeps
// the keys being typed, or being reported again for every part.
TEST_F(Janela, BadPictureIsReportedWithItsName)
{
    TDados dados = DadosPadrao();
    std::erase_if(dados.figuras, [](const auto& f) { return f.first == "TO126"; });
    dados.figurasRuins = { "TO126" };
    AbreEMostra(dados);
    EsperaSemErros();
    TPaginaPeca& p = P(TTipoPeca::tpTransistores);
    ASSERT_FALSE(p.ImagemOriginal->Figura().Vazia());
    Busca(TTipoPeca::tpTransistores, "BD139");
    ASSERT_EQ(Msgs().caixas.size(), 1u);
    EXPECT_EQ(Msgs().caixas[0].tipo, TMensagensRoteirizadas::TTipo::tmAviso);
    const std::string erro = Msgs().caixas[0].texto;
    EXPECT_NE(erro.find("TO126"), std::string::npos) << erro;
    EXPECT_NE(erro.find("graficos"), std::string::npos) << erro;
    EXPECT_TRUE(p.ImagemOriginal->Figura().Vazia());
    EXPECT_EQ(p.ImagemOriginal->text(), "(could not be read from graficos.MB)");
    EXPECT_EQ(Atual(T(TTipoPeca::tpTransistores)), "BD139");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The next part shows again; the same file is not reported twice.
    Busca(TTipoPeca::tpTransistores, "TIP31");
    EXPECT_EQ(p.ImagemOriginal->Figura().Nome(), "TO220");
    EXPECT_EQ(p.ImagemOriginal->text(), "");
    Busca(TTipoPeca::tpTransistores, "BD139");
    EXPECT_EQ(Msgs().caixas.size(), 1u);
}

// Catches a table without a field the window reads being reported without
// the file, or stopping the rest of the window.
TEST_F(Janela, MissingFieldNamesTheTableFile)
{
    TDados dados = DadosPadrao();
    dados.semEncapsulamento = true;
    AbreEMostra(dados);
    ASSERT_FALSE(Msgs().Erros().empty());
    const std::string erro = Msgs().Erros().front();
    EXPECT_NE(erro.find("transistores"), std::string::npos) << erro;
    EXPECT_NE(erro.find("Encapsulamento"), std::string::npos) << erro;
    EXPECT_EQ(P(TTipoPeca::tpDiodosR).ImagemOriginal->Figura().Nome(), "DO41");
    EXPECT_FALSE(J().PrimeiraExibicao());
}

// Catches a search on an empty table that searches for zeros.
TEST_F(Janela, SearchOnAnEmptyTableDoesNothing)
{
    TDados dados = DadosPadrao();
    dados.diodosZ.clear();
    AbreEMostra(dados);
    EsperaSemErros();
    const std::string antes = Q(TTipoPeca::tpDiodosZ).SQL().Text();
    Pesquisa(TTipoPeca::tpDiodosZ, 50);
    EXPECT_EQ(Q(TTipoPeca::tpDiodosZ).SQL().Text(), antes);
    EXPECT_TRUE(Ids(Q(TTipoPeca::tpDiodosZ)).empty());
    EXPECT_TRUE(P(TTipoPeca::tpDiodosZ).ImagemOriginal->Figura().Vazia());
    EsperaSemErros();
}

// Catches the program writing into its data folder (it only reads).
TEST_F(Janela, NothingIsWrittenToTheDataFolder)
{
    Prepara();
    auto retrato = [&] {
        std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>> r;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path() / "data"))
            r[e.path().filename().string()] = { e.file_size(), e.last_write_time() };
        return r;
    };
    const auto antes = retrato();
    Abre();
    J().show();
    Busca(TTipoPeca::tpTransistores, "BC547");
    Pesquisa(TTipoPeca::tpTransistores, 100);
    Busca(TTipoPeca::tpDiodosZ, "1N47");
    Pesquisa(TTipoPeca::tpDiodosZ, 20);
    Msgs().respostas = { true };
    J().close();
    t_.reset();
    EXPECT_EQ(retrato(), antes);
}

// Catches Help > Contents failing in silence: a missing page and a page that
// no program can show (the offscreen platform opens nothing) are both named.
TEST_F(Janela, HelpThatCannotBeShownIsReported)
{
    AbreEMostra();
    QAction* conteudo = nullptr;
    for (QAction* a : J().findChildren<QAction*>())
        if (a->text() == "&Contents")
            conteudo = a;
    ASSERT_NE(conteudo, nullptr);
    std::filesystem::remove_all(dir_.path() / "Help");
    conteudo->trigger();
    ASSERT_EQ(Msgs().Erros().size(), 1u);
    EXPECT_NE(Msgs().Erros()[0].find("Help file not found"), std::string::npos) << Msgs().Erros()[0];
    EXPECT_EQ(Msgs().Erros()[0].find('\\'), std::string::npos) << "one separator: " << Msgs().Erros()[0];

    std::filesystem::create_directories(dir_.path() / "Help");
    tavix::testing::writeFile(dir_.path() / "Help" / "visao_geral.html", "<html></html>");
    conteudo->trigger();
    ASSERT_EQ(Msgs().Erros().size(), 2u);
    EXPECT_NE(Msgs().Erros()[1].find("could not be opened"), std::string::npos) << Msgs().Erros()[1];
    EXPECT_NE(Msgs().Erros()[1].find("visao_geral.html"), std::string::npos) << Msgs().Erros()[1];
}
