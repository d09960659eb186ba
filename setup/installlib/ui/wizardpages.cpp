#include "setup/installlib/ui/wizardpages.h"

#include "platform/ui/message_service.h"
#include "platform/win/machine.h"
#include "setup/installlib/application.h"
#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/format.h"
#include "setup/installlib/shelllinks.h"
#include "setup/installlib/typecodes.h"
#include "setup/installlib/ui/openfolderdialog.h"
#include "setup/installlib/ui/progresswindows.h"
#include "setup/installlib/ui/translatorui.h"

#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QLabel>
#include <QLinearGradient>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace installlib {

INSTALLLIB_DEFINE_CLASS(TWizardPageForm, TQtInstallForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TWelcomeForm, TWizardPageForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TLicenseForm, TWizardPageForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TReadmeForm, TWizardPageForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TSelectDestinationForm, TWizardPageForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TSelectFolderForm, TWizardPageForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TGoodInstallForm, TWizardPageForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TBadInstallForm, TWizardPageForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TRebootForm, TWizardPageForm)

INSTALLLIB_DEFINE_CLASS(TWizardPageDlg, TBaseInstallDlg)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TWelcomeDlg, TWizardPageDlg)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TLicenseDlg, TWizardPageDlg)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TReadmeDlg, TWizardPageDlg)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TSelectDestinationDlg, TWizardPageDlg)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TSelectFolderDlg, TWizardPageDlg)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TGoodInstallationDlg, TWizardPageDlg)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TBadInstallationDlg, TWizardPageDlg)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TRebootDlg, TWizardPageDlg)

namespace {

constexpr int PageClientHeight = 368;
constexpr int ThemePanelWidth = 136;
constexpr int ButtonPanelHeight = 52;

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

// The library's own theme picture, for a setup that gives none.
QPixmap libraryThemePicture()
{
    QPixmap picture(120, 300);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 0, 300);
    gradient.setColorAt(0, QColor(0, 0, 128));
    gradient.setColorAt(1, QColor(0, 128, 128));
    painter.fillRect(picture.rect(), gradient);
    return picture;
}

TTranslateBitBtn* makeButton(QWidget* parent, const char* name, const char* text, int glid, int left, int width)
{
    auto* b = new TTranslateBitBtn(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->SetGLID(glid);
    b->setGeometry(left, 15, width, 33);
    return b;
}

bool inWizard(TComponent* owner)
{
    return dynamic_cast<TBaseFormContainer*>(owner) != nullptr;
}

// The keys of a dialog on a page: Enter presses the focused button, else
// the button that goes on (Next or Finish); Escape presses Cancel. Keys
// the focused control leaves unused reach the page.
class PageKeys : public QObject {
public:
    PageKeys(TWizardPageForm& Page)
        : QObject(Page.Widget())
        , page_(Page)
    {
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Event->type() != QEvent::KeyPress || Watched != page_.Widget())
            return false;
        auto* key = static_cast<QKeyEvent*>(Event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        QAbstractButton* button = nullptr;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            auto* focused = qobject_cast<QAbstractButton*>(page_.Widget()->focusWidget());
            if (focused && qobject_cast<QPushButton*>(focused) && page_.Widget()->isAncestorOf(focused))
                button = focused;
            else
                button = page_.FinishBtn && page_.FinishBtn->isVisibleTo(page_.Widget()) ? page_.FinishBtn
                                                                                           : page_.ProceedBtn;
        } else if (key->key() == Qt::Key_Escape) {
            button = page_.CancelBtn;
        }
        if (!button || !button->isVisibleTo(page_.Widget()) || !button->isEnabled())
            return false;
        button->click();
        return true;
    }

private:
    TWizardPageForm& page_;
};

// A refused Next: the reason in a box, the page stays.
void refuse(TWizardPageForm& page, const std::string& reason)
{
    ui::MessageService::current().warning(page.Caption(), reason);
}

} // namespace

// --- TWizardPageForm ----------------------------------------------------------------

