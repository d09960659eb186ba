// Rivelle: the S-parameter viewer. A file named on the command line is
// opened at start; the settings file sits next to the program.

#include "platform/rtl/format.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/app/viewer_settings.h"

#include <QApplication>

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
    const std::string settings
        = viewer::TViewerSettings::PathForProgram(QCoreApplication::applicationFilePath().toStdString());

    viewer::TMainForm form(settings, std::move(arguments));
    form.show();
    return app.exec();
}
