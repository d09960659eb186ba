#include "setup/installlib/translator.h"
#include "setup/installlib/ui/translatecontrols.h"
#include "setup/installlib/ui/translatorui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

using namespace installlib;

namespace {

// A small wizard-like form with one of each kind of text that counts.
struct Form {
    QWidget window;
    QLabel* label;
    QLabel* picture;
    QPushButton* next;
    QCheckBox* check;
    QRadioButton* radio;
    QGroupBox* group;
    QComboBox* combo;
    QListWidget* list;
    QTreeWidget* tree;
    QTabWidget* tabs;
    QPlainTextEdit* memo;
    TTranslateLabel* glidLabel;
    TTranslateLabel* negativeLabel;
    TTranslateBitBtn* glidButton;
    QWidget* dialog; // a window of its own: not part of the form

    Form()
    {
        window.setWindowTitle("Setup");
        auto* layout = new QVBoxLayout(&window);
        label = new QLabel("Welcome");
        label->setToolTip("Cancel");
        picture = new QLabel;
        next = new QPushButton("Next >");
        check = new QCheckBox("Cancel");
        radio = new QRadioButton("Next >");
        group = new QGroupBox("Welcome");
        auto* inner = new QVBoxLayout(group);
        combo = new QComboBox;
        combo->addItems({ "Next >", "Untranslated", "  " });
        inner->addWidget(combo);
        list = new QListWidget;
        list->addItems({ "Cancel", "Welcome" });
        tree = new QTreeWidget;
        tree->setHeaderLabels({ "Welcome", "Cancel" });
        tabs = new QTabWidget;
        tabs->addTab(new QWidget, "Next >");
        memo = new QPlainTextEdit("Line one\nLine two");
        glidLabel = new TTranslateLabel("Welcome to it");
        glidLabel->SetGLID(2);
        negativeLabel = new TTranslateLabel("Welcome");
        negativeLabel->SetGLID(-1);
        negativeLabel->setToolTip("Cancel");
        glidButton = new TTranslateBitBtn("Stop");
        glidButton->SetGLID(4);
        for (QWidget* w : std::initializer_list<QWidget*> { label, picture, next, check, radio, group, list, tree, tabs,
                 memo, glidLabel, negativeLabel, glidButton })
            layout->addWidget(w);
        dialog = new QWidget(&window, Qt::Dialog);
        dialog->setWindowTitle("Welcome");
    }
};

} // namespace

// A form must come out wholly in the target language: a text kind left out
// of the walk stays English on the user's screen.
class FormTranslation : public ::testing::Test {
protected:
    void SetUp() override
    {
        t.lgEnglish().Strings().Assign(
            { "1;Welcome", "2;Next >", "3;Cancel", "4;Setup", "#10;", "Line one", "Line two", "#" });
        t.lgGerman().Strings().Assign(
            { "1;Willkommen", "2;Weiter >", "3;Abbrechen", "4;Installation", "#10;", "Zeile eins", "#" });
    }
    TTranslator t;
};

TEST_F(FormTranslation, EveryTextKindIsTranslated)
{
    Form f;
    EXPECT_EQ(TranslateComponentInto(t, qgEnglish, qgGerman, &f.window), qgGerman);
    EXPECT_EQ(t.TranslateIntoLanguage, qgUser); // restored after the call
    EXPECT_EQ(f.window.windowTitle(), "Installation");
    EXPECT_EQ(f.label->text(), "Willkommen");
    EXPECT_EQ(f.label->toolTip(), "Abbrechen");
    EXPECT_EQ(f.next->text(), "Weiter >");
    EXPECT_EQ(f.check->text(), "Abbrechen");
    EXPECT_EQ(f.radio->text(), "Weiter >");
    EXPECT_EQ(f.group->title(), "Willkommen");
    EXPECT_EQ(f.combo->itemText(0), "Weiter >");
    EXPECT_EQ(f.combo->itemText(1), "Untranslated");
    EXPECT_EQ(f.list->item(0)->text(), "Abbrechen");
    EXPECT_EQ(f.tree->headerItem()->text(1), "Abbrechen");
    EXPECT_EQ(f.tabs->tabText(0), "Weiter >");
    EXPECT_EQ(f.memo->toPlainText(), "Zeile eins");
    // GLID above 0: by number, whatever the caption says.
    EXPECT_EQ(f.glidLabel->text(), "Weiter >");
    EXPECT_EQ(f.glidButton->text(), "Installation");
    // Negative GLID: caption and other texts untouched.
    EXPECT_EQ(f.negativeLabel->text(), "Welcome");
    EXPECT_EQ(f.negativeLabel->toolTip(), "Cancel");
    // A window of its own is translated when it is itself translated.
    EXPECT_EQ(f.dialog->windowTitle(), "Welcome");
    EXPECT_TRUE(f.window.updatesEnabled());
}

