// tavix_seedbuild <machine-root>: lays out the setup's build machine on the
// emulated Windows machine kept in <machine-root> (created when missing):
// the setup program with BUILD.INF, the install library's folder and the
// product's source folders (tools/buildmachine.h). The machine's programs
// stand for the host programs built beside this tool.

#include "platform/win/machine.h"
#include "tools/buildmachine.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <exception>

int main(int argc, char** argv)
{
    const char* usage = "usage: %s <machine-root>\n";
    const char* self = argc > 0 ? argv[0] : "tavix_seedbuild";
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(usage, self);
        return 0;
    }
    // An option is no folder name: a mistyped one must not make a machine.
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, usage, self);
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
