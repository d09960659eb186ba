#pragma once

// A main window whose settings file and data files are kept in a temporary
// folder, and whose questions are answered from a script.

#include "tests/support/temp_dir.h"
#include "tests/viewer/app/scripted_dialogs.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/components/ui/smithchartwidget.h"
#include "viewer/components/ui/xychartwidget.h"

#include <QAction>

#include <memory>
#include <string>
#include <vector>

namespace viewer::testing {

struct MainFormFixture {
    explicit MainFormFixture(const std::string& folder)
        : dir(folder)
    {
    }

    tavix::testing::TempDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;

    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string ini() const { return path("Rivelle.ini"); }
    // A new window on the settings file and these command-line arguments,
    // after its first activation.
    TMainForm& open(std::vector<std::string> arguments = {})
    {
        form = std::make_unique<TMainForm>(ini(), std::move(arguments), &dialogs);
        form->FormActivate();
        return *form;
    }
    smith::TSmithChart& smith() { return form->SmithChart1().Chart(); }
    xy::TXYChart& xy() { return form->XYChart().Chart(); }
};

// The texts of menu items, in their order.
inline std::vector<std::string> captions(const std::vector<QAction*>& items)
{
    std::vector<std::string> out;
    for (QAction* a : items)
        out.push_back(a->text().toStdString());
    return out;
}

} // namespace viewer::testing
