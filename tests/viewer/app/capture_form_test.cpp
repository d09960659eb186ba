#include "tests/support/temp_dir.h"
#include "tests/viewer/app/scripted_dialogs.h"
#include "tools/vna_simulator.h"
#include "viewer/app/analyser_capture.h"
#include "viewer/app/sparam_reader.h"
#include "viewer/app/ui/capture_form.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/components/ui/smithchartwidget.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <gtest/gtest.h>

using namespace viewer;
using tavix::testing::TempDir;
using tavix::testing::writeFile;
using vnasim::TFault;

namespace {

// A device of `ports` ports swept from 100 MHz to 1.1 GHz; every value is
// a multiple of 1/8, so that it survives any number of digits, and Sij
// differs from Sji.
std::string sampleFile(int ports)
{
    std::string t = "# MHZ S RI R 50\n";
    for (int k = 0; k <= 10; ++k) {
        t += std::to_string(100 + 100 * k);
        int written = 0;
        for (int i = 1; i <= ports; ++i)
            for (int j = 1; j <= ports; ++j) {
                // The file lists two-port data column by column.
                const int r = ports == 2 ? j : i, c = ports == 2 ? i : j;
                const double re = ((r * 7 + c * 3 + k) % 8 - 4) / 8.0, im = ((r + c * 5 + k * 3) % 8 - 4) / 8.0;
                if (written > 0 && written % 4 == 0 && ports > 2)
                    t += "\n";
                t += " " + std::to_string(re) + " " + std::to_string(im);
                ++written;
            }
        t += "\n";
    }
    return t;
}

struct Fixture {
    TempDir dir { "capture" };
    viewer::testing::ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<vnasim::TVnaSimulator> sim;

    std::string path(const std::string& name) const { return (dir / name).string(); }

    // A simulator serving a sample of `ports` ports, and the settings that
    // reach it through the bus library `library`.
    void start(int ports, const std::string& library = TAVIX_GPIB_LIBRARY, int timeoutMs = 300)
    {
        writeFile(path("device.s" + std::to_string(ports) + "p"), sampleFile(ports));
        SParamReadResult r = ReadSParameterFile(path("device.s" + std::to_string(ports) + "p"));
        ASSERT_TRUE(r.ok) << r.message;
        sim = std::make_unique<vnasim::TVnaSimulator>(r.data);
        const int port = sim->Start();
        ASSERT_GT(port, 0);
        writeFile(path("Rivelle.ini"),
            "[recent]\n[gpib]\nlibrary=" + library + "\ntimeout=" + std::to_string(timeoutMs)
                + "\n[instruments]\n1=127.0.0.1:" + std::to_string(port)
                + "\n");
        if (!form) {
            form = std::make_unique<TMainForm>(path("Rivelle.ini"), std::vector<std::string> {}, &dialogs);
            form->FormActivate();
        }
        // The user reconnects the device as each prompt asks.
        dialogs.onMessage = [this](const std::string& text) {
            int a, b;
            if (std::sscanf(text.c_str(), "Connect VNA port 1 to DUT Port %d\nConnect VNA port 2 to DUT Port %d", &a, &b)
                == 2)
                sim->Connect(a, b);
        };
        form->AquireForm().SettleMilliseconds = 0;
    }
    TAquireForm& capture(int kind)
    {
        TAquireForm& f = form->AquireForm();
        f.DataType->button(kind)->setChecked(true);
        f.OKbuttonClick();
        return f;
    }
    smith::TSmithChart& chart() { return form->SmithChart1().Chart(); }
    // The simulator reads commands on a thread of its own: waits a little
    // for the last one sent to arrive (a loaded machine may take a while).
    std::string lastCommand(const std::string& expected)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            auto c = sim->Commands();
            if ((!c.empty() && c.back() == expected) || std::chrono::steady_clock::now() > until)
                return c.empty() ? std::string() : c.back();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // Opens a file, so that a failed capture has something to keep.
    void openOld()
    {
        writeFile(path("old.s1p"), "# MHZ S MA R 50\n10 0.5 20\n20 0.25 40\n");
        ASSERT_TRUE(form->Files().LoadSParameterFile(path("old.s1p")));
    }
    void expectOldKept()
    {
        EXPECT_EQ(form->windowTitle().toStdString(), "Rivelle - old.s1p");
        ASSERT_EQ(chart().CurveCount(), 1);
        EXPECT_EQ(chart().CurveAt(0)->Points.size(), 2u);
        EXPECT_FALSE(chart().DataChanged());
        EXPECT_EQ(form->FileState().CurrentPath, path("old.s1p"));
        TAquireForm& f = form->AquireForm();
        EXPECT_FALSE(f.Capturing());
        EXPECT_FALSE(f.OKbutton->isHidden());
        EXPECT_EQ(f.CancelButton->text().toStdString(), "Cancel");
    }
};

double hertz(const std::string& units)
{
    return units == "GHZ" ? 1e9 : units == "MHZ" ? 1e6 : units == "KHZ" ? 1e3 : 1;
}

} // namespace

