#include "setup/installlib/ui/progresswindows.h"

#include "platform/ui/message_service.h"
#include "setup/installlib/application.h"
#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/dialogregistry.h"
#include "setup/installlib/exceptions.h"
#include "setup/installlib/messageparameters.h"
#include "setup/installlib/typecodes.h"
#include "setup/installlib/ui/translatorui.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TInstallStatusForm, TBaseQuorleForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TInstallStatusDlg, TBaseInstallDlg)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TCopyFileForm, TQtDuringCopyForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TCopyFileDlg, TBaseInstallDlg)

namespace {

constexpr int StatusWidth = 428;
constexpr int StatusHeight = 58;
constexpr int StatusImageWidth = 49;
constexpr int StatusBorder = 5;

// The pictures of the copy window: a box being unpacked, and the transfer
// picture shown while a file is downloaded.
QPixmap unpackPicture()
{
    QPixmap picture(40, 40);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(200, 160, 90));
    p.drawRect(4, 16, 32, 20);
    p.setBrush(QColor(230, 190, 120));
    p.drawPolygon(QPolygon({ QPoint(4, 16), QPoint(12, 8), QPoint(28, 8), QPoint(36, 16) }));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(15, 2, 10, 12);
    return picture;
}

QPixmap transferPicture()
{
    QPixmap picture(40, 40);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.setBrush(QColor(120, 170, 230));
    p.drawEllipse(4, 4, 32, 32);
    p.drawLine(4, 20, 36, 20);
    p.drawEllipse(13, 4, 14, 32);
    return picture;
}

QLabel* textLabel(QWidget* parent, const char* name, const char* text, int glid, int left, int top)
{
    auto* label = new TTranslateLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->SetGLID(glid);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

// --- status window ------------------------------------------------------------------

TInstallStatusForm::TInstallStatusForm(TComponent* Owner)
    : TQtWindowed(Owner, nullptr, Qt::Tool | Qt::FramelessWindowHint)
{
    QWidget* window = Widget();
    window->setObjectName("InstallStatusForm");
    window->setAutoFillBackground(true);
    Image = new QLabel(window);
    Image->setObjectName("Image");
    Image->setGeometry(0, 0, StatusImageWidth, StatusHeight);
    Image->setAlignment(Qt::AlignCenter);
    QPixmap info(32, 32);
    info.fill(Qt::transparent);
    {
        QPainter p(&info);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(0, 0, 160));
        p.setPen(Qt::NoPen);
        p.drawEllipse(2, 2, 28, 28);
        p.setPen(QPen(Qt::white, 4));
        p.drawLine(16, 14, 16, 24);
        p.drawPoint(16, 9);
    }
    Image->setPixmap(info);
    BackPanel = new QWidget(window);
    BackPanel->setObjectName("BackPanel");
    MessagePanel = new QFrame(BackPanel);
    MessagePanel->setObjectName("MessagePanel");
    static_cast<QFrame*>(MessagePanel)->setFrameShape(QFrame::Panel);
    static_cast<QFrame*>(MessagePanel)->setFrameShadow(QFrame::Sunken);
    lblMessage = new QLabel(MessagePanel);
    lblMessage->setObjectName("lblMessage");
    lblMessage->move(StatusBorder, StatusBorder);
    TCustomForm::SetBounds(Left(), Top(), StatusWidth, StatusHeight);
    window->setGeometry(0, 0, StatusWidth, StatusHeight);
    // The back panel lies to the right of the picture and the message panel
    // inside it, each with a border of 5.
    BackPanel->setGeometry(StatusImageWidth, 0, StatusWidth - StatusImageWidth, StatusHeight);
    MessagePanel->setGeometry(
        StatusBorder, StatusBorder, BackPanel->width() - 2 * StatusBorder, StatusHeight - 2 * StatusBorder);
}

TInstallStatusForm::~TInstallStatusForm() = default;

TQrleLanguage TInstallStatusForm::TranslateTexts(TQrleLanguage Source, const TQrleLanguage* Into)
{
    return TranslateFormWidget(*this, Widget(), Source, Into);
}

void TInstallStatusForm::ApplyFormFonts(const TQrleLanguage* Into)
{
    ApplyFormWidgetFonts(Widget(), Into);
}

void TInstallStatusForm::FitMessage()
{
    const QString text = lblMessage->text();
    const QFontMetrics metrics(lblMessage->font());
    auto measure = [&](int wrapWidth) {
        if (wrapWidth <= 0)
            return TTextSize { metrics.horizontalAdvance(text), metrics.height() };
        QRect r = metrics.boundingRect(QRect(0, 0, wrapWidth, 100000), Qt::TextWordWrap, text);
        return TTextSize { wrapWidth, r.height() };
    };
    const int frame = BackPanel->x() + MessagePanel->x() + lblMessage->x() + 25;
    TScreenMetrics screen = PrimaryScreenMetrics();
    TStatusLayout layout = LayoutStatusWindow(measure, frame, StatusHeight, screen.Width);
    lblMessage->setWordWrap(layout.WordWrap);
    const int top = (screen.Height - layout.Height) / 2;
    SetBounds(layout.Left, top, layout.Width, layout.Height);
    Image->setGeometry(0, 0, StatusImageWidth, layout.Height);
    BackPanel->setGeometry(StatusImageWidth, 0, layout.Width - StatusImageWidth, layout.Height);
    MessagePanel->setGeometry(
        StatusBorder, StatusBorder, BackPanel->width() - 2 * StatusBorder, layout.Height - 2 * StatusBorder);
    // The label's top is counted in the window, as the message is centred
    // in the window's height.
    lblMessage->setGeometry(StatusBorder, layout.LabelTop - MessagePanel->y(), layout.LabelWidth, layout.LabelHeight);
}