TWizardPageForm::TWizardPageForm(TComponent* Owner, TButtonSet Buttons, int ClientWidth, bool StayOnTop)
    : TQtInstallForm(Owner)
    , buttons_(Buttons)
{
    QWidget* page = Widget();
    ApplyFormFont(page);
    SetBlackText(page);

    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* top = new QHBoxLayout();
    top->setSpacing(0);
    ThemeImage = new QLabel(page);
    ThemeImage->setObjectName("ThemeImage");
    ThemeImage->setFixedWidth(ThemePanelWidth);
    ThemeImage->setAlignment(Qt::AlignCenter);
    ThemeImage->setPixmap(libraryThemePicture());
    top->addWidget(ThemeImage);
    TextPanel = new QWidget(page);
    TextPanel->setObjectName("TextPanel");
    textLayout_ = new QVBoxLayout(TextPanel);
    textLayout_->setContentsMargins(8, 8, 8, 8);
    top->addWidget(TextPanel, 1);
    outer->addLayout(top, 1);

    auto* bottom = new QWidget(page);
    bottom->setObjectName("ButtonPanel");
    bottom->setFixedHeight(ButtonPanelHeight);
    auto* bevel = new QFrame(bottom);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(0, 0, 2000, 2);
    if (Buttons == bsWizard) {
        BackBtn = makeButton(bottom, "BackBtn", "< Previous", 4, 208, 75);
        ProceedBtn = makeButton(bottom, "ProceedBtn", "Next >", 5, 288, 75);
        CancelBtn = makeButton(bottom, "CancelBtn", "Cancel", 6, 368, 89);
    } else {
        BackBtn = makeButton(bottom, "BackBtn", "< Previous", 4, 304, 75);
        ProceedBtn = makeButton(bottom, "ProceedBtn", "Next >", 5, 384, 75);
        FinishBtn = makeButton(bottom, "FinishBtn", "Finish", 72, 384, 75);
    }
    ProceedBtn->setDefault(true);
    if (FinishBtn)
        FinishBtn->setDefault(true); // only one of the two is shown
    outer->addWidget(bottom);
    ConnectButton(BackBtn, waPrevious, mrNone);
    ConnectButton(ProceedBtn, waNext, mrNone);
    if (CancelBtn)
        ConnectButton(CancelBtn, waCancel, mrNone);
    if (FinishBtn)
        ConnectButton(FinishBtn, waNext, mrNone);
    page->installEventFilter(new PageKeys(*this));

    if (!inWizard(Owner)) {
        // A page alone is a dialog window of the stored size in the middle
        // of the screen.
        page->setWindowFlag(Qt::WindowStaysOnTopHint, StayOnTop);
        TScreenMetrics screen = PrimaryScreenMetrics();
        SetBounds((screen.Width - ClientWidth) / 2, (screen.Height - PageClientHeight) / 2, ClientWidth,
            PageClientHeight);
    }
    SetThemePicture(EngineThemeBitmap());
}

TTranslateLabel* TWizardPageForm::AddText(const char* Name, const char* Text, int GLID)
{
    auto* label = new TTranslateLabel(QString::fromLatin1(Text), TextPanel);
    label->setObjectName(QString::fromLatin1(Name));
    label->SetGLID(GLID);
    label->setWordWrap(true);
    textLayout_->addWidget(label);
    return label;
}

void TWizardPageForm::SetThemePicture(const std::string& Data)
{
    if (Data.empty())
        return;
    QPixmap picture;
    if (picture.loadFromData(reinterpret_cast<const uchar*>(Data.data()), static_cast<uint>(Data.size())))
        ThemeImage->setPixmap(picture);
}

void TWizardPageForm::UpdateDisplay()
{
    BackBtn->setVisible(!IsFirstPage());
    if (FinishBtn) {
        ProceedBtn->setVisible(!IsLastPage());
        FinishBtn->setVisible(IsLastPage());
    }
    FillPage();
    FocusOnward();
}

