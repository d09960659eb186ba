#include "dados_de_teste.h"
#include "janela_de_teste.h"

#include "crossref/ui/caixa_legenda.h"
#include "crossref/ui/pagina_textos.h"
#include "tools/sampleproduct.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace crossref;
using namespace crossref::teste;

namespace {

class Textos : public ::testing::Test {
protected:
    void SetUp() override { QGuiApplication::clipboard()->clear(); }
    void AbreEMostra(bool comAmostra = true)
    {
        if (comAmostra)
            sampledata::writeSampleProduct(dir_.path());
        else
            EscreveProduto(dir_.path(), DadosPadrao());
        t_ = std::make_unique<TJanela>(dir_.path());
        t_->janela->show();
        t_->janela->PageControl->setCurrentWidget(t_->janela->PaginaTextos);
    }
    void TearDown() override
    {
        t_.reset();
        QGuiApplication::clipboard()->clear();
    }

    TPaginaTextos& P() { return *t_->janela->Textos; }
    QTextEdit& Texto() { return *P().Texto; }
    TMensagensRoteirizadas& Msgs() { return *t_->msgs; }
    QString Painel(int i) { return t_->janela->PaineisDeStatus[static_cast<size_t>(i)]->text(); }
    void Caret(int pos, int ancora = -1)
    {
        QTextCursor c = Texto().textCursor();
        c.setPosition(ancora < 0 ? pos : ancora);
        if (ancora >= 0)
            c.setPosition(pos, QTextCursor::KeepAnchor);
        Texto().setTextCursor(c);
    }
    int PosicaoDe(const QString& texto) { return Texto().document()->find(texto).selectionStart(); }
    void EsperaSemErros() { EXPECT_TRUE(Msgs().Erros().empty()) << Msgs().Erros().front(); }

    tavix::testing::TempDir dir_ { "crossref-textos" };
    std::unique_ptr<TJanela> t_;
};

} // namespace

// Catches a first show that leaves the editor's panels, ruler or buttons in
// their designed state instead of the text's.
TEST_F(Textos, FirstShowSetsPanelsRulerAndButtons)
{
    AbreEMostra();
    EXPECT_EQ(Painel(0), "Line:   1   Col:   1");
    EXPECT_EQ(Painel(1), "");
    EXPECT_EQ(Painel(2), "Editing: No name");
    EXPECT_EQ(P().Ruler->Caption().count("\t|"), 100);
    EXPECT_EQ(P().Ruler->height(), 26);
    EXPECT_EQ(P().RulerLine->width(), P().Ruler->contentsRect().width() - 2 * P().RulerLine->x());
    EXPECT_EQ(P().FirstInd->x(), 2);
    EXPECT_EQ(P().RightInd->x(), P().Ruler->contentsRect().width() - 8 - 6);
    for (QToolButton* b : { P().Colar, P().Copiar, P().Recortar, P().Desfazer })
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(P().AlinharAEsquerda->isChecked());
    EXPECT_EQ(P().Numeracao->toolTip(), "Bullet mode");
    EXPECT_TRUE(Texto().hasFocus() || !QApplication::focusWidget()); // offscreen windows may not take focus
    EsperaSemErros();
}

// Catches a Paste button that does not follow the clipboard, and Copy/Cut
// that do not follow the selection.
TEST_F(Textos, PasteFollowsTheClipboardCopyAndCutTheSelection)
{
    AbreEMostra();
    QGuiApplication::clipboard()->setText("from elsewhere");
    EXPECT_TRUE(P().Colar->isEnabled());
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(P().Colar->isEnabled());
    auto* dados = new QMimeData;
    dados->setData("application/x-unknown-format", "xyz");
    QGuiApplication::clipboard()->setMimeData(dados);
    EXPECT_FALSE(P().Colar->isEnabled());

    Texto().setPlainText("abc");
    Caret(1);
    EXPECT_FALSE(P().Copiar->isEnabled());
    EXPECT_FALSE(P().Recortar->isEnabled());
    Caret(2, 1);
    EXPECT_TRUE(P().Copiar->isEnabled());
    EXPECT_TRUE(P().Recortar->isEnabled());
    QTest::mouseClick(P().Copiar, Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "b");
    EXPECT_TRUE(P().Colar->isEnabled());
    Caret(3);
    QTest::mouseClick(P().Colar, Qt::LeftButton);
    EXPECT_EQ(Texto().toPlainText(), "abcb");
    EsperaSemErros();
}

