// tavix_mksample <product-folder>: writes the sample tables, notes and help
// page of the cross-reference program into the product folder.

#include "tools/sampleproduct.h"

#include <QGuiApplication>

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <product-folder>\n", argc > 0 ? argv[0] : "tavix_mksample");
        return 2;
    }
    // Pictures are drawn off screen; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    try {
        sampledata::writeSampleProduct(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavix_mksample: %s\n", e.what());
        return 1;
    }
    std::printf("Sample data written to %s\n", argv[1]);
    return 0;
}
