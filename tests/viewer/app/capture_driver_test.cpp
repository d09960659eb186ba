#include "tests/support/temp_dir.h"
#include "tests/viewer/app/test_drivers.h"
#include "viewer/app/capture_driver.h"
#include "viewer/app/driver_capture.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace viewer;
using namespace viewer::testing;
using tavix::testing::TempDir;
using tavix::testing::writeFile;

namespace {

TCaptureResult capture(const std::string& name, int ports, Host& host, int address = 7)
{
    return CaptureWithDriver({ "Other=/nowhere.so", name + "=" + driver(name) }, name, address, ports, host);
}

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

    for (const char* bad : { "drv_name_eq", "drv_name_bracket", "drv_name_break", "drv_name_empty", "drv_name_null",
             "drv_name_long", "drv_four" }) {
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
// CloseDriver, and a library left loaded after the capture.
TEST(DriverCapture, CapturesOneTwoAndThreePorts)
{
    struct Case {
        int ports;
        std::vector<int> channels;
        std::vector<std::string> legends;
    } cases[] = {
        { 1, { 1 }, { "S11" } },
        { 2, { 1, 2, 3, 4 }, { "S11", "S12", "S21", "S22" } },
        { 3, { 1, 2, 3, 4, 2, 3, 4, 2, 3 }, { "S11", "S12", "S21", "S22", "S13", "S31", "S33", "S23", "S32" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ports);
        HeldDriver held("drv_good");
        Host host;
        TCaptureResult r = capture("drv_good", c.ports, host, 12);
        ASSERT_EQ(r.outcome, TCaptureOutcome::Completed) << r.message;
        EXPECT_EQ(held.Initialised(), 1);
        EXPECT_EQ(held.Address(), 12);
        EXPECT_EQ(held.Closed(), 1);
        EXPECT_EQ(held.Channels(), c.channels);
        std::vector<std::string> legends;
        for (const smith::Tcurve& curve : r.data.curves)
            legends.push_back(curve.Legend);
        EXPECT_EQ(legends, c.legends);
        EXPECT_EQ(r.data.units, "GHZ");
        EXPECT_EQ(host.prompts.size(), c.ports == 3 ? 3u : 1u);
        // The test driver's frequencies run from 0.24 to 2.4 GHz; point k of
        // channel c is (0.1 c + 0.01 k, -0.05 c).
        const smith::Tcurve& last = r.data.curves.back();
        ASSERT_EQ(last.Points.size(), 5u);
        EXPECT_NEAR(last.Points.front().Freq, 0.24, 1e-12);
        EXPECT_NEAR(last.Points.back().Freq, 2.4, 1e-12);
        const double ch = c.channels.back();
        const double re = 0.1 * ch + 0.04, im = -0.05 * ch;
        EXPECT_NEAR(last.Points[4].Mag, std::hypot(re, im), 1e-12);
        EXPECT_NEAR(last.Points[4].Angle, std::atan2(im, re) * 180 / M_PI, 1e-9);
    }
    EXPECT_FALSE(loaded(driver("drv_good")));
    Host host;
    TCaptureResult r = capture("drv_mhz", 1, host);
    ASSERT_EQ(r.outcome, TCaptureOutcome::Completed);
    EXPECT_EQ(r.data.units, "MHZ");
    EXPECT_NEAR(r.data.curves[0].Points.back().Freq, 1000.0, 1e-9);
}

// Catches a CloseDriver skipped after a successful Initialise (or called
// after a failed one), wrong failure texts, point counts that cannot be
// captured, and values the driver left unwritten or reported as failed
// taken for data.
TEST(DriverCapture, FailuresCloseTheDriverAndReturnNoData)
{
    struct Case {
        const char* driver;
        std::string message;
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
        Host host;
        TCaptureResult r = capture(c.driver, 2, host);
        EXPECT_EQ(r.outcome, TCaptureOutcome::Failed);
        EXPECT_EQ(r.message, c.message);
        EXPECT_TRUE(r.data.curves.empty());
        EXPECT_EQ(held.Initialised(), std::string(c.driver) == "drv_four" ? 0 : 1);
        EXPECT_EQ(held.Closed(), c.closed);
        EXPECT_TRUE(host.statuses.empty() || host.statuses.back().empty());
    }
    Host host;
    TCaptureResult r = CaptureWithDriver({ "A=/x.so" }, "B", 1, 1, host);
    EXPECT_EQ(r.outcome, TCaptureOutcome::Failed);
    EXPECT_EQ(r.message, "Unable to load ");
}

// Catches an abort that goes on reading, loses the curve read before it,
// or leaves the driver without its CloseDriver.
TEST(DriverCapture, AbortAfterS11ClosesTheDriver)
{
    HeldDriver held("drv_good");
    Host host;
    host.abortAfterCurves = 1;
    TCaptureResult r = capture("drv_good", 2, host);
    EXPECT_EQ(r.outcome, TCaptureOutcome::Aborted);
    ASSERT_EQ(r.data.curves.size(), 1u);
    EXPECT_EQ(r.data.curves[0].Legend, "S11");
    EXPECT_TRUE(eventually([&] { return held.Closed() == 1; }));
    EXPECT_EQ(held.Channels(), std::vector<int>({ 1 }));
}
