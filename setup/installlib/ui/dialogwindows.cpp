#include "setup/installlib/ui/dialogwindows.h"

#include "setup/installlib/application.h"
#include "setup/installlib/ui/translatorui.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TQtFormContainer, TBaseFormContainer)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TQtInstallForm, TBaseInstallForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TQtDuringCopyForm, TBaseDuringCopyForm)

namespace {

// A dialog window with a caption and a close box (a page shown alone, a copy window).
constexpr Qt::WindowFlags kDialogWindow
    = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
// The wizard: a caption and nothing else; it ends only through its buttons.
constexpr Qt::WindowFlags kWizardWindow = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

// The caption in the target language (the form's own target when given).
std::string translatedCaption(const std::string& caption, TQrleLanguage source, const TQrleLanguage* into)
{
    TTranslator* translator = GlobalTranslator();
    if (!translator || caption.empty())
        return caption;
    TQrleLanguage saved = translator->TranslateIntoLanguage;
    if (into)
        translator->TranslateIntoLanguage = *into;
    std::string result = translator->TranslateString(source, caption);
    translator->TranslateIntoLanguage = saved;
    return result;
}

} // namespace

TQrleLanguage TranslateFormWidget(TBaseQuorleForm& form, QWidget* widget, TQrleLanguage source, const TQrleLanguage* into)
{
    // A page inside the wizard is no window, so its caption is not among
    // the widget texts; the wizard's caption is taken from it.
    form.SetCaption(translatedCaption(form.Caption(), source, into));
    if (!widget)
        return source;
    return into ? TranslateComponentTree(source, *into, widget) : TranslateComponentTree(source, widget);
}

void ApplyFormWidgetFonts(QWidget* widget, const TQrleLanguage* into)
{
    if (!widget)
        return;
    if (into)
        ApplyLanguageFont(*into, widget, false);
    else
        ApplyLanguageFont(widget, false);
}

void BringWidgetToFront(QWidget* widget)
{
    if (!widget)
        return;
    if (QWidget* parent = widget->parentWidget(); parent && !widget->isWindow()) {
        // Pages lie on top of each other: only the front one takes part in
        // painting and keyboard focus.
        for (QObject* sibling : parent->children())
            if (auto* page = qobject_cast<TFormWidget*>(sibling); page && page != widget)
                page->hide();
        widget->show();
        widget->raise();
        return;
    }
    widget->raise();
    widget->activateWindow();
}

// --- TFormWidget ------------------------------------------------------------------

TFormWidget::TFormWidget(TWindowForm& Form, QWidget* Parent, Qt::WindowFlags Flags)
    : QWidget(Parent, Flags)
    , form_(Form)
{
}

void TFormWidget::closeEvent(QCloseEvent* Event)
{
    // The form decides: a modal form ends with Cancel, the wizard refuses.
    Event->ignore();
    Application().Guard([&] { form_.UserClose(); });
}

void TFormWidget::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    if (OnResize)
        Application().Guard([&] { OnResize(); });
}

// --- TQtFormWindow ----------------------------------------------------------------

TQtFormWindow::TQtFormWindow(TWindowForm& Form, QWidget* Parent, Qt::WindowFlags Flags)
    : form_(Form)
    , widget_(new TFormWidget(Form, Parent, Flags))
{
    widget_->setAttribute(Qt::WA_DeleteOnClose, false);
    widget_->hide();
}

TQtFormWindow::~TQtFormWindow()
{
    if (loop_)
        loop_->quit();
    delete widget_.data();
}

void TQtFormWindow::SetVisible(bool Value)
{
    if (!widget_)
        return;
    widget_->setVisible(Value);
    // Only a hidden window gives up its modality cleanly: changed while it
    // is visible, the windows it blocked stay blocked.
    if (!Value && widget_->isWindow())
        widget_->setWindowModality(Qt::NonModal);
}

void TQtFormWindow::SetCaption(const std::string& Value)
{
    if (widget_)
        widget_->setWindowTitle(QString::fromStdString(Value));
}

void TQtFormWindow::SetBounds(int Left, int Top, int Width, int Height)
{
    if (!widget_)
        return;
    if (!widget_->isWindow()) {
        widget_->setGeometry(Left, Top, std::max(0, Width), std::max(0, Height));
        return;
    }
    // The bounds are the outer window's; Qt sizes the inside.
    QSize frame = widget_->frameGeometry().size() - widget_->size();
    widget_->move(Left, Top);
    widget_->resize(std::max(0, Width - frame.width()), std::max(0, Height - frame.height()));
}

TRect TQtFormWindow::ClientRect() const
{
    if (!widget_)
        return {};
    return { 0, 0, widget_->width(), widget_->height() };
}

void TQtFormWindow::BeginModal()
{
    // Qt reads a window's modality when it is shown: set later, it is
    // ignored and the program's other windows keep taking clicks.
    if (widget_ && widget_->isWindow() && !widget_->isVisible())
        widget_->setWindowModality(Qt::ApplicationModal);
}

void TQtFormWindow::RunModal()
{
    if (!widget_)
        return;
    widget_->show();
    if (ModalFormDriver() && !endRequested_) {
        ModalFormDriver()(form_);
    } else if (!endRequested_) {
        QEventLoop loop;
        loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        loop_ = nullptr;
    }
    endRequested_ = false;
}

void TQtFormWindow::EndModal()
{
    if (loop_)
        loop_->quit();
    else
        endRequested_ = true;
}