// Catches the modified panel and Undo not following edits and the page
// change, and a caret panel that does not move.
TEST_F(Textos, TypingMarksModifiedAndUndoRestores)
{
    AbreEMostra();
    Texto().setFocus();
    QTest::keyClicks(&Texto(), "ab");
    QTest::keyClick(&Texto(), Qt::Key_Return);
    QTest::keyClicks(&Texto(), "cde");
    EXPECT_EQ(Painel(1), "Modified");
    EXPECT_TRUE(P().Desfazer->isEnabled());
    EXPECT_EQ(Painel(0), "Line:   2   Col:   4");

    t_->janela->PageControl->setCurrentIndex(0);
    Texto().document()->setModified(false);
    t_->janela->PageControl->setCurrentWidget(t_->janela->PaginaTextos);
    EXPECT_EQ(Painel(1), ""); // refreshed on the page change

    while (P().Desfazer->isEnabled())
        QTest::mouseClick(P().Desfazer, Qt::LeftButton);
    EXPECT_EQ(Texto().toPlainText(), "");
    EsperaSemErros();
}

// Catches Open without the notes file changing the text, a file that fails
// replacing it, and the sample notes not loading with their name.
TEST_F(Textos, OpenLoadsTheNotesOrSaysWhyNot)
{
    AbreEMostra(false);
    Texto().setPlainText("kept");
    QTest::mouseClick(P().Abrir, Qt::LeftButton);
    ASSERT_EQ(Msgs().caixas.size(), 1u);
    EXPECT_EQ(Msgs().caixas[0].tipo, TMensagensRoteirizadas::TTipo::tmInformacao);
    EXPECT_EQ(Msgs().caixas[0].texto, "The demo file [readme.rtf] was not found.");
    EXPECT_EQ(Texto().toPlainText(), "kept");
    EXPECT_EQ(Painel(2), "Editing: No name");

    std::filesystem::create_directories(dir_.path() / "Library");
    tavix::testing::writeFile(dir_.path() / "Library" / "README.RTF", "{\\rtf1 " + std::string(3000, '{'));
    QTest::mouseClick(P().Abrir, Qt::LeftButton);
    ASSERT_EQ(Msgs().Erros().size(), 1u);
    EXPECT_NE(Msgs().Erros()[0].find("README.RTF"), std::string::npos) << Msgs().Erros()[0];
    EXPECT_EQ(Texto().toPlainText(), "kept");
    EXPECT_EQ(P().NomeDasNotas(), "No name");

    std::filesystem::remove_all(dir_.path() / "Library");
    sampledata::writeSampleProduct(dir_.path());
    QTest::mouseClick(P().Abrir, Qt::LeftButton);
    EXPECT_EQ(Msgs().Erros().size(), 1u);
    EXPECT_TRUE(Texto().toPlainText().startsWith("Tavix Electronics\nReading the tables"));
    EXPECT_EQ(Painel(2), "Editing: readme.rtf");
    EXPECT_EQ(Painel(1), "");
    EXPECT_FALSE(P().Desfazer->isEnabled());
    EXPECT_EQ(Texto().document()->rootFrame()->frameFormat().leftMargin(), 6);
}

// Catches style buttons that do not follow the caret, and setting them from
// the text re-applying formats (a right-aligned paragraph would become a
// change of its own).
TEST_F(Textos, ButtonsFollowTheTextWithoutChangingIt)
{
    AbreEMostra();
    QTest::mouseClick(P().Abrir, Qt::LeftButton);
    QTextCursor c = Texto().textCursor();
    c.movePosition(QTextCursor::End);
    c.insertBlock();
    c.insertText("right aligned");
    QTextBlockFormat direita;
    direita.setAlignment(Qt::AlignRight);
    direita.setLeftMargin(48);
    direita.setTextIndent(-24);
    c.mergeBlockFormat(direita);
    Texto().document()->clearUndoRedoStacks();
    Texto().document()->setModified(false);
    P().TextoChange();

    Caret(PosicaoDe("Reading") + 2);
    EXPECT_TRUE(P().Negrito->isChecked());
    EXPECT_FALSE(P().Italico->isChecked());
    Caret(PosicaoDe("transistores") + 2);
    EXPECT_FALSE(P().Negrito->isChecked());
    EXPECT_TRUE(P().Italico->isChecked());
    Caret(PosicaoDe("right aligned") + 3);
    EXPECT_TRUE(P().AlinharADireita->isChecked());
    EXPECT_FALSE(P().AlinharAEsquerda->isChecked());
    EXPECT_EQ(P().FirstInd->x(), 24 + 2);
    EXPECT_EQ(P().LeftInd->x(), 48 + 2);
    EXPECT_FALSE(Texto().document()->isModified());
    EXPECT_FALSE(Texto().document()->isUndoAvailable());
    EXPECT_EQ(Painel(1), "");
    EsperaSemErros();
}

