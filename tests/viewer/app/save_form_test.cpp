#include "viewer/app/save_options.h"
#include "viewer/app/sparam_format.h"
#include "viewer/app/ui/qt_viewer_dialogs.h"
#include "viewer/app/ui/save_form.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

using namespace viewer;

// Catches wrong captions, items or defaults of the save-options dialog.
TEST(TSaveForm, ControlsAndDefaults)
{
    TSaveForm form;
    EXPECT_EQ(form.windowTitle(), "Rivelle- Save Options");
    EXPECT_EQ(form.FileType->checkedId(), 1);
    EXPECT_EQ(form.FileType->button(3)->text(), "SNP");
    EXPECT_EQ(form.PortCount->value(), 4);
    EXPECT_EQ(form.PortCount->maximum(), 99);
    EXPECT_FALSE(form.PortCount->isEnabled());
    EXPECT_EQ(form.ParameterType->checkedId(), 0);
    EXPECT_EQ(form.ParameterType->button(3)->text(), "H parameters");
    EXPECT_EQ(form.DataFormat->checkedId(), 0);
    EXPECT_EQ(form.DataFormat->button(2)->text(), "RI  (u/v)");
    EXPECT_EQ(form.digits->value(), 5);
    EXPECT_EQ(form.digits->maximum(), 7);
    EXPECT_EQ(form.FreqUnits->currentText(), "GHZ");
    EXPECT_EQ(form.FreqUnits->count(), 5);
    EXPECT_EQ(form.Impedance->text(), "50");
    SaveOptions o = form.Values();
    EXPECT_EQ(o.memo, std::vector<std::string>({ "" }));
    int help = 0;
    QObject::connect(&form, &TSaveForm::helpRequested, [&](int c) { help = c; });
    form.HelpButton->click();
    EXPECT_EQ(help, 5);
}

// Catches a file type or port count above the data's ports being accepted,
// and the port count enabled for other types than SNP.
TEST(TSaveForm, FileTypeAndPortCountFollowTheData)
{
    TSaveForm form;
    SaveOptions o;
    PrepareSaveOptions(o, 5, true, 2);
    EXPECT_EQ(o.fileType, 3);
    EXPECT_EQ(o.portCount, 5);
    EXPECT_EQ(o.dataFormat, 2);
    form.LoadFrom(o, 5);
    EXPECT_TRUE(form.PortCount->isEnabled());
    form.PortCount->setValue(9);
    EXPECT_EQ(form.PortCount->value(), 5);
    form.FileType->button(0)->click();
    EXPECT_FALSE(form.PortCount->isEnabled());

    PrepareSaveOptions(o, 2, false, 1);
    EXPECT_EQ(o.fileType, 1);
    EXPECT_EQ(o.dataFormat, 2); // unnamed data keeps the dialog's format
    form.LoadFrom(o, 2);
    form.FileType->button(2)->click(); // S3P for two ports falls back to S2P
    EXPECT_EQ(form.FileType->checkedId(), 1);
    form.FileType->button(3)->click(); // SNP: enabled, then back to S2P
    EXPECT_EQ(form.FileType->checkedId(), 1);
    EXPECT_TRUE(form.PortCount->isEnabled());
    o.fileType = 3;
    o.portCount = 12;
    EXPECT_EQ(SaveExtension(o), "S12");
    o.portCount = 7;
    EXPECT_EQ(SaveExtension(o), "S7P");
    o.fileType = 0;
    EXPECT_EQ(SaveExtension(o), "S1P");
}

// Catches OK accepting Y, Z or H for other than two ports, or a Z0 that is
// not a number above zero, and memo lines changed by a round through the dialog.
TEST(TSaveForm, OkRefusesWhatCannotBeWritten)
{
    TSaveForm form;
    std::vector<QString> shown;
    form.ShowMessage = [&](const QString& t) { shown.push_back(t); };
    SaveOptions o;
    o.memo = { " Created by Rivelle", "  two", "" };
    o.fileType = 2;
    form.LoadFrom(o, 3);
    EXPECT_FALSE(form.ParameterType->button(1)->isEnabled());
    EXPECT_EQ(form.Values().memo, o.memo);
    form.Impedance->setText("abc");
    form.OKButton->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Z0 must be a number above zero.");
    form.Impedance->setText(" 75 ");
    form.Memo1->setPlainText("one\ntwo");
    form.OKButton->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Values().memo, std::vector<std::string>({ "one", "two" }));
    EXPECT_EQ(shown.size(), 1u);

    o.parameterType = spY;
    EXPECT_EQ(CheckSaveOptions(o, 3), "Y parameters can only be saved for two ports.");
    o.fileType = 1;
    EXPECT_EQ(CheckSaveOptions(o, 2), "");
    form.LoadFrom(o, 2);
    EXPECT_EQ(form.ParameterType->checkedId(), 1);
    form.LoadFrom(o, 4);
    EXPECT_EQ(form.ParameterType->checkedId(), 0);
}

// Catches the old "text|pattern|" filter passed to the file dialog unchanged,
// which would show no S-parameter files, or only upper-case ones.
TEST(ToolkitFilter, FromBarSeparatedForm)
{
    EXPECT_EQ(ToolkitFilter("S-Parameter files (*.SnP)|*.S*|"), "S-Parameter files (*.SnP) (*.S* *.s*)");
    EXPECT_EQ(ToolkitFilter("S-Parameter files (*.SnP)|*.S*"), "S-Parameter files (*.SnP) (*.S* *.s*)");
    EXPECT_EQ(ToolkitFilter("Text|*.txt;*.TXT|All|*"), "Text (*.txt *.TXT);;All (*)");
}