void TWizardPageForm::PageActivated()
{
    TQtInstallForm::PageActivated();
    // The page is in front only now: the focus, and with it Enter, would
    // otherwise stay with the button that left the page before.
    FocusOnward();
}

void TWizardPageForm::FocusOnward()
{
    QWidget* onward = FinishBtn && FinishBtn->isVisibleTo(Widget()) ? FinishBtn : ProceedBtn;
    if (onward->isVisibleTo(Widget()) && Widget()->isVisible())
        onward->setFocus();
}

void TWizardPageForm::PrepareAlone()
{
    BackBtn->hide();
    SetButtonModalResult(ProceedBtn, mrOk);
    if (FinishBtn) {
        // Alone there is nothing to go on to: the page ends with Finish.
        SetButtonModalResult(FinishBtn, mrOk);
        ProceedBtn->hide();
        FinishBtn->show();
    }
    if (!inWizard(Owner())) {
        // UpdateDisplay runs only for pages in a wizard.
        FillPage();
        (FinishBtn ? FinishBtn : ProceedBtn)->setFocus();
    }
}

// --- the pages ----------------------------------------------------------------------

TWelcomeForm::TWelcomeForm(TComponent* Owner)
    : TWizardPageForm(Owner, bsWizard, 470, true)
{
    SetCaption("Welcome");
    DM = FindDialogManager(dmBeforeInstall);
    Order = 5;
    AddText("Label1", "This program will install the software on your computer.", 10);
    AddText("Label2",
        "It is strongly recommended that you exit all Windows programs before running this setup. If you need to "
        "close any programs, click Cancel to quit the setup and then close the programs.",
        11);
    AddText("Label3", "Click Next to continue with the installation.", 12);
    TextLayout()->addStretch();
}

namespace {

QPlainTextEdit* makeMemo(QWidget* parent, const char* name, const char* placeholder)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QString::fromLatin1(name));
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setPlainText(QString::fromLatin1(placeholder));
    return memo;
}

void setLines(QPlainTextEdit* memo, const std::vector<std::string>& lines)
{
    QStringList text;
    for (const std::string& line : lines)
        text << Q(line);
    memo->setPlainText(text.join('\n'));
}

} // namespace

TLicenseForm::TLicenseForm(TComponent* Owner)
    : TWizardPageForm(Owner, bsWizard, 470, true)
{
    SetCaption("Software license agreement");
    DM = FindDialogManager(dmBeforeInstall);
    Order = 20;
    AddText("Label1", "Please read the following License Agreement.", 2);
    Agreement = makeMemo(TextPanel, "Agreement", "Agreement");
    TextLayout()->addWidget(Agreement, 1);
    AddText("Label2",
        "By clicking on the Next button below, you agree to all terms stated in the License Agreement. You may "
        "cancel the installation by clicking on the Cancel button.",
        3);
}

TReadmeForm::TReadmeForm(TComponent* Owner)
    : TWizardPageForm(Owner, bsWizard, 470, true)
{
    SetCaption("Readme information");
    DM = FindDialogManager(dmBeforeInstall);
    Order = 30;
    AddText("Label1", "Please read the information below before you install this software on your computer.", 8);
    Information = makeMemo(TextPanel, "Information", "Information");
    TextLayout()->addWidget(Information, 1);
}

TFolderBrowser& TSelectDestinationForm::Browser()
{
    static TFolderBrowser browser;
    return browser;
}

