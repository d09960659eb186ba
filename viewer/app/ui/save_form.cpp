#include "viewer/app/ui/save_form.h"

#include "viewer/app/ui/form_parts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace viewer {

namespace {

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += lines[i];
    }
    return text;
}

} // namespace

TSaveForm::TSaveForm(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Rivelle- Save Options"));
    setObjectName(QStringLiteral("SaveForm"));
    auto* grid = new QGridLayout;

    FileType = radioGroup(this, grid, 0, 0, QStringLiteral("File Type"), kFileTypeItems, 4, "FileType");
    PortCount = boxed<QSpinBox>(this, grid, 1, 0, QStringLiteral("Ports"), "PortCount");
    PortCount->setRange(0, 99);

    ParameterType
        = radioGroup(this, grid, 0, 1, QStringLiteral("Parameter Type"), kParameterTypeItems, 4, "ParameterType");
    DataFormat = radioGroup(this, grid, 0, 2, QStringLiteral("Data Format"), kDataFormatItems, 3, "DataFormat");

    digits = boxed<QSpinBox>(this, grid, 1, 1, QStringLiteral("Digits "), "digits");
    digits->setRange(0, 7);

    FreqUnits = boxed<QComboBox>(this, grid, 1, 2, QStringLiteral("Units"), "FreqUnits");
    for (const char* u : kFreqUnitItems)
        FreqUnits->addItem(QString::fromLatin1(u));

    Impedance = boxed<QLineEdit>(this, grid, 2, 0, QStringLiteral("Z0"), "Impedance");

    Memo1 = boxed<QPlainTextEdit>(this, grid, 2, 1, QStringLiteral("Addtional comment lines"), "Memo1", 2);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);

    layOutGridDialog(this, grid, OKButton, CancelButton, HelpButton);

    connect(OKButton, &QPushButton::clicked, this, &TSaveForm::accept);
    connect(CancelButton, &QPushButton::clicked, this, &TSaveForm::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this] { emit helpRequested(5); });
    connect(FileType, &QButtonGroup::idClicked, this, [this](int) { FileTypeClick(); });
    connect(PortCount, &QSpinBox::valueChanged, this, [this](int) { PortCountChange(); });

    LoadFrom(SaveOptions {}, 2);
}

void TSaveForm::LoadFrom(const SaveOptions& o, int dataPorts)
{
    updating_ = true;
    dataPorts_ = dataPorts;
    FileType->button(o.fileType >= 0 && o.fileType <= 3 ? o.fileType : 1)->setChecked(true);
    PortCount->setValue(o.portCount);
    PortCount->setEnabled(o.portCountEnabled);
    // Y, Z and H are written for two ports only.
    for (int i = 1; i <= 3; ++i)
        ParameterType->button(i)->setEnabled(dataPorts == 2);
    int kind = (o.parameterType >= 0 && o.parameterType <= 3) ? o.parameterType : 0;
    ParameterType->button(dataPorts == 2 ? kind : 0)->setChecked(true);
    DataFormat->button(o.dataFormat >= 0 && o.dataFormat <= 2 ? o.dataFormat : 0)->setChecked(true);
    digits->setValue(o.digits);
    int unit = FreqUnits->findText(QString::fromStdString(o.freqUnits));
    FreqUnits->setCurrentIndex(unit >= 0 ? unit : 1);
    Impedance->setText(QString::fromStdString(o.impedance));
    loadedMemo_ = o.memo;
    Memo1->setPlainText(QString::fromStdString(joinLines(o.memo)));
    updating_ = false;
}

SaveOptions TSaveForm::Values() const
{
    SaveOptions o;
    o.fileType = FileType->checkedId();
    o.portCount = PortCount->value();
    o.portCountEnabled = PortCount->isEnabled();
    o.parameterType = ParameterType->checkedId();
    o.dataFormat = DataFormat->checkedId();
    o.digits = digits->value();
    o.freqUnits = FreqUnits->currentText().toStdString();
    o.impedance = Impedance->text().toStdString();
    std::string text = Memo1->toPlainText().toStdString();
    // An untouched memo keeps its lines exactly (no lines and one empty
    // line look the same in the editor).
    if (text == joinLines(loadedMemo_)) {
        o.memo = loadedMemo_;
    } else {
        o.memo.clear();
        std::size_t start = 0;
        for (;;) {
            std::size_t nl = text.find('\n', start);
            o.memo.push_back(text.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
            if (nl == std::string::npos)
                break;
            start = nl + 1;
        }
        if (text.empty())
            o.memo.clear();
    }
    return o;
}

void TSaveForm::FileTypeClick()
{
    if (updating_)
        return;
    SaveOptions o;
    o.fileType = FileType->checkedId();
    o.portCount = PortCount->value();
    viewer::FileTypeClick(o, dataPorts_);
    PortCount->setEnabled(o.portCountEnabled);
    if (o.fileType >= 0 && o.fileType != FileType->checkedId())
        FileType->button(o.fileType)->setChecked(true);
}

void TSaveForm::PortCountChange()
{
    if (updating_)
        return;
    SaveOptions o;
    o.portCount = PortCount->value();
    viewer::PortCountChange(o, dataPorts_);
    if (o.portCount != PortCount->value())
        PortCount->setValue(o.portCount);
}

void TSaveForm::accept()
{
    std::string problem = CheckSaveOptions(Values(), dataPorts_);
    if (!problem.empty()) {
        QString text = QString::fromStdString(problem);
        if (ShowMessage)
            ShowMessage(text);
        else
            QMessageBox::warning(this, QStringLiteral("Rivelle"), text);
        return;
    }
    QDialog::accept();
}

} // namespace viewer
