#pragma once

// The programs' help window: one window per program that shows the HTML
// page of a help context, with Contents, Back and Forward; Escape closes
// it. It stands where a Windows program would have called the system's help
// engine.

#include "platform/help/help_file.h"

#include <QWidget>

#include <string>

class QTextBrowser;
class QToolButton;

namespace help {

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows the page of `context`; empty text on success.
    std::string Show(const THelpFile& file, int context);
    // The page shown now (a full path), empty before the first.
    std::string CurrentPage() const;
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
    QToolButton* contents_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
    std::string contentsPage_;
};

// Opens the help file and shows `context` in the program's help window,
// creating it the first time. Opened from a modal dialog, the window can be
// used while the dialog stays open. The window does not keep the program
// running when the program's own windows have closed. Returns the message for the user when the
// help file or its page cannot be found, otherwise an empty text.
std::string ShowHelpContext(const std::string& helpFile, int context);

// The program's help window, or null while none has been opened.
THelpWindow* ProgramHelpWindow();

} // namespace help