TSelectDestinationForm::TSelectDestinationForm(TComponent* Owner)
    : TWizardPageForm(Owner, bsWizard, 470, false)
{
    SetCaption("Choose destination location");
    DM = FindDialogManager(dmBeforeInstall);
    Order = 45;
    AddText("Label1", "Which directory do you want to install this program into?", 85);
    AddText("Label2", "To install to the directory displayed below, click Next.", 86);
    AddText("Label3", "To install to a different directory, click Browse and select another directory.", 87);
    TextLayout()->addStretch();
    DestinationGroup = new QGroupBox(QStringLiteral("Destination Directory"), TextPanel);
    DestinationGroup->setObjectName("DestinationGroup");
    auto* row = new QHBoxLayout(DestinationGroup);
    edDestDir = new QLineEdit(DestinationGroup);
    edDestDir->setObjectName("edDestDir");
    row->addWidget(edDestDir, 1);
    BrowseBtn = new TTranslateBitBtn(QStringLiteral("&Browse"), DestinationGroup);
    BrowseBtn->setObjectName("BrowseBtn");
    BrowseBtn->SetGLID(26);
    row->addWidget(BrowseBtn);
    TextLayout()->addWidget(DestinationGroup);

    QObject::connect(edDestDir, &QLineEdit::textChanged, Widget(), [this](const QString& text) {
        if (suppressChange_ || !Container)
            return;
        Application().Guard([&] { SetDestination(*Container, text.toStdString()); });
    });
    QObject::connect(BrowseBtn, &QAbstractButton::clicked, Widget(), [this] { Application().Guard([&] { Browse(); }); });
}

void TSelectDestinationForm::FillPage()
{
    suppressChange_ = true;
    // The group stays visible with an empty destination too, so that one
    // can always be typed.
    DestinationGroup->setVisible(true);
    edDestDir->setText(Container ? Q(DestinationText(*Container)) : QString());
    suppressChange_ = false;
}

bool TSelectDestinationForm::CanProceed()
{
    win::Machine& machine = win::Machine::current();
    std::string error = Container ? DestinationError(*Container, machine) : DestinationPathError({}, &machine);
    if (error.empty())
        return true;
    refuse(*this, error);
    edDestDir->setFocus();
    return false;
}

void TSelectDestinationForm::Browse()
{
    if (!Container)
        return;
    TFolderBrowser browser = Browser();
    if (!browser) {
        browser = [this](std::string& directory) {
            TOpenFolderDialog dialog(win::Machine::current());
            dialog.Font = Widget()->font(); // the page's
            dialog.Directory = directory;
            if (!dialog.Execute())
                return false;
            directory = dialog.Directory;
            return true;
        };
    }
    try {
        if (!BrowseDestination(*Container, browser))
            return;
    } catch (const Exception& e) {
        // A folder the browser could not make: the destination stays.
        refuse(*this, e.what());
        return;
    }
    suppressChange_ = true;
    edDestDir->setText(Q(Container->DestDir()));
    suppressChange_ = false;
}

TSelectFolderForm::TSelectFolderForm(TComponent* Owner)
    : TWizardPageForm(Owner, bsWizard, 470, true)
{
    SetCaption("Select folder in start menu");
    DM = FindDialogManager(dmBeforeInstall);
    Order = 60;
    AddText("Label1",
        "Setup will add program icons to the Program Folder listed below. You may type a new folder name, or "
        "select from the E&xisting Folders list.",
        41);
    TTranslateLabel* folderLabel = AddText("Label2", "&Program Folder", 42);
    FolderEdit = new QLineEdit(TextPanel);
    FolderEdit->setObjectName("FolderEdit");
    folderLabel->setBuddy(FolderEdit);
    TextLayout()->addWidget(FolderEdit);
    TTranslateLabel* listLabel = AddText("Label3", "E&xisting Folders", 43);
    FolderListBox = new QListWidget(TextPanel);
    FolderListBox->setObjectName("FolderListBox");
    // The list keeps the order it is filled in (sorted without case);
    // Qt's own sorting would put capitals first.
    listLabel->setBuddy(FolderListBox);
    TextPanel->findChild<QLabel*>("Label1")->setBuddy(FolderListBox);
    TextLayout()->addWidget(FolderListBox, 1);

    QObject::connect(FolderListBox, &QListWidget::itemClicked, Widget(),
        [this](QListWidgetItem* item) { FolderEdit->setText(item->text()); });
    QObject::connect(FolderEdit, &QLineEdit::textChanged, Widget(), [this](const QString& text) {
        if (suppressChange_ || !Container)
            return;
        Application().Guard([&] { SetProgramFolder(*Container, text.toStdString()); });
    });
}