TEST(CaptureForm, CapturesOneTwoAndThreePortsThatMatchTheDeviceAfterSaveAndReopen)
{
    Fixture fx;
    for (int ports = 1; ports <= 3; ++ports) {
        SCOPED_TRACE(ports);
        fx.start(ports);
        fx.dialogs.messages.clear();
        fx.capture(ports - 1);
        const std::string name = "Captured.s" + std::to_string(ports) + "p";
        ASSERT_EQ(fx.form->windowTitle().toStdString(), "Rivelle - " + name) << ::testing::PrintToString(fx.dialogs.messages);
        EXPECT_TRUE(fx.chart().DataChanged());
        EXPECT_EQ(fx.lastCommand("CONT"), "CONT");
        if (ports == 3) {
            EXPECT_EQ(fx.dialogs.messages,
                (std::vector<std::string> { FirstCapturePrompt(3),
                    "Connect VNA port 1 to DUT Port 1\nConnect VNA port 2 to DUT Port 3",
                    "Connect VNA port 1 to DUT Port 2\nConnect VNA port 2 to DUT Port 3" }));
            std::vector<std::string> legends;
            for (int c = 0; c < fx.chart().CurveCount(); ++c)
                legends.push_back(fx.chart().CurveAt(c)->Legend);
            EXPECT_EQ(legends, (std::vector<std::string> { "S11", "S12", "S21", "S22", "S13", "S31", "S33", "S23", "S32" }));
        }
        fx.dialogs.saveName = fx.path("saved" + std::to_string(ports) + ".s" + std::to_string(ports) + "p");
        fx.dialogs.editOptions = [](SaveOptions& o, int) {
            o.dataFormat = 2;
            o.digits = 7;
            return true;
        };
        ASSERT_TRUE(fx.form->Files().SaveSParameterFile(false));
        SParamReadResult saved = ReadSParameterFile(fx.dialogs.saveName);
        SParamReadResult device = ReadSParameterFile(fx.path("device.s" + std::to_string(ports) + "p"));
        ASSERT_TRUE(saved.ok && device.ok) << saved.message;
        ASSERT_EQ(saved.data.curveCount(), device.data.curveCount());
        for (int c = 0; c < device.data.curveCount(); ++c) {
            const auto& a = saved.data.points[c];
            const auto& b = device.data.points[c];
            ASSERT_EQ(a.size(), b.size());
            for (std::size_t k = 0; k < a.size(); ++k) {
                EXPECT_NEAR(a[k].Freq * hertz(saved.data.units), b[k].Freq * hertz(device.data.units), 1e-12 * 1e9);
                EXPECT_NEAR(a[k].Re, b[k].Re, 1e-12) << c << " " << k;
                EXPECT_NEAR(a[k].Im, b[k].Im, 1e-12) << c << " " << k;
            }
        }
        fx.sim->Stop();
    }
}

// A capture over changed data asks once whether to save them.
TEST(CaptureForm, AsksTheSaveQuestionOncePerCapture)
{
    Fixture fx;
    fx.start(2);
    fx.capture(1);
    ASSERT_TRUE(fx.chart().DataChanged());
    fx.dialogs.answers = { TAnswer::No, TAnswer::No };
    fx.capture(1);
    EXPECT_EQ(fx.dialogs.questions.size(), 1u);
    EXPECT_EQ(fx.form->windowTitle().toStdString(), "Rivelle - Captured.s2p");
    // Cancel leaves the bus alone.
    ASSERT_EQ(fx.lastCommand("CONT"), "CONT");
    const std::size_t commands = fx.sim->Commands().size();
    fx.dialogs.answers = { TAnswer::Cancel };
    fx.capture(1);
    EXPECT_EQ(fx.sim->Commands().size(), commands);
}

