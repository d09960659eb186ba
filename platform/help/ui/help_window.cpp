#include "platform/help/ui/help_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <filesystem>

namespace help {

namespace {

QPointer<THelpWindow>& programWindow()
{
    static QPointer<THelpWindow> window;
    return window;
}

// A new help window opens over the window it helps and wholly on that
// window's screen; left to a window manager it may run past the screen's
// edge. The frame is not known before the window shows: room is left for
// a title bar and borders.
void placeOnScreen(QWidget* window, QWidget* over)
{
    QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    constexpr int kFrameWidth = 10, kFrameHeight = 40;
    const QRect avail = screen->availableGeometry();
    const QSize size = window->size().boundedTo(QSize(avail.width() - kFrameWidth, avail.height() - kFrameHeight));
    window->resize(size);
    const QPoint centre = over ? over->frameGeometry().center() : avail.center();
    const int x = std::max(
        avail.left(), std::min(centre.x() - size.width() / 2, avail.right() + 1 - size.width() - kFrameWidth));
    const int y = std::max(
        avail.top(), std::min(centre.y() - size.height() / 2, avail.bottom() + 1 - size.height() - kFrameHeight));
    window->move(x, y);
}

} // namespace

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* buttons = new QHBoxLayout;
    auto button = [this, buttons](const char* caption) {
        auto* b = new QToolButton(this);
        b->setText(QString::fromUtf8(caption));
        b->setAutoRaise(false);
        buttons->addWidget(b);
        return b;
    };
    contents_ = button("&Contents");
    back_ = button("&Back");
    forward_ = button("&Forward");
    buttons->addStretch();
    layout->addLayout(buttons);
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    layout->addWidget(browser_);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(contents_, &QToolButton::clicked, this, [this] {
        if (!contentsPage_.empty())
            browser_->setSource(QUrl::fromLocalFile(QString::fromStdString(contentsPage_)));
    });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = browser_->documentTitle();
        if (!title.isEmpty())
            setWindowTitle(title);
    });
    resize(640, 520);
}

std::string THelpWindow::Show(const THelpFile& file, int context)
{
    const std::string page = file.PageFor(context);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(page, ec))
        return "Cannot find the help topic " + page + ".";
    contentsPage_ = file.PageFor(file.ContentsContext());
    setWindowTitle(QString::fromStdString(file.Title().empty() ? std::string("Help") : file.Title()));
    browser_->setSource(QUrl::fromLocalFile(QString::fromStdString(page)));
    return {};
}

std::string THelpWindow::CurrentPage() const
{
    const QUrl source = browser_->source();
    return source.isEmpty() ? std::string() : source.toLocalFile().toStdString();
}

std::string ShowHelpContext(const std::string& helpFile, int context)
{
    std::string error;
    const std::optional<THelpFile> file = THelpFile::Open(helpFile, error);
    if (!file)
        return error;
    QPointer<THelpWindow>& window = programWindow();
    QWidget* modal = QApplication::activeModalWidget();
    if (!window) {
        window = new THelpWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
        // Help alone does not keep the program running.
        window->setAttribute(Qt::WA_QuitOnClose, false);
        placeOnScreen(window, modal ? modal : QApplication::activeWindow());
    }
    if (std::string shown = window->Show(*file, context); !shown.empty())
        return shown;
    // Help asked for from a modal dialog is read while the dialog stays
    // open: a window that belongs to the dialog is not blocked by it.
    window->winId();
    if (QWindow* handle = window->windowHandle()) {
        handle->setTransientParent(modal && modal != window ? modal->windowHandle() : nullptr);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return {};
}

THelpWindow* ProgramHelpWindow()
{
    return programWindow().data();
}

} // namespace help