void TSelectFolderForm::FillPage()
{
    suppressChange_ = true;
    FolderListBox->clear();
    for (const std::string& folder : ExistingProgramFolders())
        FolderListBox->addItem(Q(folder));
    // Another program's folder is taken only when the user picks it.
    FolderEdit->setText(Container ? Q(ProgramFolderText(*Container)) : QString());
    suppressChange_ = false;
}

bool TSelectFolderForm::CanProceed()
{
    std::string error = ProgramFolderError(FolderEdit->text().toStdString());
    if (error.empty())
        return true;
    refuse(*this, error);
    FolderEdit->setFocus();
    return false;
}

TGoodInstallForm::TGoodInstallForm(TComponent* Owner)
    : TWizardPageForm(Owner, bsEnding, 470, true)
{
    SetCaption("Setup complete");
    DM = FindDialogManager(dmAfterGoodInstall);
    Order = 10;
    AddText("Label1",
        "The software has been properly installed. You may start the software by clicking on the icon.", 38);
    TextLayout()->addStretch();
}

TBadInstallForm::TBadInstallForm(TComponent* Owner)
    : TWizardPageForm(Owner, bsEnding, 470, true)
{
    SetCaption("Setup incomplete");
    DM = FindDialogManager(dmAfterBadInstall);
    Order = 10;
    AddText("Label1",
        "This software has not been properly installed and will not work correctly if you try to use it.", 60);
    TextLayout()->addStretch();
}

TRebootForm::TRebootForm(TComponent* Owner)
    : TWizardPageForm(Owner, bsEnding, 475, false)
{
    SetCaption("Reboot windows");
    DM = FindDialogManager(dmReboot);
    Order = 10;
    AddText("Label1",
        "Several components could not be installed on your system because they were in use. For the installation "
        "to proceed, you will need to reboot your computer. If you decide not to reboot now, the software will "
        "probably not work until you do reboot.",
        52);
    RG = new QGroupBox(TextPanel);
    RG->setObjectName("RG");
    auto* column = new QVBoxLayout(RG);
    YesButton = new QRadioButton(QStringLiteral("Yes, I would like to reboot windows"), RG);
    YesButton->setObjectName("YesButton");
    NoButton = new QRadioButton(QStringLiteral("No, I would not like to reboot windows"), RG);
    NoButton->setObjectName("NoButton");
    column->addWidget(YesButton);
    column->addWidget(NoButton);
    TextLayout()->addWidget(RG);
    TextLayout()->addStretch();
    for (QRadioButton* choice : { YesButton, NoButton })
        QObject::connect(choice, &QAbstractButton::toggled, Widget(), [this] {
            if (!suppressClick_)
                ChooseReboot(YesButton->isChecked() ? 0 : 1);
        });
}

void TRebootForm::FillPage()
{
    suppressClick_ = true;
    NoButton->setChecked(true);
    if (RebootChoice() == 0)
        YesButton->setChecked(true);
    suppressClick_ = false;
}

// --- the components -----------------------------------------------------------------

TWizardPageDlg::TWizardPageDlg(
    TComponent* Owner, const TMetaClass& FormClass, int Order, TManagerType Type, int AloneCode)
    : TBaseInstallDlg(Owner)
    , formClass_(&FormClass)
    , aloneCode_(AloneCode)
{
    this->Order = Order;
    RegisterInstallForm(FormClass, this, 0);
    StoreDialogManager(FindDialogManager(Type));
}

TWizardPageDlg::~TWizardPageDlg() = default; // the base takes the registry entry out

TWizardPageForm* TWizardPageDlg::Page() const
{
    return dynamic_cast<TWizardPageForm*>(LiveForm());
}

void TWizardPageDlg::ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO)
{
    TBaseInstallDlg::ReceiveInformationCode(Container, Code, PO);
    if (!DialogManager() && Code == aloneCode_)
        ExecuteDialog();
}

