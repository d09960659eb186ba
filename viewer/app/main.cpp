// Rivelle: the S-parameter viewer. A file named on the command line is
// opened at start; without one a splash window shows for two seconds. The
// settings file sits next to the program.

#include "platform/rtl/format.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/app/ui/splash_form.h"
#include "viewer/app/viewer_settings.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rivelle"));
    rtl::loadFormatSettingsFromLocale();

    std::vector<std::string> arguments;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i)
        arguments.push_back(args[i].toStdString());
    std::unique_ptr<viewer::TSplashForm> splash;
    if (arguments.empty()) {
        splash = std::make_unique<viewer::TSplashForm>();
        splash->show();
        QCoreApplication::processEvents();
    }
    const std::string settings
        = viewer::TViewerSettings::PathForProgram(QCoreApplication::applicationFilePath().toStdString());

    viewer::TMainForm form(settings, std::move(arguments));
    if (splash) {
        QEventLoop pause;
        QTimer::singleShot(2000, &pause, &QEventLoop::quit);
        pause.exec();
        splash.reset();
    }
    form.show();
    return app.exec();
}
