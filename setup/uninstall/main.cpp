// The uninstall program: removes a product that the setup installed on the
// emulated Windows machine. The uninstall entry starts it with the product
// name as its only argument; the name may hold blanks and is not quoted
// there, so every argument belongs to it.
//
//   uninstall [--winroot DIR] Product Name
//
// The machine root is DIR, else TAVIX_WINROOT, else the user's default root.
// What was removed goes to standard output; the end (what was kept and why,
// or what went wrong) also shows in a window when there is a screen for one.

#include "platform/ui/program_messages.h"
#include "platform/win/machine.h"
#include "setup/installlib/singlesetup.h"
#include "setup/installlib/uninstaller.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>
#include <vector>

namespace {

// Lines of "path: reason" grouped under each reason, in the order met.
std::string byReason(const std::string& heading, const std::vector<std::string>& lines)
{
    std::vector<std::string> reasons;
    std::map<std::string, std::vector<std::string>> paths;
    for (const auto& line : lines) {
        const size_t colon = line.find(": ", 3); // past the drive's colon
        const std::string reason = colon == std::string::npos ? std::string() : line.substr(colon + 2);
        if (!paths.count(reason))
            reasons.push_back(reason);
        paths[reason].push_back(line.substr(0, colon));
    }
    std::string text;
    for (const auto& reason : reasons) {
        text += "\n\n" + heading + (reason.empty() ? std::string(":") : " (" + reason + "):");
        for (const auto& path : paths[reason])
            text += "\n" + path;
    }
    return text;
}

void showEnd(int& argc, char** argv, const std::string& product, ui::MessageKind kind, const std::string& text)
{
    if (!ui::WindowsAreSeen())
        return;
    QApplication app(argc, argv);
    ui::QtMessageService messages;
    messages.show(kind, "Uninstall " + product, text, ui::Buttons::Ok);
}

} // namespace

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
        const installlib::TSetupHold setupHold(*machine, false);
        if (!setupHold.Holding()) {
            const bool running = setupHold.Refusal() == installlib::kSetupRunningText;
            const std::string refused = setupHold.Refusal()
                + (running ? " Nothing was removed; run the uninstall again when it has ended."
                           : " Nothing was removed.");
            std::fprintf(stderr, "%s\n", refused.c_str());
            showEnd(argc, argv, product, ui::MessageKind::Warning, refused);
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
        for (const auto& line : report.PutBack)
            std::printf("Put back %s\n", line.c_str());
        for (const auto& line : report.Problems)
            std::fprintf(stderr, "Not removed: %s\n", line.c_str());
        win::Machine::setCurrent(nullptr);
        const std::string kept = byReason("Kept", report.Kept)
            + byReason("Left where they are, with the folders that hold them", report.Changed)
            + byReason("Removed at the next start of Windows", report.RemovedAtRestart)
            + byReason("Put back", report.PutBack);
        if (!report.Problems.empty()) {
            for (const auto& line : report.Changed)
                std::fprintf(stderr, "Left where it is: %s\n", line.c_str());
            std::string end = product + " was not completely removed.";
            if (!report.Left.empty())
                end = product + " was not completely removed: " + std::to_string(report.Left.size())
                    + " file(s) could not be removed. Run the uninstall again to finish.";
            std::fprintf(stderr, "%s\n", end.c_str());
            showEnd(
                argc, argv, product, ui::MessageKind::Warning, end + byReason("Not removed", report.Problems) + kept);
            return 1;
        }
        std::printf("%s was removed.\n", product.c_str());
        if (!report.Changed.empty()) {
            std::printf("These files were left where they are, with the folders that hold them:\n");
            for (const auto& line : report.Changed)
                std::printf("  %s\n", line.c_str());
        }
        showEnd(argc, argv, product, ui::MessageKind::Information, product + " was removed." + kept);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        showEnd(argc, argv, product, ui::MessageKind::Error, e.what());
        return 1;
    }
}
