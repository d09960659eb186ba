#include "viewer/app/ui/new_form.h"

#include "viewer/app/save_options.h"
#include "viewer/app/ui/form_parts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace viewer {

namespace {

template <class W> W* named(QWidget* parent, const char* name)
{
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

TNewForm::TNewForm(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Rivelle- Create New File"));
    setObjectName(QStringLiteral("NewForm"));
    auto* grid = new QGridLayout;

    FileType = radioGroup(this, grid, 0, 0, QStringLiteral("File Type"), kFileTypeItems, 4, "FileType");
    DataFormat = radioGroup(this, grid, 0, 1, QStringLiteral("Data Format"), kDataFormatItems, 3, "DataFormat");

    PortCount = boxed<QSpinBox>(this, grid, 1, 0, QStringLiteral("Ports"), "PortCount");
    PortCount->setRange(0, 99);
    Impedance = boxed<QLineEdit>(this, grid, 1, 1, QStringLiteral("Z0"), "Impedance");

    auto* freqBox = new QGroupBox(QStringLiteral("Frequency"), this);
    auto* form = new QFormLayout(freqBox);
    Start = named<QLineEdit>(freqBox, "Start");
    Stop = named<QLineEdit>(freqBox, "Stop");
    Points = named<QSpinBox>(freqBox, "Points");
    Points->setRange(2, 10000);
    FreqUnits = named<QComboBox>(freqBox, "FreqUnits");
    for (const char* u : kNewFileUnits)
        FreqUnits->addItem(QString::fromLatin1(u));
    form->addRow(QStringLiteral("Start"), Start);
    form->addRow(QStringLiteral("Stop"), Stop);
    form->addRow(QStringLiteral("Points"), Points);
    form->addRow(QStringLiteral("Units"), FreqUnits);
    grid->addWidget(freqBox, 0, 2, 2, 1);

    layOutGridDialog(this, grid, OKButton, CancelButton, HelpButton);

    connect(OKButton, &QPushButton::clicked, this, &TNewForm::accept);
    connect(CancelButton, &QPushButton::clicked, this, &TNewForm::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this] { emit helpRequested(10); });
    connect(FileType, &QButtonGroup::idClicked, this, [this](int) { FileTypeClick(); });

    LoadFrom(TNewFileValues {});
}

void TNewForm::LoadFrom(const TNewFileValues& v)
{
    FileType->button(v.fileType >= 0 && v.fileType <= 3 ? v.fileType : 1)->setChecked(true);
    PortCount->setValue(v.portCount);
    DataFormat->button(v.dataFormat >= 0 && v.dataFormat <= 2 ? v.dataFormat : 0)->setChecked(true);
    Impedance->setText(QString::fromStdString(v.impedance));
    Start->setText(QString::fromStdString(v.start));
    Stop->setText(QString::fromStdString(v.stop));
    Points->setValue(v.points);
    const int unit = FreqUnits->findText(QString::fromStdString(v.units));
    FreqUnits->setCurrentIndex(unit >= 0 ? unit : 1);
    FileTypeClick();
}

TNewFileValues TNewForm::Values() const
{
    TNewFileValues v;
    v.fileType = FileType->checkedId();
    v.portCount = PortCount->value();
    v.dataFormat = DataFormat->checkedId();
    v.impedance = Impedance->text().toStdString();
    v.start = Start->text().toStdString();
    v.stop = Stop->text().toStdString();
    v.points = Points->value();
    v.units = FreqUnits->currentText().toStdString();
    return v;
}

void TNewForm::FileTypeClick()
{
    PortCount->setEnabled(FileType->checkedId() == 3);
}

void TNewForm::accept()
{
    TNewFile file;
    const std::string problem = CheckNewFile(Values(), file);
    if (!problem.empty()) {
        const QString text = QString::fromStdString(problem);
        if (ShowMessage)
            ShowMessage(text);
        else
            QMessageBox::warning(this, QStringLiteral("Rivelle"), text);
        return;
    }
    QDialog::accept();
}

void TNewForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the main window.
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
}

} // namespace viewer
