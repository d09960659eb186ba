// The uninstall program: removes a product that the setup installed on the
// emulated Windows machine. The uninstall entry starts it with the product
// name as its only argument; the name may hold blanks and is not quoted
// there, so every argument belongs to it.
//
//   uninstall [--winroot DIR] Product Name
//
// The machine root is DIR, else TAVIX_WINROOT, else the user's default root.

#include "platform/win/machine.h"
#include "setup/installlib/singlesetup.h"
#include "setup/installlib/uninstaller.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    std::string root;
    std::string product;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--winroot" && i + 1 < argc && product.empty()) {
            root = argv[++i];
            continue;
        }
        product += (product.empty() ? "" : " ") + arg;
    }
    if (product.empty()) {
        std::fprintf(stderr, "usage: uninstall [--winroot DIR] <product name>\n");
        return 2;
    }
    try {
        auto machine = win::Machine::open(win::Machine::defaultRoot(root));
        // Not while a setup or another uninstall runs.
        const win::Machine::Hold setupHold = machine->holdName(installlib::kSetupHoldName);
        if (!setupHold.holding() && win::lastError() == win::ERROR_ALREADY_EXISTS) {
            std::fprintf(stderr, "%s Nothing was removed; run the uninstall again when it has ended.\n",
                installlib::kSetupRunningText);
            return 1;
        }
        win::Machine::setCurrent(machine);
        const installlib::TUninstallReport report = installlib::UninstallProduct(product);
        for (const auto& path : report.Removed)
            std::printf("Removed %s\n", path.c_str());
        for (const auto& path : report.RemovedAtRestart)
            std::printf("Removed at the next start of Windows %s\n", path.c_str());
        for (const auto& dir : report.RemovedDirectories)
            std::printf("Removed folder %s\n", dir.c_str());
        for (const auto& line : report.Kept)
            std::printf("Kept %s\n", line.c_str());
        for (const auto& line : report.Problems)
            std::fprintf(stderr, "Not removed: %s\n", line.c_str());
        win::Machine::setCurrent(nullptr);
        if (!report.Problems.empty()) {
            for (const auto& line : report.Changed)
                std::fprintf(stderr, "Left where it is: %s\n", line.c_str());
            if (report.Left.empty())
                std::fprintf(stderr, "%s was not completely removed.\n", product.c_str());
            else
                std::fprintf(stderr,
                    "%s was not completely removed: %zu file(s) could not be removed. Run the uninstall again "
                    "to finish.\n",
                    product.c_str(), report.Left.size());
            return 1;
        }
        std::printf("%s was removed.\n", product.c_str());
        if (!report.Changed.empty()) {
            std::printf("These files were left where they are, with the folders that hold them:\n");
            for (const auto& line : report.Changed)
                std::printf("  %s\n", line.c_str());
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
