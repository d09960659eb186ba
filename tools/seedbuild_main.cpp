// tavix_seedbuild <machine-root>: lays out the setup's build machine on the
// emulated Windows machine kept in <machine-root> (created when missing):
// the setup program with BUILD.INF, the install library's folder and the
// product's source folders (tools/buildmachine.h). The machine's programs
// stand for the host programs built beside this tool.

#include "platform/win/machine.h"
#include "tools/buildmachine.h"

#include <QGuiApplication>

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <machine-root>\n", argc > 0 ? argv[0] : "tavix_seedbuild");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    try {
        auto machine = win::Machine::open(argv[1]);
        sampledata::seedBuildMachine(*machine,
            { TAVIX_HOST_SETUP, TAVIX_HOST_LOADER, TAVIX_HOST_UNINSTALL, TAVIX_HOST_PRODUCT, TAVIX_ENGINECONFIG_MODULE });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavix_seedbuild: %s\n", e.what());
        return 1;
    }
    std::printf("Build machine laid out in %s\n", argv[1]);
    return 0;
}
