#pragma once

// The about box: product name, version, the program's line and the maker's
// web and mail addresses, which open in the desktop's browser and mail
// program.

#include <QDialog>

class QLabel;
class QPushButton;

namespace viewer {

class IViewerDialogs;

// The addresses the about box shows and opens.
inline constexpr const char* kWebAddress = "https://rivelle.example.org/";
inline constexpr const char* kMailAddress = "support@rivelle.example.org";

class TAboutform : public QDialog {
    Q_OBJECT
public:
    TAboutform(QWidget* parent, IViewerDialogs& dialogs);

    // The web address in the browser; "Couldn't launch default browser"
    // when none could be started.
    void URLClick();
    // "mailto:" and the mail address for the mail program.
    void EMAILClick();

    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Comments = nullptr;
    QLabel* URL = nullptr;
    QLabel* EMAIL = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    IViewerDialogs& dialogs_;
};

} // namespace viewer
