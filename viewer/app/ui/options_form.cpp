#include "viewer/app/ui/options_form.h"

#include "viewer/app/capture_driver.h"
#include "viewer/app/ui/form_parts.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/app/viewer_dialogs.h"
#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/ui/smithchartwidget.h"
#include "viewer/components/ui/xychartwidget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace viewer {

namespace {

QButtonGroup* radioBox(QWidget* page, const QString& title, std::initializer_list<const char*> items)
{
    auto* lay = new QVBoxLayout(page);
    auto* box = new QGroupBox(title, page);
    auto* inner = new QVBoxLayout(box);
    auto* group = new QButtonGroup(page);
    int id = 0;
    for (const char* item : items) {
        auto* b = new QRadioButton(QString::fromUtf8(item), box);
        inner->addWidget(b);
        group->addButton(b, id++);
    }
    group->button(0)->setChecked(true);
    lay->addWidget(box);
    lay->addStretch();
    return group;
}

QSpinBox* spin(QWidget* parent, int value)
{
    auto* s = new QSpinBox(parent);
    s->setRange(0, 10);
    s->setValue(value);
    return s;
}

} // namespace

TOptionsForm::TOptionsForm(TMainForm& main)
    : QDialog(&main)
    , main_(main)
{
    setObjectName(QStringLiteral("OptionsForm"));
    setWindowTitle(QStringLiteral("Rivelle Options"));
    auto* layout = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    layout->addWidget(PageControl1);

    auto* grids = new QWidget;
    GridStyle = radioBox(grids, QStringLiteral("Grid Style"), { "Dotted", "Dashed", "Solid" });
    PageControl1->addTab(grids, QStringLiteral("Grids"));

    auto* colours = new QWidget;
    auto* colourGrid = new QGridLayout(colours);
    QPushButton** buttons[3] = { &BorderButton, &BackgroundButton, &GraphButton };
    QFrame** swatches[3] = { &BorderSwatch, &BackgroundSwatch, &GraphSwatch };
    const char* captions[3] = { "Border", "Background", "Graph" };
    for (int i = 0; i < 3; ++i) {
        *buttons[i] = new QPushButton(QString::fromUtf8(captions[i]), colours);
        *swatches[i] = new QFrame(colours);
        (*swatches[i])->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        (*swatches[i])->setAutoFillBackground(true);
        (*swatches[i])->setFixedSize(60, 24);
        colourGrid->addWidget(*buttons[i], i, 0);
        colourGrid->addWidget(*swatches[i], i, 1);
        connect(*buttons[i], &QPushButton::clicked, this, [this, i] { ColourClick(i); });
    }
    colourGrid->setRowStretch(3, 1);
    colourGrid->setColumnStretch(2, 1);
    PageControl1->addTab(colours, QStringLiteral("Colours"));

    auto* markers = new QWidget;
    auto* markersLayout = new QVBoxLayout(markers);
    auto* view = new QGroupBox(QStringLiteral("View"), markers);
    auto* viewLayout = new QVBoxLayout(view);
    MagAngle = new QCheckBox(QStringLiteral("Mag/Ang"), view);
    MagAngle->setChecked(true);
    RX = new QCheckBox(QStringLiteral("R+JX"), view);
    Normalised = new QCheckBox(QStringLiteral("Normalised"), view);
    Normalised->setChecked(true);
    for (QCheckBox* b : { MagAngle, RX, Normalised })
        viewLayout->addWidget(b);
    markersLayout->addWidget(view);
    auto* digitsRow = new QFormLayout;
    MarkerDigits = spin(markers, 3);
    digitsRow->addRow(QStringLiteral("Digits"), MarkerDigits);
    markersLayout->addLayout(digitsRow);
    markersLayout->addStretch();
    PageControl1->addTab(markers, QStringLiteral("DataMarkers"));

    auto* drivers = new QWidget;
    auto* driversLayout = new QHBoxLayout(drivers);
    DriverList = new QListWidget(drivers);
    driversLayout->addWidget(DriverList, 1);
    auto* driverButtons = new QVBoxLayout;
    AddButton = new QPushButton(QStringLiteral("Add"), drivers);
    RemoveButton = new QPushButton(QStringLiteral("Remove"), drivers);
    driverButtons->addWidget(AddButton);
    driverButtons->addWidget(RemoveButton);
    driverButtons->addStretch();
    driversLayout->addLayout(driverButtons);
    connect(AddButton, &QPushButton::clicked, this, &TOptionsForm::AddClick);
    connect(RemoveButton, &QPushButton::clicked, this, &TOptionsForm::RemoveClick);
    PageControl1->addTab(drivers, QStringLiteral("Drivers"));

    auto* numeric = new QWidget;
    DataFormat = radioBox(
        numeric, QStringLiteral("Data Format"), { "MA (Magnitude/Angle)", "DB (Log magnitude/Angle)", "RI  (u/v)" });
    PageControl1->addTab(numeric, QStringLiteral("Numeric"));

    auto* misc = new QWidget;
    auto* miscLayout = new QVBoxLayout(misc);
    ClearFileHistory = new QCheckBox(QStringLiteral("Clear File History"), misc);
    miscLayout->addWidget(ClearFileHistory);
    miscLayout->addStretch();
    PageControl1->addTab(misc, QStringLiteral("Misc"));

    auto* status = new QWidget;
    auto* statusLayout = new QVBoxLayout(status);
    auto* resolution = new QGroupBox(QStringLiteral("Digits Resolution"), status);
    auto* resolutionLayout = new QFormLayout(resolution);
    FreqDigits = spin(resolution, 4);
    DbDigits = spin(resolution, 2);
    OtherDigits = spin(resolution, 3);
    resolutionLayout->addRow(QStringLiteral("Freq"), FreqDigits);
    resolutionLayout->addRow(QStringLiteral("dB's"), DbDigits);
    resolutionLayout->addRow(QStringLiteral("Other"), OtherDigits);
    statusLayout->addWidget(resolution);
    statusLayout->addStretch();
    PageControl1->addTab(status, QStringLiteral("StatusBar"));

    auto* row = new QHBoxLayout;
    row->addStretch();
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    ApplyButton = new QPushButton(QStringLiteral("&Apply"), this);
    ApplyButton->setEnabled(false);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    HelpButton = new QPushButton(QStringLiteral("Help"), this);
    for (QPushButton* b : { OKButton, ApplyButton, CancelButton, HelpButton })
        row->addWidget(b);
    layout->addLayout(row);
    connect(OKButton, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
    connect(ApplyButton, &QPushButton::clicked, this, &TOptionsForm::Apply);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this] { main_.ShowHelp(7); });
    helpOnF1(this, HelpButton);

    for (QButtonGroup* g : { GridStyle, DataFormat })
        connect(g, &QButtonGroup::idClicked, this, [this] { Changed(); });
    connect(DataFormat, &QButtonGroup::idClicked, this, [this] {
        if (!updating_)
            formatChanged_ = true;
    });
    for (QCheckBox* b : { MagAngle, RX, Normalised, ClearFileHistory })
        connect(b, &QCheckBox::toggled, this, [this] { Changed(); });
    for (QSpinBox* s : { MarkerDigits, FreqDigits, DbDigits, OtherDigits })
        connect(s, &QSpinBox::valueChanged, this, [this] { Changed(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == pgGrids)
            ShowGridType();
    });

    FillDriverList();
    ShowSwatches();
    resize(560, 320);
}

void TOptionsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the main window.
    move(main_.geometry().center() - rect().center());
    FormActivate();
}

void TOptionsForm::Changed()
{
    if (!updating_)
        ApplyButton->setEnabled(true);
}

void TOptionsForm::FormActivate()
{
    updating_ = true;
    TOptionsValues v = Values();
    ReadOptions(v, main_.SmithChart1().Chart(), main_.FileState().NewFileDataFormat, main_.Digits());
    colours_[0] = v.Border;
    colours_[1] = v.Background;
    colours_[2] = v.Graph;
    ShowSwatches();
    MagAngle->setChecked(v.MagAngle);
    RX->setChecked(v.RX);
    Normalised->setChecked(v.Normalised);
    if (QAbstractButton* b = DataFormat->button(v.DataFormat))
        b->setChecked(true);
    formatChanged_ = false;
    FreqDigits->setValue(v.Digits.Freq);
    DbDigits->setValue(v.Digits.Db);
    OtherDigits->setValue(v.Digits.Value);
    updating_ = false;
    if (PageControl1->currentIndex() == pgGrids)
        ShowGridType();
    ApplyButton->setEnabled(false);
}

void TOptionsForm::ShowGridType()
{
    updating_ = true;
    if (QAbstractButton* b = GridStyle->button(main_.SmithChart1().Chart().GridType()))
        b->setChecked(true);
    updating_ = false;
}

