#include "tests/support/temp_dir.h"
#include "tests/viewer/app/main_form_fixture.h"
#include "tests/viewer/app/scripted_dialogs.h"
#include "tests/viewer/app/test_drivers.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/components/ui/smithchartwidget.h"

#include <gtest/gtest.h>

using namespace viewer;
using namespace viewer::testing;
using tavix::testing::writeFile;

namespace {

// The main window holding an opened file, which a failed or aborted
// capture must leave alone.
struct Capture : MainFormFixture {
    Host host;

    Capture()
        : MainFormFixture("capture")
    {
        writeFile(dir / "old.s1p", "# MHZ S MA R 50\n100 0.5 45\n");
        open();
        form->Files().LoadSParameterFile((dir / "old.s1p").string());
    }
    bool run(const std::string& name, int ports)
    {
        form->SetDriverList({ name + "=" + driver(name) });
        return form->CaptureWithDriver(host, name, 3, ports);
    }
    bool untouched()
    {
        const TViewerFileState& s = form->FileState();
        return smith().CurveCount() == 1 && smith().CurveAt(0)->Points.size() == 1 && smith().Units() == "MHZ"
            && s.CurrentPath == (dir / "old.s1p").string() && s.Named && s.PortCount == 1 && !smith().DataChanged();
    }
};

} // namespace

// Catches a completed capture that does not become the current, unnamed
// file, or that could be thrown away without the save question.
TEST(TMainFormDriverCapture, CompletedCaptureIsTheNewUnsavedFile)
{
    Capture cap;
    ASSERT_TRUE(cap.run("drv_good", 2));
    EXPECT_TRUE(cap.dialogs.messages.empty());
    ASSERT_EQ(cap.smith().CurveCount(), 4);
    EXPECT_EQ(cap.smith().CurveAt(3)->Legend, "S22");
    EXPECT_EQ(cap.smith().Units(), "GHZ");
    EXPECT_EQ(cap.form->FileState().CurrentPath, "Captured.s2p");
    EXPECT_EQ(cap.form->FileState().PortCount, 2);
    EXPECT_FALSE(cap.form->FileState().Named);
    EXPECT_TRUE(cap.smith().DataChanged());
    EXPECT_EQ(cap.form->windowTitle().toStdString(), "Rivelle - Captured.s2p");
}

// Catches a failure that replaces the chart's data or the current file, or
// that says nothing.
TEST(TMainFormDriverCapture, FailureKeepsTheOldFile)
{
    Capture cap;
    EXPECT_FALSE(cap.run("drv_nan", 2));
    EXPECT_EQ(cap.dialogs.messages, std::vector<std::string>({ "The driver did not deliver the S21 data." }));
    EXPECT_TRUE(cap.untouched());
}