TInstallStatusDlg::TInstallStatusDlg(TComponent* Owner)
    : TBaseInstallDlg(Owner)
{
}

TInstallStatusDlg::~TInstallStatusDlg()
{
    SetLiveForm(nullptr);
}

const TMetaClass& TInstallStatusDlg::FormClass()
{
    return TInstallStatusForm::StaticClass();
}

void TInstallStatusDlg::Translate()
{
    TBaseInstallDlg::Translate();
    Language = qgEnglish;
}

void TInstallStatusDlg::ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO)
{
    TBaseInstallDlg::ReceiveInformationCode(Container, Code, PO);
    if (DialogManager())
        return;
    if (Code == icPushStatusText) {
        if (!PO)
            throw IException("%s got a nil PO parameter", { Name() });
        auto* parameter = dynamic_cast<TMessageParameter*>(PO);
        if (!parameter)
            throw IException("The PO object passed to %s is not a TMessageParameter object", { Name() });
        message_ = parameter->StatusText;
        stack_.Push(message_);
        showMessage();
    } else if (Code == icPopStatusText) {
        stack_.Pop();
        if (!stack_.Empty()) {
            message_ = stack_.Current();
            showMessage();
        } else {
            if (form_)
                form_->Hide();
            ui::MessageService::current().processMessages();
        }
    }
}

void TInstallStatusDlg::showMessage()
{
    if (!form_) {
        form_ = std::make_unique<TInstallStatusForm>(nullptr);
        SetLiveForm(form_.get());
        AssignDialogProperties();
    }
    form_->lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    form_->lblMessage->setWordWrap(false);
    form_->lblMessage->setText(QString::fromStdString(message_));
    Translate();
    form_->FitMessage();
    form_->Show();
    if (QWidget* window = form_->Widget())
        window->repaint();
    ui::MessageService::current().processMessages();
}

// --- copy window --------------------------------------------------------------------

TCopyFileForm::TCopyFileForm(TComponent* Owner)
    : TQtDuringCopyForm(Owner)
{
    SetCaption("Copying installation files");
    DM = FindDialogManager(dmDuringCopyFiles);
    QWidget* window = Widget();
    ApplyFormFont(window);

    UnZipImage = new QLabel(window);
    UnZipImage->setObjectName("UnZipImage");
    UnZipImage->setGeometry(12, 16, 40, 40);
    UnZipImage->setPixmap(unpackPicture());
    TransferBitmap = new QLabel(window);
    TransferBitmap->setObjectName("TransferBitmap");
    TransferBitmap->setGeometry(12, 64, 40, 40);
    TransferBitmap->setPixmap(transferPicture());
    TransferBitmap->hide();

    textLabel(window, "lblProcessing", "Processing", 14, 64, 8);
    FileLabel = new QLabel(QStringLiteral("---"), window);
    FileLabel->setObjectName("FileLabel");
    FileLabel->setGeometry(64, 24, 290, 16);
    textLabel(window, "lblFileProgress", "File progress", 15, 64, 44);
    ProgressBar1 = new QProgressBar(window);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(64, 58, 290, 14);
    textLabel(window, "lblTotalProgress", "Total progress", 16, 64, 78);
    ProgressBar2 = new QProgressBar(window);
    ProgressBar2->setObjectName("ProgressBar2");
    ProgressBar2->setGeometry(64, 92, 290, 14);
    for (QProgressBar* bar : { ProgressBar1, ProgressBar2 }) {
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
    }
    CancelBtn = new TTranslateBitBtn(QStringLiteral("Cancel"), window);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->SetGLID(6);
    CancelBtn->setGeometry(368, 16, 89, 33);
    QObject::connect(CancelBtn, &QAbstractButton::clicked, window, [this] { Application().Guard([&] { CancelCopy(); }); });
    SetBounds(Left(), Top(), 474, 146);
}

void TCopyFileForm::UpdateStatus(TFileStatusParameter* FileStatus, TDownloadStatusParameter* DownloadStatus)
{
    if (FileStatus) {
        TransferBitmap->hide();
        ProgressBar2->setValue(FileStatus->TotalPercent);
        ProgressBar1->setValue(FileStatus->FilePercent);
        FileLabel->setText(QString::fromStdString(FileStatus->FileName));
    } else if (DownloadStatus) {
        TransferBitmap->show();
        ProgressBar1->setValue(DownloadStatus->Percent);
        FileLabel->setText(QString::fromStdString(DownloadStatus->FileName));
    }
    if (QWidget* window = Widget())
        window->repaint();
}

TCopyFileDlg::TCopyFileDlg(TComponent* Owner)
    : TBaseInstallDlg(Owner)
{
    Height = 146;
    Width = 474;
    Position = qdpBottomCenter;
    RelativeTopOffset = 30;
    RegisterCopyForm(TCopyFileForm::StaticClass(), this, 0);
    StoreDialogManager(FindDialogManager(dmDuringCopyFiles));
}

} // namespace installlib