// Abort while S21 is read: S21 is still completed, S22 is not read, "CONT"
// is not sent, and the partial capture becomes an unsaved file.
TEST(CaptureForm, AnAbortDuringS21KeepsWhatWasCapturedAndSendsNoCont)
{
    Fixture fx;
    fx.start(2);
    fx.openOld();
    TAquireForm& f = fx.form->AquireForm();
    f.SettleMilliseconds = 300;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (f.Status->text() == QStringLiteral("Loading S21 data") && f.Capturing())
            f.CancelButtonClick();
    });
    watch.start();
    fx.capture(1);
    watch.stop();
    EXPECT_TRUE(f.AbortRequested());
    EXPECT_EQ(f.result(), QDialog::Accepted); // the abort closes the dialog
    EXPECT_EQ(fx.form->windowTitle().toStdString(), "Rivelle - Captured.s2p");
    ASSERT_EQ(fx.chart().CurveCount(), 3);
    EXPECT_EQ(fx.chart().CurveAt(2)->Legend, "S21");
    EXPECT_EQ(fx.chart().CurveAt(2)->Points.size(), 11u);
    EXPECT_TRUE(fx.chart().DataChanged());
    EXPECT_FALSE(fx.form->FileState().Named);
    EXPECT_FALSE(f.Capturing());
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    auto commands = fx.sim->Commands();
    auto readS21 = [&] {
        auto s21 = std::find(commands.begin(), commands.end(), "S21");
        return s21 != commands.end() && std::find(s21, commands.end(), "OUTPFORM") != commands.end();
    };
    while (!readS21() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        commands = fx.sim->Commands();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    commands = fx.sim->Commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "S21"), commands.end());
    EXPECT_EQ(std::find(commands.begin(), commands.end(), "CONT"), commands.end());
    EXPECT_EQ(std::find(commands.begin(), commands.end(), "S22"), commands.end());
}

// Every way the analyser or its connection fails ends in the warning
// within the bus time-out, and the dialog captures afterwards.
TEST(CaptureForm, EveryFaultWarnsSoonAndChangesNothing)
{
    Fixture fx;
    fx.start(2);
    fx.openOld();
    for (TFault fault : { TFault::Silence, TFault::ShortReply, TFault::BadHeader, TFault::Garbage, TFault::NoPoints,
             TFault::OnePoint, TFault::HugePoints, TFault::NaNValues, TFault::Drop }) {
        SCOPED_TRACE(static_cast<int>(fault));
        fx.sim->SetFault(fault);
        fx.dialogs.messages.clear();
        const auto begin = std::chrono::steady_clock::now();
        fx.capture(1);
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(3));
        ASSERT_FALSE(fx.dialogs.messages.empty());
        EXPECT_EQ(fx.dialogs.messages.back(), kGpibWarning);
        EXPECT_EQ(fx.form->AquireForm().result(), QDialog::Rejected); // it stays for another try
        fx.expectOldKept();
    }
    fx.sim->SetFault(TFault::None);
    fx.capture(1);
    EXPECT_EQ(fx.form->windowTitle().toStdString(), "Rivelle - Captured.s2p");
}

// Abort answers at once while the bus waits for a silent analyser.
TEST(CaptureForm, AbortWorksDuringABusTimeOut)
{
    Fixture fx;
    fx.start(2, TAVIX_GPIB_LIBRARY, 1500);
    fx.openOld();
    fx.sim->SetFault(TFault::Silence);
    TAquireForm& f = fx.form->AquireForm();
    QTimer::singleShot(100, [&] { f.CancelButtonClick(); });
    const auto begin = std::chrono::steady_clock::now();
    fx.capture(1);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(1000));
    EXPECT_TRUE(f.AbortRequested());
    EXPECT_TRUE(fx.dialogs.messages.empty() || fx.dialogs.messages.back() != kGpibWarning);
    fx.expectOldKept();
}

TEST(CaptureForm, ABusLibraryWithoutReceiveOrNoneAtAllIsNotLoaded)
{
    for (const std::string& library : { std::string(TAVIX_GPIB_NORECEIVE), std::string("/nonexistent/libgpib.so.0") }) {
        Fixture fx;
        fx.start(2, library);
        fx.openOld();
        fx.capture(1);
        EXPECT_EQ(fx.dialogs.messages.back(), "Unable to load GPIB32.DLL");
        EXPECT_TRUE(fx.sim->Commands().empty());
        fx.expectOldKept();
    }
}