// Catches tool buttons that format the wrong text or do nothing: bold,
// underline, bullets, alignment, fonts and Record.
TEST_F(Textos, ToolButtonsFormatTheSelection)
{
    AbreEMostra();
    Texto().setPlainText("one two\nthree");
    Caret(7, 4); // "two"
    QTest::mouseClick(P().Negrito, Qt::LeftButton);
    QTest::mouseClick(P().Sublinhado, Qt::LeftButton);
    QTextCursor c(Texto().document());
    c.setPosition(5);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);
    EXPECT_TRUE(c.charFormat().fontUnderline());
    c.setPosition(2);
    EXPECT_NE(c.charFormat().fontWeight(), QFont::Bold);

    QTest::mouseClick(P().Centralizar, Qt::LeftButton);
    EXPECT_EQ(Texto().document()->begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(Texto().document()->lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    QTest::mouseClick(P().Numeracao, Qt::LeftButton);
    EXPECT_NE(Texto().document()->begin().textList(), nullptr);
    QTest::mouseClick(P().Numeracao, Qt::LeftButton);
    EXPECT_EQ(Texto().document()->begin().textList(), nullptr);

    QFont recebida;
    P().EscolheFonte = [&](const QFont& inicial) -> std::optional<QFont> {
        recebida = inicial;
        QFont f("Courier New");
        f.setPointSize(14);
        return f;
    };
    QTest::mouseClick(P().Fontes, Qt::LeftButton);
    EXPECT_TRUE(recebida.bold());
    c.setPosition(5);
    EXPECT_EQ(c.charFormat().font().pointSize(), 14);
    P().EscolheFonte = [](const QFont&) -> std::optional<QFont> { return std::nullopt; };
    QTest::mouseClick(P().Fontes, Qt::LeftButton);
    EXPECT_EQ(c.charFormat().font().pointSize(), 14);

    QTest::mouseClick(P().Gravar, Qt::LeftButton);
    ASSERT_EQ(Msgs().caixas.size(), 1u);
    EXPECT_EQ(Msgs().caixas[0].texto, "Records the text being edited.");
    EsperaSemErros();
}

// Catches Clear leaving the old name, the modified mark or the old
// formatting for what is typed next.
TEST_F(Textos, ClearStartsAnUnnamedDefaultText)
{
    AbreEMostra();
    QTest::mouseClick(P().Abrir, Qt::LeftButton);
    Caret(PosicaoDe("Tavix") + 2); // bold, coloured title
    QTest::keyClicks(&Texto(), "x");
    EXPECT_EQ(Painel(1), "Modified");
    ASSERT_TRUE(P().Negrito->isChecked());
    QTest::mouseClick(P().Limpar, Qt::LeftButton);
    EXPECT_FALSE(P().Negrito->isChecked()) << "the buttons follow the cleared text at once";
    EXPECT_EQ(Texto().toPlainText(), "");
    EXPECT_EQ(Painel(1), "");
    EXPECT_EQ(Painel(2), "Editing: No name");
    EXPECT_FALSE(P().Desfazer->isEnabled());
    EXPECT_FALSE(Texto().document()->isModified());
    QTest::keyClicks(&Texto(), "new");
    QTextCursor c(Texto().document());
    c.setPosition(2);
    EXPECT_EQ(c.charFormat().fontFamilies().toStringList(), QStringList { "MS Sans Serif" });
    EXPECT_EQ(c.charFormat().fontPointSize(), 10);
    EXPECT_NE(c.charFormat().fontWeight(), QFont::Bold);
    EXPECT_FALSE(P().Negrito->isChecked());
    EsperaSemErros();
}

// Catches a legend box that is reused, keeps old lines or is never freed.
TEST_F(Textos, EveryLegendIsAFreshBoxWithTheSameLines)
{
    AbreEMostra();
    QAction* legenda = t_->janela->findChild<QAction*>("Legenda1");
    ASSERT_NE(legenda, nullptr);
    std::vector<QString> textos;
    std::vector<QObject*> caixas;
    for (int vez = 0; vez < 2; ++vez) {
        QTimer::singleShot(0, [&] {
            auto* caixa = qobject_cast<TCaixaLegenda*>(QApplication::activeModalWidget());
            ASSERT_NE(caixa, nullptr);
            caixas.push_back(caixa);
            EXPECT_EQ(caixa->windowTitle(), "Legenda");
            EXPECT_EQ(caixa->size(), QSize(416, 223));
            EXPECT_TRUE(caixa->Memo1->isReadOnly());
            textos.push_back(caixa->Memo1->toPlainText());
            caixa->Memo1->appendPlainText("added by hand");
            QTest::mouseClick(caixa->OKBtn, Qt::LeftButton);
        });
        legenda->trigger();
    }
    ASSERT_EQ(textos.size(), 2u);
    EXPECT_EQ(textos[0], textos[1]);
    EXPECT_TRUE(textos[0].startsWith("Simbols\n\n\n@ = Links two columns"));
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TCaixaLegenda*>(w), nullptr);
    EsperaSemErros();
}