void TWizardPageDlg::AssignDialogProperties()
{
    TBaseInstallDlg::AssignDialogProperties();
    TWizardPageForm* page = Page();
    if (!page)
        return;
    page->SetThemePicture(AssignThemeBitmap(*this));
    AssignPageProperties(*page);
    page->PrepareAlone();
}

TWelcomeDlg::TWelcomeDlg(TComponent* Owner)
    : TWizardPageDlg(Owner, TWelcomeForm::StaticClass(), 10, dmBeforeInstall, icWelcome)
{
}

TLicenseDlg::TLicenseDlg(TComponent* Owner)
    : TWizardPageDlg(Owner, TLicenseForm::StaticClass(), 20, dmBeforeInstall, icLicense)
{
}

void TLicenseDlg::AssignPageProperties(TWizardPageForm& Page)
{
    setLines(static_cast<TLicenseForm&>(Page).Agreement, LicenseAgreement);
}

TReadmeDlg::TReadmeDlg(TComponent* Owner)
    : TWizardPageDlg(Owner, TReadmeForm::StaticClass(), 30, dmBeforeInstall, icReadme)
{
}

void TReadmeDlg::AssignPageProperties(TWizardPageForm& Page)
{
    setLines(static_cast<TReadmeForm&>(Page).Information, ReadmeText);
}

namespace {

[[noreturn]] void raiseBlankContainer(const std::string& name)
{
    throw Exception(TranslateFormat("Cannot run this dialog %s with a blank Container property", { name }));
}

} // namespace

TSelectDestinationDlg::TSelectDestinationDlg(TComponent* Owner)
    : TWizardPageDlg(Owner, TSelectDestinationForm::StaticClass(), 45, dmBeforeInstall, icSelectDestination)
{
}

bool TSelectDestinationDlg::ShowDialogForm()
{
    if (!Container())
        raiseBlankContainer(Name());
    return TWizardPageDlg::ShowDialogForm();
}

TSelectFolderDlg::TSelectFolderDlg(TComponent* Owner)
    : TWizardPageDlg(Owner, TSelectFolderForm::StaticClass(), 60, dmBeforeInstall, icProgramFolder)
{
    SetContainer(MainLinkGroup());
}

void TSelectFolderDlg::SetContainer(TInstallContainer* Value)
{
    if (Value && !dynamic_cast<TCustomShellLinkGroup*>(Value))
        throw Exception(TranslateFormat("The container for %s must be a TCustomShellLinkGroup", { Name() }));
    TWizardPageDlg::SetContainer(Value);
}

bool TSelectFolderDlg::ShowDialogForm()
{
    if (!Container())
        raiseBlankContainer(Name());
    return TWizardPageDlg::ShowDialogForm();
}

TGoodInstallationDlg::TGoodInstallationDlg(TComponent* Owner)
    : TWizardPageDlg(Owner, TGoodInstallForm::StaticClass(), 10, dmAfterGoodInstall, icGoodInstallation)
{
}

TBadInstallationDlg::TBadInstallationDlg(TComponent* Owner)
    : TWizardPageDlg(Owner, TBadInstallForm::StaticClass(), 10, dmAfterBadInstall, icBadInstallation)
{
}

TRebootDlg::TRebootDlg(TComponent* Owner)
    : TWizardPageDlg(Owner, TRebootForm::StaticClass(), 10, dmReboot, icReboot)
{
}

void RegisterWizardPageClasses()
{
    for (const TMetaClass* cls : { &TWelcomeDlg::StaticClass(), &TLicenseDlg::StaticClass(),
             &TReadmeDlg::StaticClass(), &TSelectDestinationDlg::StaticClass(), &TSelectFolderDlg::StaticClass(),
             &TGoodInstallationDlg::StaticClass(), &TBadInstallationDlg::StaticClass(), &TRebootDlg::StaticClass(),
             &TInstallStatusDlg::StaticClass(), &TCopyFileDlg::StaticClass() })
        RegisterClass(*cls);
}

} // namespace installlib