TScreenMetrics PrimaryScreenMetrics()
{
    TScreenMetrics metrics;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        metrics.Width = screen->geometry().width();
        metrics.Height = screen->geometry().height();
    }
    if (QStyle* style = QApplication::style())
        metrics.CaptionHeight = style->pixelMetric(QStyle::PM_TitleBarHeight);
    return metrics;
}

void ApplyFormFont(QWidget* Window)
{
    TFont font;
    font.Name = "Arial";
    font.Height = -11;
    QFont qfont = Window->font();
    AssignFont(qfont, font);
    Window->setFont(qfont);
}

void SetBlackText(QWidget* Window)
{
    QPalette palette = Window->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    Window->setPalette(palette);
}

// --- TQtFormContainer -------------------------------------------------------------

TQtFormContainer::TQtFormContainer(TComponent* Owner)
    : TQtWindowed(Owner, nullptr, kWizardWindow)
{
    QWidget* window = window_.Widget();
    ApplyFormFont(window);
    SetBlackText(window);

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tabs_ = new QTabBar(window);
    tabs_->setObjectName("Tabs");
    tabs_->setFixedHeight(0);
    tabs_->setVisible(false);
    layout->addWidget(tabs_);
    displayPanel_ = new QWidget(window);
    displayPanel_->setObjectName("DisplayPanel");
    layout->addWidget(displayPanel_, 1);

    QObject::connect(tabs_, &QTabBar::currentChanged, window, [this](int index) {
        Application().Guard([&] {
            TabsChanging();
            TabsChange(index);
        });
    });
    window_.Widget()->OnResize = [this] { FormResize(); };

    // The window follows what the form was given before it existed.
    window_.SetCaption(Caption());
    window_.SetBounds(Left(), Top(), Width(), Height());
}

TQtFormContainer::~TQtFormContainer()
{
    // The pages' widgets lie in this window: free the pages first.
    while (ComponentCount() > 0)
        delete Components(ComponentCount() - 1);
}

TRect TQtFormContainer::DisplayPanelRect() const
{
    if (!displayPanel_)
        return ClientRect();
    if (QWidget* window = window_.Widget())
        if (QLayout* layout = window->layout())
            layout->activate(); // a window not yet shown has not laid out its panel
    QRect r = displayPanel_->geometry();
    // Pages are children of the panel, so they start at its own origin.
    return { 0, 0, r.width(), r.height() };
}

void TQtFormContainer::TabsAdded(const std::string& Text)
{
    QSignalBlocker block(tabs_);
    tabs_->addTab(QString::fromStdString(Text));
}

void TQtFormContainer::TabIndexSet(int Index)
{
    QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(Index);
}

// --- TQtInstallForm ---------------------------------------------------------------

namespace {

QWidget* pageParent(TComponent* owner)
{
    auto* container = dynamic_cast<TQtFormContainer*>(owner);
    return container ? container->DisplayPanel() : nullptr;
}

} // namespace

TQtInstallForm::TQtInstallForm(TComponent* Owner)
    : TQtWindowed(Owner, pageParent(Owner), pageParent(Owner) ? Qt::Widget : kDialogWindow)
{
    if (auto* container = dynamic_cast<TQtFormContainer*>(Owner)) {
        // A child of the wizard: borderless, hidden, over the whole inside.
        TRect client = container->ClientRect();
        TBaseInstallForm::SetBounds(0, 0, client.Width, container->Height());
    }
    window_.Widget()->setAutoFillBackground(true);
    window_.SetBounds(Left(), Top(), Width(), Height());
}

TQtInstallForm::~TQtInstallForm() = default;

TQrleLanguage TQtInstallForm::TranslateTexts(TQrleLanguage Source, const TQrleLanguage* Into)
{
    return TranslateFormWidget(*this, window_.Widget(), Source, Into);
}

void TQtInstallForm::ApplyFormFonts(const TQrleLanguage* Into)
{
    ApplyFormWidgetFonts(window_.Widget(), Into);
}

void TQtInstallForm::ConnectButton(QAbstractButton* Button, TWizardAction Action, int ModalResult)
{
    SetButtonModalResult(Button, ModalResult);
    QObject::connect(Button, &QAbstractButton::clicked, window_.Widget(), [this, Button, Action] {
        Application().Guard([&] {
            switch (Action) {
            case waPrevious:
                PreviousPage();
                break;
            case waNext:
                if (!CanProceed())
                    return;
                NextPage();
                break;
            case waCancel:
                CancelWizard();
                break;
            case waNone:
                break;
            }
            int result = Button->property("modalResult").toInt();
            if (result != mrNone)
                SetModalResult(result);
        });
    });
}

void TQtInstallForm::SetButtonModalResult(QAbstractButton* Button, int ModalResult)
{
    Button->setProperty("modalResult", ModalResult);
}

// --- TQtDuringCopyForm ------------------------------------------------------------

TQtDuringCopyForm::TQtDuringCopyForm(TComponent* Owner)
    : TQtWindowed(Owner, nullptr, kDialogWindow)
{
    window_.SetBounds(Left(), Top(), Width(), Height());
}

TQtDuringCopyForm::~TQtDuringCopyForm() = default;

TQrleLanguage TQtDuringCopyForm::TranslateTexts(TQrleLanguage Source, const TQrleLanguage* Into)
{
    return TranslateFormWidget(*this, window_.Widget(), Source, Into);
}

void TQtDuringCopyForm::ApplyFormFonts(const TQrleLanguage* Into)
{
    ApplyFormWidgetFonts(window_.Widget(), Into);
}

void RegisterDialogWindows()
{
    SetFormContainerClass(&TQtFormContainer::StaticClass());
    DefaultScreenMetrics() = PrimaryScreenMetrics();
}

} // namespace installlib