void TOptionsForm::ShowSwatches()
{
    QFrame* swatches[3] = { BorderSwatch, BackgroundSwatch, GraphSwatch };
    for (int i = 0; i < 3; ++i) {
        QPalette p = swatches[i]->palette();
        p.setColor(QPalette::Window, ToQColor(colours_[i]));
        swatches[i]->setPalette(p);
    }
}

TOptionsValues TOptionsForm::Values() const
{
    TOptionsValues v;
    v.GridType = std::max(0, GridStyle->checkedId());
    v.Border = colours_[0];
    v.Background = colours_[1];
    v.Graph = colours_[2];
    v.MagAngle = MagAngle->isChecked();
    v.RX = RX->isChecked();
    v.Normalised = Normalised->isChecked();
    v.MarkerDigits = MarkerDigits->value();
    v.DataFormat = std::max(0, DataFormat->checkedId());
    v.ClearFileHistory = ClearFileHistory->isChecked();
    v.Digits.Freq = FreqDigits->value();
    v.Digits.Db = DbDigits->value();
    v.Digits.Value = OtherDigits->value();
    return v;
}

void TOptionsForm::ColourClick(int which)
{
    TColor c = colours_[which];
    if (!main_.Dialogs().ChooseColour(c))
        return;
    colours_[which] = c;
    ShowSwatches();
    Changed();
}

void TOptionsForm::Apply()
{
    const TOptionsValues v = Values();
    ApplyOptions(v, main_.SmithChart1().Chart(), main_.XYChart().Chart(), main_.Digits());
    if (formatChanged_) {
        main_.SetGridFormat(v.DataFormat);
        formatChanged_ = false;
    }
    if (v.ClearFileHistory) {
        main_.ClearFileHistory();
        updating_ = true;
        ClearFileHistory->setChecked(false);
        updating_ = false;
    }
    ApplyButton->setEnabled(false);
    main_.SmithChart1().Chart().Paint();
    main_.XYChart().Chart().Paint();
}

void TOptionsForm::FillDriverList()
{
    DriverList->clear();
    for (const std::string& line : main_.DriverList())
        DriverList->addItem(QString::fromStdString(line));
}

void TOptionsForm::AddClick()
{
    std::string path;
    if (!main_.Dialogs().AskOpenFileName("Drivers(*.so)|*.so", path))
        return;
    std::string name;
    if (std::string error = ReadDriverName(path, name); !error.empty()) {
        main_.Dialogs().ShowMessage(error);
        return;
    }
    if (std::string error = main_.Settings().WriteDriver(name, path); !error.empty()) {
        main_.Dialogs().ShowMessage(error);
        return;
    }
    main_.SetDriverList(main_.Settings().Drivers);
    FillDriverList();
}

void TOptionsForm::RemoveClick()
{
    QListWidgetItem* item = DriverList->currentItem();
    if (!item || !item->isSelected())
        return;
    const std::string line = item->text().toStdString();
    const std::string name = line.substr(0, line.find('='));
    if (std::string error = main_.Settings().DeleteDriver(name); !error.empty()) {
        main_.Dialogs().ShowMessage(error);
        return;
    }
    main_.SetDriverList(main_.Settings().Drivers);
    FillDriverList();
}

} // namespace viewer
