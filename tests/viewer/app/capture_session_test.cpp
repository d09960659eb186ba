#include "viewer/app/capture_session.h"

#include "tests/support/temp_dir.h"
#include "tests/viewer/app/scripted_dialogs.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/components/ui/smithchartwidget.h"
#include "viewer/components/ui/xychartwidget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace viewer {
namespace {

// Traces whose values tell which parameter and point they are.
class FakeSource : public ICaptureSource {
public:
    std::vector<double> hz { 1e6, 5e8, 1e9 };
    std::vector<int> asked; // read once the calls are over
    std::atomic<int> last { 0 };
    std::atomic<int> finished { 0 };
    int failAt = 0; // parameter whose read throws
    int blockAt = 0; // parameter whose read waits for Release
    std::mutex lock;
    std::condition_variable released;
    bool open = false;

    std::vector<double> Frequencies() override { return hz; }
    std::vector<std::complex<double>> Trace(int p) override
    {
        asked.push_back(p);
        last = p;
        if (p == failAt)
            throw TCaptureError("broken");
        if (p == blockAt) {
            std::unique_lock<std::mutex> g(lock);
            released.wait(g, [&] { return open; });
        }
        std::vector<std::complex<double>> t;
        for (std::size_t k = 0; k < hz.size(); ++k)
            t.emplace_back(0.1 * p, -0.01 * double(k));
        return t;
    }
    void Finish() override { ++finished; }
    void Release()
    {
        std::lock_guard<std::mutex> g(lock);
        open = true;
        released.notify_all();
    }
};

class FakeHost : public ICaptureHost {
public:
    std::vector<std::string> prompts, statuses;
    int maximum = -1, position = -1;
    bool aborted = false;
    std::function<void(FakeHost&)> onMessages;

