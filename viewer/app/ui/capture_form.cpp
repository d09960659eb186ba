#include "viewer/app/ui/capture_form.h"

#include "platform/gpib/gpib_binding.h"
#include "viewer/app/analyser_capture.h"
#include "viewer/app/ui/form_parts.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/app/viewer_dialogs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace viewer {

TAquireForm::TAquireForm(TMainForm& mainForm, IViewerDialogs& dialogs, QWidget* parent)
    : QDialog(parent)
    , main_(mainForm)
    , dialogs_(dialogs)
{
    setWindowTitle(QStringLiteral("Rivelle - Capture data"));
    setFixedSize(346, 202);
    setModal(true);

    auto* typeLabel = new QLabel(QStringLiteral("VNA type"), this);
    typeLabel->setGeometry(8, 6, 150, 16);
    VNAtype = new QComboBox(this);
    VNAtype->setGeometry(8, 22, 160, 24);
    VNAtype->installEventFilter(this);
    typeLabel->setBuddy(VNAtype);

    auto* group = new QGroupBox(QStringLiteral("Device Type"), this);
    group->setGeometry(8, 52, 160, 118);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->setContentsMargins(8, 4, 8, 4);
    groupLayout->setSpacing(2);
    DataType = new QButtonGroup(this);
    const char* kinds[] = { "1 Port", "2 Port", "3 Port", "N Port" };
    for (int i = 0; i < 4; ++i) {
        auto* r = new QRadioButton(QString::fromUtf8(kinds[i]), group);
        groupLayout->addWidget(r);
        DataType->addButton(r, i);
    }
    DataType->button(1)->setChecked(true);
    connect(DataType, &QButtonGroup::idClicked, this, [this](int) { DataTypeClick(); });

    auto* countLabel = new QLabel(QStringLiteral("N Port count"), this);
    countLabel->setGeometry(180, 6, 80, 16);
    PortCount = new QSpinBox(this);
    PortCount->setGeometry(180, 22, 70, 24);
    PortCount->setRange(1, 99);
    PortCount->setValue(4);
    countLabel->setBuddy(PortCount);

    auto* addressLabel = new QLabel(QStringLiteral("GPIB Address"), this);
    addressLabel->setGeometry(180, 52, 80, 16);
    GpiBad = new QSpinBox(this);
    GpiBad->setGeometry(180, 68, 70, 24);
    GpiBad->setRange(1, 31);
    GpiBad->setValue(1);
    addressLabel->setBuddy(GpiBad);

    OKbutton = new QPushButton(QStringLiteral("OK"), this);
    OKbutton->setGeometry(262, 8, 76, 26);
    OKbutton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setGeometry(262, 40, 76, 26);
    HelpButton = new QPushButton(QStringLiteral("&Help"), this);
    HelpButton->setGeometry(262, 72, 76, 26);
    connect(OKbutton, &QPushButton::clicked, this, [this] { OKbuttonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    connect(HelpButton, &QPushButton::clicked, this, [this] { main_.ShowHelp(2); });
    helpOnF1(this, HelpButton);

    Status = new QLabel(this);
    Status->setGeometry(180, 104, 158, 60);
    Status->setWordWrap(true);
    Status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(0, 184, 346, 18);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);

    DataTypeClick();
}

int TAquireForm::PortCountValue() const
{
    const int kind = DataType->checkedId();
    return kind >= 0 && kind < 3 ? kind + 1 : PortCount->value();
}

void TAquireForm::DataTypeClick()
{
    PortCount->setEnabled(DataType->checkedId() == 3);
}

void TAquireForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The analyser first, then the installed drivers as they stand now.
    VNAtype->clear();
    VNAtype->addItem(QStringLiteral("HP 8753A"));
    for (const std::string& line : main_.DriverList())
        VNAtype->addItem(QString::fromStdString(line.substr(0, line.find('='))));
    VNAtype->setCurrentIndex(0);
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
}

bool TAquireForm::eventFilter(QObject* watched, QEvent* event)
{
    // The type is chosen from the list only.
    if (watched == VNAtype && event->type() == QEvent::KeyPress)
        return true;
    return QDialog::eventFilter(watched, event);
}

void TAquireForm::beginCapture()
{
    capturing_ = true;
    OKbutton->hide();
    HelpButton->hide();
    CancelButton->setText(QStringLiteral("&Abort"));
}

void TAquireForm::endCapture()
{
    capturing_ = false;
    OKbutton->show();
    HelpButton->show();
    CancelButton->setText(QStringLiteral("Cancel"));
    Status->clear();
    ProgressBar1->setValue(0);
}

void TAquireForm::OKbuttonClick()
{
    if (capturing_)
        return;
    aborted_ = false;
    // The grid's edits belong to the data the question is about; the
    // question is asked once for the capture.
    if (!main_.WriteGridBack() || main_.QuerySaveChanges())
        return;
    const int ports = PortCountValue();
    const int index = VNAtype->currentIndex();
    if (index >= 1) {
        beginCapture();
        const bool done = main_.CaptureWithDriver(*this, VNAtype->currentText().toStdString(), GpiBad->value(), ports);
        endCapture();
        // A failure leaves the dialog for another try; an abort closes it.
        if (done || aborted_)
            accept();
        return;
    }
    captureAnalyser(ports);
}

void TAquireForm::captureAnalyser(int ports)
{
    auto bus = std::make_shared<gpib::TGpibLibrary>();
    const std::string settings = main_.SettingsPath();
    if (bus->LoadGpibLibrary(GpibLibraryPath(settings), settings) != 0) {
        dialogs_.ShowMessage(kGpibLoadFailure);
        return;
    }
    beginCapture();
    auto source = std::make_shared<TAnalyserSource>(bus, GpiBad->value(), SettleMilliseconds);
    // The library is unloaded when the last call into it has returned.
    bus.reset();
    TCaptureResult r = TCaptureSession(ports, std::move(source), *this).Run();
    endCapture();
    switch (r.outcome) {
    case TCaptureOutcome::Completed:
        main_.TakeCapturedData(std::move(r.data));
        accept();
        break;
    case TCaptureOutcome::Failed:
        // The dialog stays for another try; the data is as it was.
        dialogs_.ShowWarning(r.message.empty() ? kGpibWarning : r.message);
        break;
    case TCaptureOutcome::Aborted:
        // The curves read before the abort become an unsaved file.
        if (!r.data.curves.empty())
            main_.TakeCapturedData(std::move(r.data));
        accept();
        break;
    }
}

void TAquireForm::CancelButtonClick()
{
    if (capturing_) {
        OKbutton->show();
        HelpButton->show();
        CancelButton->setText(QStringLiteral("Cancel"));
        Status->setText(QStringLiteral("Aborting"));
        aborted_ = true;
        return;
    }
    QDialog::reject();
}

void TAquireForm::reject()
{
    // Escape and the close box abort a running capture instead of closing.
    CancelButtonClick();
}

void TAquireForm::Prompt(const std::string& text)
{
    dialogs_.ShowInformation(text);
}

void TAquireForm::SetStatus(const std::string& text)
{
    if (!aborted_)
        Status->setText(QString::fromStdString(text));
}

void TAquireForm::SetProgress(int position, int maximum)
{
    ProgressBar1->setMaximum(std::max(1, maximum));
    ProgressBar1->setValue(position);
}

void TAquireForm::ProcessMessages()
{
    QApplication::processEvents();
}

} // namespace viewer