TEST(CaptureForm, ControlsStartAsTheDialogDefinesThem)
{
    Fixture fx;
    fx.start(2);
    TAquireForm& f = fx.form->AquireForm();
    EXPECT_EQ(f.windowTitle().toStdString(), "Rivelle - Capture data");
    EXPECT_EQ(f.DataType->checkedId(), 1);
    EXPECT_EQ(f.PortCountValue(), 2);
    EXPECT_FALSE(f.PortCount->isEnabled());
    f.DataType->button(3)->click();
    EXPECT_TRUE(f.PortCount->isEnabled());
    EXPECT_EQ(f.PortCountValue(), 4);
    EXPECT_EQ(f.GpiBad->minimum(), 1);
    EXPECT_EQ(f.GpiBad->maximum(), 31);
    f.show();
    EXPECT_EQ(f.VNAtype->currentText().toStdString(), "HP 8753A");
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(f.VNAtype, &key);
    EXPECT_EQ(f.VNAtype->currentIndex(), 0);
    f.hide();
}

TEST(AnalyserReplies, PointCountsAndTraceBlocksAreChecked)
{
    int p = 0;
    EXPECT_TRUE(ParsePointCount("+2.010000E+02", p));
    EXPECT_EQ(p, 201);
    EXPECT_TRUE(ParsePointCount(" 4095 ", p));
    for (const char* bad : { "201.5", "1", "0", "-3", "4096", "nan", "inf", "", "2x", "1e400" })
        EXPECT_FALSE(ParsePointCount(bad, p)) << bad;
    double v;
    EXPECT_TRUE(ParseReplyNumber("+1.000000000000000E+08", v));
    EXPECT_EQ(v, 1e8);

    auto be = [](double d) {
        unsigned char b[8];
        std::memcpy(b, &d, 8);
        std::string s;
        for (int i = 7; i >= 0; --i)
            s += static_cast<char>(b[i]);
        return s;
    };
    const std::string data = be(0.5) + be(-0.25) + be(1.0) + be(0.0);
    std::vector<std::complex<double>> values;
    ASSERT_TRUE(DecodeTraceBlock(std::string("#A\0\x20", 4), data, 2, values));
    EXPECT_EQ(values, (std::vector<std::complex<double>> { { 0.5, -0.25 }, { 1.0, 0.0 } }));
    EXPECT_FALSE(DecodeTraceBlock(std::string("#A\0\x10", 4), data, 2, values));
    EXPECT_FALSE(DecodeTraceBlock(std::string("#B\0\x20", 4), data, 2, values));
    EXPECT_FALSE(DecodeTraceBlock(std::string("#A\0\x20", 4), data.substr(0, 24), 2, values));
    EXPECT_FALSE(DecodeTraceBlock(std::string("#A\0\x20", 4), be(NAN) + data.substr(8), 2, values));
}

// The other instrument types are capture drivers; the question is still
// asked once, by the dialog.
TEST(CaptureForm, TheOtherTypesCaptureThroughTheirDriver)
{
    Fixture fx;
    fx.start(2);
    fx.form->SetDriverList({ std::string("Test VNA=") + RIVELLE_TEST_DRIVER_DIR + "/drv_good.so" });
    fx.capture(1);
    ASSERT_TRUE(fx.chart().DataChanged());
    ASSERT_EQ(fx.lastCommand("CONT"), "CONT");
    TAquireForm& f = fx.form->AquireForm();
    f.show();
    ASSERT_EQ(f.VNAtype->count(), 2);
    EXPECT_EQ(f.VNAtype->itemText(1).toStdString(), "Test VNA");
    f.VNAtype->setCurrentIndex(1);
    const std::size_t busCommands = fx.sim->Commands().size();
    fx.dialogs.answers = { TAnswer::No };
    f.OKbuttonClick();
    f.hide();
    EXPECT_EQ(fx.dialogs.questions.size(), 1u);
    EXPECT_EQ(fx.sim->Commands().size(), busCommands);
    EXPECT_EQ(fx.form->windowTitle().toStdString(), "Rivelle - Captured.s2p");
    ASSERT_EQ(fx.chart().CurveCount(), 4);
    EXPECT_EQ(fx.chart().CurveAt(0)->Points.size(), 5u); // the driver's points, not the analyser's 11
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_FALSE(f.Capturing());
}