    void Prompt(const std::string& t) override { prompts.push_back(t); }
    void SetStatus(const std::string& t) override { statuses.push_back(t); }
    void SetProgress(int p, int m) override { position = p, maximum = m; }
    void ProcessMessages() override
    {
        if (onMessages)
            onMessages(*this);
    }
    bool Aborted() const override { return aborted; }
};

std::vector<std::string> legends(const TCapturedData& d)
{
    std::vector<std::string> out;
    for (const auto& c : d.curves)
        out.push_back(c.Legend);
    return out;
}

TEST(CaptureSession, ThreePortsFollowThePortPairsWithTheirPromptsAndColours)
{
    auto source = std::make_shared<FakeSource>();
    FakeHost host;
    TCaptureResult r = TCaptureSession(3, source, host).Run();
    ASSERT_EQ(r.outcome, TCaptureOutcome::Completed) << r.message;
    EXPECT_EQ(legends(r.data), (std::vector<std::string> { "S11", "S12", "S21", "S22", "S13", "S31", "S33", "S23", "S32" }));
    EXPECT_EQ(source->asked, (std::vector<int> { 1, 2, 3, 4, 2, 3, 4, 2, 3 }));
    EXPECT_EQ(host.prompts,
        (std::vector<std::string> { "Connect VNA port 1 to DUT port 1\nConnect VNA port 2 to DUT port 2",
            "Connect VNA port 1 to DUT Port 1\nConnect VNA port 2 to DUT Port 3",
            "Connect VNA port 1 to DUT Port 2\nConnect VNA port 2 to DUT Port 3" }));
    TColor c = clBlue;
    const TColor two[4] = { clRed, clFuchsia, clLime, clBlue };
    for (std::size_t i = 0; i < r.data.curves.size(); ++i) {
        if (i >= 4)
            c = smith::NextColour(c);
        EXPECT_EQ(r.data.curves[i].Color, i < 4 ? two[i] : c) << r.data.curves[i].Legend;
        EXPECT_TRUE(r.data.curves[i].Enabled);
    }
    EXPECT_EQ(source->finished, 1);
    EXPECT_EQ(host.statuses.front(), "Loading S11 data");
    EXPECT_EQ(host.statuses[host.statuses.size() - 2], "Loading S32 data");
    EXPECT_EQ(host.statuses.back(), "");
    EXPECT_EQ(host.maximum, 9);
    EXPECT_EQ(host.position, 0);
}

TEST(CaptureSession, OnePortReadsS11AloneAndTheUnitFollowsTheLastFrequency)
{
    auto source = std::make_shared<FakeSource>();
    FakeHost host;
    TCaptureResult r = TCaptureSession(1, source, host).Run();
    ASSERT_EQ(r.outcome, TCaptureOutcome::Completed);
    EXPECT_EQ(source->asked, std::vector<int> { 1 });
    EXPECT_EQ(host.prompts, std::vector<std::string> { "Connect VNA port 1 to DUT port 1" });
    // A last frequency of exactly 1 GHz still counts in MHz.
    EXPECT_EQ(r.data.units, "MHZ");
    const auto& p = r.data.curves[0].Points;
    ASSERT_EQ(p.size(), 3u);
    EXPECT_DOUBLE_EQ(p[2].Freq, 1000.0);
    EXPECT_DOUBLE_EQ(p[0].Freq, 1.0);
    // 0.1 - 0.02j: magnitude and the angle over the full circle.
    EXPECT_NEAR(p[2].Mag, std::hypot(0.1, 0.02), 1e-15);
    EXPECT_NEAR(p[2].Angle, std::atan2(-0.02, 0.1) * 180 / M_PI, 1e-12);
    EXPECT_DOUBLE_EQ(p[2].Re, 0.1);

    source->hz = { 1e9, 2.4e9 };
    r = TCaptureSession(1, source, host).Run();
    EXPECT_EQ(r.data.units, "GHZ");
    EXPECT_DOUBLE_EQ(r.data.curves[0].Points[1].Freq, 2.4);
    EXPECT_EQ(CapturedFileName(1), "Captured.s1p");
    EXPECT_EQ(CapturedFileName(9), "Captured.s9p");
    EXPECT_EQ(CapturedFileName(10), "Captured.s10");
}

TEST(CaptureSession, AnAbortKeepsTheCurvesReadAndTheReadThatEndsInTime)
{
    // S21 hangs, as in a bus time-out: cut short after the grace. Then S21
    // returns soon after the abort: still kept.
    for (bool returns : { false, true }) {
        auto source = std::make_shared<FakeSource>();
        source->blockAt = 3;
        FakeHost host;
        host.onMessages = [&](FakeHost& h) {
            if (source->last == 3) {
                h.aborted = true;
                if (returns)
                    source->Release();
            }
        };
        TCaptureSession session(2, source, host);
        session.PollMilliseconds = 1;
        session.AbortGraceMilliseconds = returns ? 10000 : 20;
        TCaptureResult r = session.Run();
        source->Release();
        EXPECT_EQ(r.outcome, TCaptureOutcome::Aborted);
        EXPECT_EQ(legends(r.data), returns ? (std::vector<std::string> { "S11", "S12", "S21" })
                                           : (std::vector<std::string> { "S11", "S12" }));
        EXPECT_EQ(r.data.ports, 2);
        EXPECT_EQ(source->asked, (std::vector<int> { 1, 2, 3 }));
        EXPECT_EQ(source->finished, 0);
        EXPECT_EQ(host.statuses.back(), "");
    }
}

TEST(CaptureSession, AFailingSourceEndsWithItsMessageAndNoData)
{
    auto source = std::make_shared<FakeSource>();
    source->failAt = 4;
    FakeHost host;
    TCaptureResult r = TCaptureSession(2, source, host).Run();
    EXPECT_EQ(r.outcome, TCaptureOutcome::Failed);
    EXPECT_EQ(r.message, "broken");
    EXPECT_TRUE(r.data.curves.empty());
    EXPECT_EQ(source->finished, 0);

    source->failAt = 0;
    source->hz.clear();
    r = TCaptureSession(2, source, host).Run();
    EXPECT_EQ(r.outcome, TCaptureOutcome::Failed);
    EXPECT_TRUE(host.prompts.size() == 1); // no prompt without points
}

// The main window takes a capture as a new file that is unnamed and
// changed, so that the next Save asks for a name and closing asks first,
// and at the analyser's 50 ohms: after start-up (no impedance yet) and
// after a 75 ohm file alike.
TEST(CaptureSession, TheMainWindowTakesACaptureAsAnUnsavedChangedFile)
{
    tavix::testing::TempDir dir { "capture" };
    testing::ScriptedDialogs dialogs;
    TMainForm form((dir / "Rivelle.ini").string(), {}, &dialogs);
    form.FormActivate();
    auto& chart = form.SmithChart1().Chart();
    for (bool afterFile : { false, true }) {
        SCOPED_TRACE(afterFile);
        if (afterFile) {
            tavix::testing::writeFile(dir / "old.s1p", "! the old file's comment\n# MHZ S MA R 75\n10 0.5 20\n");
            dialogs.answers = { TAnswer::No };
            ASSERT_TRUE(form.Files().LoadSParameterFile((dir / "old.s1p").string()));
            // What the old file left in the save options does not carry over.
            form.Files().Options().impedance = "25";
            ASSERT_EQ(form.StatusPanel(6), "75");
        }
        auto source = std::make_shared<FakeSource>();
        FakeHost host;
        TCaptureResult r = TCaptureSession(2, source, host).Run();
        ASSERT_EQ(r.outcome, TCaptureOutcome::Completed);
        form.TakeCapturedData(std::move(r.data));
        EXPECT_EQ(chart.Impedance(), 50.0);
        EXPECT_EQ(form.XYChart().Chart().Impedance(), 50.0);
        EXPECT_EQ(form.StatusPanel(6), "50");
        EXPECT_EQ(form.Files().Options().impedance, "50");
        EXPECT_TRUE(form.Files().Options().memo.empty());
        EXPECT_EQ(chart.CurveCount(), 4);
        EXPECT_EQ(chart.CurveAt(1)->Legend, "S12");
        EXPECT_EQ(chart.CurveAt(1)->Color, clFuchsia);
        EXPECT_EQ(chart.Units(), "MHZ");
        EXPECT_TRUE(chart.DataChanged());
        EXPECT_FALSE(form.FileState().Named);
        EXPECT_EQ(form.FileState().PortCount, 2);
        EXPECT_EQ(form.windowTitle().toStdString(), "Rivelle - Captured.s2p");
        EXPECT_EQ(form.FileState().Recent.size(), afterFile ? 1u : 0u);
        // Closing asks about the capture.
        dialogs.answers = { TAnswer::No };
        dialogs.questions.clear();
        EXPECT_FALSE(form.QuerySaveChanges());
        EXPECT_EQ(dialogs.questions.size(), 1u);
    }
}

} // namespace
} // namespace viewer