TEST_F(FormTranslation, GlidZeroGoesByCaptionAndBackToEnglishWorks)
{
    Form f;
    f.glidLabel->SetGLID(0);
    f.glidLabel->setText("Cancel");
    TQrleLanguage now = TranslateComponentTree(qgEnglish, qgGerman, &f.window);
    EXPECT_EQ(f.glidLabel->text(), "Abbrechen");
    t.TranslateIntoLanguage = qgEnglish;
    EXPECT_EQ(TranslateComponentTree(now, &f.window), qgEnglish);
    EXPECT_EQ(f.label->text(), "Welcome");
    EXPECT_EQ(f.memo->toPlainText(), "Line one\nLine two");
    EXPECT_EQ(f.glidLabel->text(), "Cancel");
}

TEST_F(FormTranslation, TargetWithoutLinesKeepsSourceLanguage)
{
    Form f;
    EXPECT_EQ(TranslateComponentInto(t, qgEnglish, qgFrench, &f.window), qgEnglish);
    EXPECT_EQ(f.label->text(), "Welcome");
}

TEST_F(FormTranslation, MemoWithFinalLineBreakStillMatches)
{
    Form f;
    f.memo->setPlainText("Line one\nLine two\n");
    TranslateComponentInto(t, qgEnglish, qgGerman, &f.window);
    EXPECT_EQ(f.memo->toPlainText(), "Zeile eins");
    f.memo->setPlainText("Line one\nLine two\nLine three");
    TranslateComponentInto(t, qgEnglish, qgGerman, &f.window);
    EXPECT_EQ(f.memo->toPlainText(), "Line one\nLine two\nLine three");
}

TEST_F(FormTranslation, FontsFollowTheLanguage)
{
    Form f;
    QFont small = f.window.font();
    small.setPointSize(6);
    f.window.setFont(small);
    f.next->setFont(small);
    ApplyFontsInto(t, qgJapanese, &f.window, true);
    EXPECT_EQ(f.next->property("fontCharset").toInt(), 128);
    EXPECT_EQ(f.next->font().pointSize(), 9);
    EXPECT_EQ(f.memo->property("fontCharset").toInt(), 128);
    EXPECT_FALSE(f.dialog->property("fontCharset").isValid());
    // No text lines and KeepWithoutText false: the English fonts.
    ApplyLanguageFont(qgRussian, &f.window, false);
    EXPECT_EQ(f.label->property("fontCharset").toInt(), 0);
    EXPECT_EQ(f.label->font().family(), "Arial");
    // A language that brings its own font.
    t.lgGerman().FontOverride = true;
    t.lgGerman().Font.Name = "Courier";
    t.lgGerman().Font.SetSize(14);
    t.lgGerman().Font.Bold = true;
    ApplyFontsInto(t, qgGerman, &f.window, false);
    EXPECT_EQ(f.next->font().family(), "Courier");
    EXPECT_EQ(f.next->font().pointSize(), 14);
    EXPECT_TRUE(f.next->font().bold());
}
