#include "tests/support/temp_dir.h"
#include "tests/viewer/app/scripted_dialogs.h"
#include "viewer/app/capture_driver.h"
#include "viewer/app/driver_capture.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/components/ui/smithchartwidget.h"

#include <chrono>
#include <cmath>
#include <dlfcn.h>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace viewer;
using tavix::testing::TempDir;
using tavix::testing::writeFile;
using viewer::testing::ScriptedDialogs;

namespace {

std::string driver(const std::string& name)
{
    return std::string(RIVELLE_TEST_DRIVER_DIR) + "/" + name + ".so";
}

bool loaded(const std::string& path)
{
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (h)
        dlclose(h);
    return h != nullptr;
}

// Keeps a test driver loaded so that its counters outlive the viewer's
// unloading, and reads them.
class HeldDriver {
public:
    explicit HeldDriver(const std::string& name)
        : path(driver(name))
        , handle_(dlopen(path.c_str(), RTLD_NOW))
    {
    }
    ~HeldDriver()
    {
        if (handle_)
            dlclose(handle_);
    }
    int count(int which) const { return call("TestCount", which); }
    int Initialised() const { return count(0); }
    int Closed() const { return count(1); }
    int Address() const { return count(2); }
    std::vector<int> Channels() const
    {
        std::vector<int> out;
        for (int i = 0, c; (c = call("TestChannelAt", i)) >= 0; ++i)
            out.push_back(c);
        return out;
    }
    const std::string path;

private:
    int call(const char* name, int arg) const
    {
        auto fn = reinterpret_cast<int32_t (*)(int32_t)>(dlsym(handle_, name));
        return fn ? fn(arg) : -100;
    }
    void* handle_;
};

// Waits a little for what another thread finishes.
bool eventually(const std::function<bool()>& done)
{
    for (int i = 0; i < 2000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

struct Host : ICaptureHost {
    std::vector<std::string> prompts, statuses;
    int maximum = 0, position = 0;
    int abortAfterCurves = -1; // the abort button is pressed once so many curves are in
    bool aborted = false;

    void Prompt(const std::string& t) override { prompts.push_back(t); }
    void SetStatus(const std::string& t) override { statuses.push_back(t); }
    void SetProgress(int p, int m) override
    {
        position = p;
        maximum = m;
    }
    void ProcessMessages() override
    {
        if (abortAfterCurves >= 0 && position >= abortAfterCurves)
            aborted = true;
    }
    bool Aborted() const override { return aborted; }
};

// The main window holding an opened file, which a failed capture must
// leave alone.
struct Capture {
    TempDir dir { "capture" };
    ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;
    Host host;

    Capture()
    {
        writeFile(dir / "old.s1p", "# MHZ S MA R 50\n100 0.5 45\n");
        form = std::make_unique<TMainForm>((dir / "Rivelle.ini").string(), std::vector<std::string> {}, &dialogs);
        form->FormActivate();
        form->Files().LoadSParameterFile((dir / "old.s1p").string());
    }
    smith::TSmithChart& chart() { return form->SmithChart1().Chart(); }
    bool run(const std::string& name, int ports, int address = 7)
    {
        form->SetDriverList({ "Other=/nowhere.so", name + "=" + driver(name) });
        return form->CaptureWithDriver(host, name, address, ports);
    }
    bool untouched()
    {
        const TViewerFileState& s = form->FileState();
        return chart().CurveCount() == 1 && chart().CurveAt(0)->Points.size() == 1 && chart().Units() == "MHZ"
            && s.CurrentPath == (dir / "old.s1p").string() && s.Named && s.PortCount == 1 && !chart().DataChanged();
    }
};

} // namespace

// Catches a library taken for a driver with an export missing, a library
// kept loaded after it was refused, and a bare name looked up along the
// system's library path.
TEST(LoadCaptureDriver, RefusesWhatIsNoDriver)
{
    std::string error;
    auto good = LoadCaptureDriver(driver("drv_good"), error);
    ASSERT_TRUE(good) << error;
    EXPECT_EQ(error, "");
    EXPECT_TRUE(good->GetInfo && good->Initialise && good->GetFreqArray && good->GetChannel && good->CloseDriver);
    good.reset();
    EXPECT_FALSE(loaded(driver("drv_good")));

    EXPECT_FALSE(LoadCaptureDriver(driver("drv_four"), error));
    EXPECT_EQ(error, "Invalide Driver");
    EXPECT_FALSE(loaded(driver("drv_four")));

    TempDir dir("drivers");
    writeFile(dir / "text.so", "not a library\n");
    for (const std::string& path : { (dir / "text.so").string(), (dir / "missing.so").string(),
             std::string("drv_good.so"), std::string("libc.so.6"), std::string() }) {
        EXPECT_FALSE(LoadCaptureDriver(path, error)) << path;
        EXPECT_EQ(error, "Unable to load " + path);
    }
}

// Catches a display name that would break the settings file (a key with
// "=", a section header, a second line), a name read past its bound or
// from a null pointer, and the library left loaded after its name is read.
TEST(ReadDriverName, CopiesOnlyNamesTheSettingsFileCanHold)
{
    std::string name;
    EXPECT_EQ(ReadDriverName(driver("drv_good"), name), "");
    EXPECT_EQ(name, "Test VNA");
    EXPECT_FALSE(loaded(driver("drv_good")));

    for (const char* bad :
        { "drv_name_eq", "drv_name_bracket", "drv_name_break", "drv_name_empty", "drv_name_null", "drv_name_long",
            "drv_four" }) {
        name = "kept";
        EXPECT_EQ(ReadDriverName(driver(bad), name), "Invalide Driver") << bad;
        EXPECT_EQ(name, "kept");
        EXPECT_FALSE(loaded(driver(bad))) << bad;
    }
    EXPECT_EQ(ReadDriverName("/no/such.so", name), "Unable to load /no/such.so");

    EXPECT_TRUE(ValidDriverName(std::string(RIVELLE_DRIVER_NAME_MAX, 'n')));
    EXPECT_FALSE(ValidDriverName(std::string(RIVELLE_DRIVER_NAME_MAX + 1, 'n')));
    for (const char* bad : { " lead", "trail ", ";comment", "a]b", "cr\rx" })
        EXPECT_FALSE(ValidDriverName(bad)) << bad;
}

// Catches channels asked in the wrong order or too often, the bus address
// not passed on, wrong magnitude, angle or frequency scaling, a missing
// CloseDriver, and a completed capture that could be thrown away without
// the save question.
TEST(CaptureWithDriver, CapturesOneTwoAndThreePorts)
{
    struct Case {
        int ports;
        std::vector<int> channels;
        std::string file;
    } cases[] = {
        { 1, { 1 }, "Captured.s1p" },
        { 2, { 1, 2, 3, 4 }, "Captured.s2p" },
        { 3, { 1, 2, 3, 4, 2, 3, 4, 2, 3 }, "Captured.s3p" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ports);
        HeldDriver held("drv_good");
        Capture cap;
        EXPECT_TRUE(cap.run("drv_good", c.ports, 12));
        EXPECT_TRUE(cap.dialogs.messages.empty());
        EXPECT_EQ(held.Initialised(), 1);
        EXPECT_EQ(held.Address(), 12);
        EXPECT_EQ(held.Closed(), 1);
        EXPECT_EQ(held.Channels(), c.channels);
        ASSERT_EQ(cap.chart().CurveCount(), static_cast<int>(c.channels.size()));
        EXPECT_EQ(cap.chart().CurveAt(0)->Legend, "S11");
        EXPECT_EQ(cap.chart().Units(), "GHZ");
        EXPECT_EQ(cap.form->FileState().CurrentPath, c.file);
        EXPECT_EQ(cap.form->FileState().PortCount, c.ports);
        EXPECT_FALSE(cap.form->FileState().Named);
        EXPECT_TRUE(cap.chart().DataChanged());
        EXPECT_EQ(cap.host.prompts.size(), c.ports == 3 ? 3u : 1u);
        // The test driver's frequencies run from 0.24 to 2.4 GHz; point k of
        // channel c is (0.1 c + 0.01 k, -0.05 c).
        const smith::Tcurve& last = *cap.chart().CurveAt(cap.chart().CurveCount() - 1);
        ASSERT_EQ(last.Points.size(), 5u);
        EXPECT_NEAR(last.Points.front().Freq, 0.24, 1e-12);
        EXPECT_NEAR(last.Points.back().Freq, 2.4, 1e-12);
        const double ch = c.channels.back();
        const double re = 0.1 * ch + 0.04, im = -0.05 * ch;
        EXPECT_NEAR(last.Points[4].Mag, std::hypot(re, im), 1e-12);
        EXPECT_NEAR(last.Points[4].Angle, std::atan2(im, re) * 180 / M_PI, 1e-9);
    }
    EXPECT_FALSE(loaded(driver("drv_good")));
    Capture cap;
    ASSERT_TRUE(cap.run("drv_mhz", 1));
    EXPECT_EQ(cap.chart().Units(), "MHZ");
    EXPECT_NEAR(cap.chart().CurveAt(0)->Points.back().Freq, 1000.0, 1e-9);
}

// Catches a failed capture that replaces the chart's data or the current
// file, a CloseDriver skipped after a successful Initialise (or called
// after a failed one), wrong failure texts, and values the driver left
// unwritten or reported as failed taken for data.
TEST(CaptureWithDriver, FailuresLeaveTheOldData)
{
    struct Case {
        const char* driver;
        std::string message; // empty: none
        int closed;
    } cases[] = {
        { "drv_init_m1", "Unable to Load GPIB32.DLL", 0 },
        { "drv_init_m2", "GPIB32.DLL function Error", 0 },
        { "drv_init_m3", "GPIB error!\nCheck connections and settings.", 0 },
        { "drv_init_m9", "", 0 },
        { "drv_zero", "The driver reported 0 points; a capture takes 1 to 1000000.", 1 },
        { "drv_huge", "The driver reported 1000001 points; a capture takes 1 to 1000000.", 1 },
        { "drv_freqfail", "GPIB Error! Check Connections and settings", 1 },
        { "drv_nan", "The driver did not deliver the S21 data.", 1 },
        { "drv_short", "The driver did not deliver the S22 data.", 1 },
        { "drv_chanfail", "The driver did not deliver the S11 data.", 1 },
        { "drv_four", "Invalide Driver", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.driver);
        HeldDriver held(c.driver);
        Capture cap;
        EXPECT_FALSE(cap.run(c.driver, 2));
        EXPECT_EQ(cap.dialogs.messages,
            c.message.empty() ? std::vector<std::string>() : std::vector<std::string>({ c.message }));
        EXPECT_EQ(held.Initialised(), std::string(c.driver) == "drv_four" ? 0 : 1);
        EXPECT_EQ(held.Closed(), c.closed);
        EXPECT_TRUE(cap.untouched());
    }
    Capture cap;
    cap.form->SetDriverList({ "A=/x.so" });
    EXPECT_FALSE(cap.form->CaptureWithDriver(cap.host, "B", 1, 1));
    EXPECT_EQ(cap.dialogs.messages, std::vector<std::string>({ "Unable to load " }));
    EXPECT_TRUE(cap.untouched());
}

// Catches an abort that still replaces the data, or stops without closing
// the driver before it is unloaded.
TEST(CaptureWithDriver, AbortAfterS11KeepsTheOldData)
{
    HeldDriver held("drv_good");
    Capture cap;
    cap.host.abortAfterCurves = 1;
    EXPECT_FALSE(cap.run("drv_good", 2));
    EXPECT_TRUE(eventually([&] { return held.Closed() == 1; }));
    EXPECT_EQ(held.Channels(), std::vector<int>({ 1 }));
    EXPECT_TRUE(cap.untouched());
    EXPECT_TRUE(cap.dialogs.messages.empty());
}
