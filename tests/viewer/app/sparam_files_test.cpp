#include "tests/support/temp_dir.h"
#include "tests/viewer/app/scripted_dialogs.h"
#include "viewer/app/file_state.h"
#include "viewer/app/numeric_grid.h"
#include "viewer/app/sparam_files.h"
#include "viewer/app/sparam_format.h"
#include "viewer/app/sparam_math.h"
#include "viewer/app/viewer_dialogs.h"

#include <complex>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <gtest/gtest.h>

using namespace viewer;
using tavix::testing::readFile;
using tavix::testing::TempDir;
using tavix::testing::writeFile;

namespace {

using viewer::testing::ScriptedDialogs;

struct Fixture {
    TempDir dir { "sparam_files" };
    TSmithChart chart;
    ScriptedDialogs dialogs;
    TViewerFileState state { chart, dialogs };
    TSParameterFiles files { chart, state, dialogs };
    Fixture()
    {
        files.DateTimeText = [] { return std::pair<std::string, std::string>("d", "t"); };
    }
    std::string path(const std::string& name) { return (dir / name).string(); }
};

const char* kTwoPort = "! measured\n"
                       "# MHZ S MA R 50\n"
                       "100 0.1 10 0.2 20 0.3 30 0.4 40\n"
                       "200 0.5 -10 0.6 -20 0.7 -30 0.8 -40\n";

} // namespace

// Catches a read that does not fill the chart and the file state as the
// main window expects: curves, colours, units, impedance, comments, caption.
TEST(TSParameterFiles, LoadFillsChartAndState)
{
    Fixture f;
    writeFile(f.dir / "amp.s2p", kTwoPort);
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("amp.s2p")));
    ASSERT_EQ(f.chart.CurveCount(), 4);
    const char* legends[] = { "S11", "S21", "S12", "S22" };
    const TColor colours[] = { 255, 65280, 16711935, 16711680 };
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(f.chart.CurveAt(c)->Legend, legends[c]);
        EXPECT_EQ(f.chart.CurveAt(c)->Color, colours[c]);
        EXPECT_TRUE(f.chart.CurveAt(c)->Enabled);
    }
    EXPECT_EQ(f.chart.Units(), "MHZ");
    EXPECT_EQ(f.chart.XTitle(), "Freq MHZ");
    EXPECT_EQ(f.chart.Impedance(), 50);
    EXPECT_EQ(f.chart.Xmin(), 100);
    EXPECT_EQ(f.chart.Xmax(), 200);
    EXPECT_EQ(f.chart.Title(), "amp.s2p");
    EXPECT_EQ(f.state.Caption, "Rivelle - amp.s2p");
    EXPECT_EQ(f.state.PortCount, 2);
    EXPECT_TRUE(f.state.Named);
    EXPECT_EQ(f.files.Options().memo, std::vector<std::string>({ " measured" }));
    EXPECT_TRUE(f.dialogs.messages.empty());

    // Three ports and more: S + row + column in row order, colours by NextColour.
    std::string text = "# GHZ S MA R 50\n1";
    for (int k = 0; k < 9; ++k)
        text += " 0.5 " + std::to_string(k);
    writeFile(f.dir / "c.s3p", text + "\n");
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("c.s3p")));
    ASSERT_EQ(f.chart.CurveCount(), 9);
    EXPECT_EQ(f.chart.CurveAt(5)->Legend, "S23");
    EXPECT_EQ(f.chart.CurveAt(0)->Color, clRed);
    EXPECT_EQ(f.chart.CurveAt(1)->Color, smith::NextColour(clRed));
    EXPECT_EQ(f.chart.CurveAt(2)->Color, smith::NextColour(smith::NextColour(clRed)));
    EXPECT_EQ(f.state.Recent, std::vector<std::string>({ f.path("c.s3p"), f.path("amp.s2p") }));
}

// Catches a failed or partial read that leaves half-replaced data behind.
TEST(TSParameterFiles, FailedReadChangesNothing)
{
    Fixture f;
    writeFile(f.dir / "amp.s2p", kTwoPort);
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("amp.s2p")));
    struct Case {
        const char* name;
        const char* text;
        const char* message;
    } cases[] = {
        { "a.txt", kTwoPort, "Invalid File Type" },
        { "b.s2p", "! c\n1 2 3\n", "Descriptor Line Missing" },
        { "c.s3p", "# GHZ Z MA R 50\n", "Z Parameters only supported for S2P files" },
        { "d.s2p", "# GHZ K MA R 50\n", "Unsupported file type" },
        { "e.s2p", "# GHZ S MA Q 50\n", "Error in Impedance Specifier" },
        { "f.s2p", "# KHZ S MA R 75\n! new\n1 .1 1 .2 2 .3 3 .4 4\n2 .1 1 .2 x .3 3 .4 4\n", "Error in input file." },
        { "g.s2p", "# KHZ S MA R 75\n1 .1 1 .2 2 .3 3 .4 4\n2 .1 1 .2\n", "Error in input file." },
    };
    for (const auto& c : cases) {
        writeFile(f.dir / c.name, c.text);
        f.dialogs.messages.clear();
        EXPECT_FALSE(f.files.LoadSParameterFile(f.path(c.name)));
        ASSERT_EQ(f.dialogs.messages.size(), 1u) << c.name;
        EXPECT_TRUE(f.dialogs.messages[0].starts_with(c.message)) << f.dialogs.messages[0];
        EXPECT_EQ(f.chart.CurveCount(), 4);
        EXPECT_EQ(f.chart.PointCount(), 2);
        EXPECT_EQ(f.chart.Units(), "MHZ");
        EXPECT_EQ(f.chart.Impedance(), 50);
        EXPECT_EQ(f.files.Options().memo, std::vector<std::string>({ " measured" }));
        EXPECT_EQ(f.state.CurrentPath, f.path("amp.s2p"));
    }
    f.dialogs.messages.clear();
    EXPECT_FALSE(f.files.LoadSParameterFile(f.path("missing.s2p")));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_NE(f.dialogs.messages[0].find("missing.s2p"), std::string::npos);
}

// Catches the save-changes question asked when nothing changed, or a
// Cancel that still replaces the data.
TEST(TViewerFileState, QuerySaveChangesGuardsEdits)
{
    Fixture f;
    writeFile(f.dir / "amp.s2p", kTwoPort);
    writeFile(f.dir / "other.s2p", kTwoPort);
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("amp.s2p")));
    EXPECT_TRUE(f.dialogs.questions.empty());
    f.chart.SetPoint(0, 0, 100, 0.9, 10);
    ASSERT_TRUE(f.chart.DataChanged());
    f.dialogs.answers = { TAnswer::Cancel };
    EXPECT_FALSE(f.files.LoadSParameterFile(f.path("other.s2p")));
    EXPECT_EQ(f.dialogs.questions.back(), "Save Changes to " + f.path("amp.s2p") + " ?");
    EXPECT_EQ(f.state.CurrentPath, f.path("amp.s2p"));
    EXPECT_EQ(f.chart.CurveAt(0)->Points[0].Mag, 0.9);
    // Yes saves to the current path (named), then the other file opens.
    f.dialogs.answers = { TAnswer::Yes };
    EXPECT_TRUE(f.files.LoadSParameterFile(f.path("other.s2p")));
    EXPECT_NE(readFile(f.dir / "amp.s2p").find("100.00000 0.90000 10.00000 "), std::string::npos);
    EXPECT_FALSE(f.chart.DataChanged());
}

// Catches a recent list that grows past four or keeps duplicates that
// differ only in case.
TEST(TViewerFileState, RecentListKeepsFourMostRecent)
{
    Fixture f;
    writeFile(f.dir / "x.s1p", "# GHZ S MA R 50\n1 0.5 0\n");
    f.files.LoadSParameterFile(f.path("x.s1p"));
    for (const char* n : { "/a/1.s2p", "/a/2.s2p", "/a/3.s2p", "/a/4.s2p", "/A/2.S2P" })
        f.state.SetCurrentFile(n, 2, true);
    EXPECT_EQ(f.state.Recent, std::vector<std::string>({ "/A/2.S2P", "/a/4.s2p", "/a/3.s2p", "/a/1.s2p" }));
    f.state.SetCurrentFile("unnamed", 2, false);
    EXPECT_EQ(f.state.Recent.size(), 4u);
    EXPECT_FALSE(f.state.Named);
}

// Catches a relative name in the recent list, which fails from any other
// folder, and one file listed twice (relative and absolute).
TEST(TViewerFileState, RecentListKeepsFullPaths)
{
    Fixture f;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(f.dir.path());
    f.state.SetCurrentFile("lowpass.s2p", 2, true);
    std::filesystem::current_path(before);
    f.state.SetCurrentFile(f.path("sub/../lowpass.s2p"), 2, true);
    EXPECT_EQ(f.state.Recent, std::vector<std::string>({ std::filesystem::weakly_canonical(f.path("lowpass.s2p")) }));
}

// Catches a save through a symbolic link that replaces the link with a
// plain file and leaves its target with the old data.
TEST(TSParameterFiles, SaveThroughALinkWritesItsTarget)
{
    namespace fs = std::filesystem;
    Fixture f;
    writeFile(f.dir / "target.s2p", kTwoPort);
    fs::create_symlink("target.s2p", f.dir / "ln.s2p");
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("ln.s2p")));
    f.chart.SetPoint(0, 0, 100, 0.9, 10);
    ASSERT_TRUE(f.files.SaveSParameterFile(false));
    EXPECT_TRUE(fs::is_symlink(f.dir / "ln.s2p"));
    EXPECT_NE(readFile(f.dir / "target.s2p").find("100.00000 0.90000 10.00000 "), std::string::npos);
    EXPECT_EQ(f.state.Recent, std::vector<std::string>({ f.path("ln.s2p") }));
    // A link that leads nowhere is refused and stays as it is.
    fs::remove(f.dir / "target.s2p");
    EXPECT_FALSE(f.files.SaveSParameterFile(false));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_NE(f.dialogs.messages[0].find("the link leads to no file"), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(f.dir / "ln.s2p"));
    EXPECT_FALSE(fs::exists(f.dir / "target.s2p"));
}

// Catches a save that destroys the old file when the options are bad, and
// Y/Z/H written for a data that is not a two-port.
TEST(TSParameterFiles, BadSaveLeavesOldFileIntact)
{
    Fixture f;
    const char* oneText = "# GHZ S MA R 50\n1 0.5 0\n";
    writeFile(f.dir / "x.s1p", oneText);
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("x.s1p")));
    for (const char* bad : { "", "abc", "0", "-50", "50 ohm" }) {
        f.files.Options().impedance = bad;
        f.dialogs.messages.clear();
        EXPECT_FALSE(f.files.SaveSParameterFile(false)) << bad;
        EXPECT_EQ(f.dialogs.messages, std::vector<std::string>({ "Z0 must be a number above zero." }));
        EXPECT_EQ(readFile(f.dir / "x.s1p"), oneText);
    }
    f.files.Options().impedance = "50";
    f.files.Options().parameterType = spY;
    f.dialogs.messages.clear();
    EXPECT_FALSE(f.files.SaveSParameterFile(false));
    EXPECT_EQ(f.dialogs.messages, std::vector<std::string>({ "Y parameters can only be saved for two ports." }));
    EXPECT_EQ(readFile(f.dir / "x.s1p"), oneText);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(f.dir.path()))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>({ "x.s1p" })); // no temporary file left behind
}

// Catches Save As ignoring the dialog's choices or the proposed extension,
// and a save that does not become the current file.
TEST(TSParameterFiles, SaveAsWritesTheChosenForm)
{
    Fixture f;
    writeFile(f.dir / "amp.s2p", kTwoPort);
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("amp.s2p")));
    int seenPorts = 0;
    f.dialogs.editOptions = [&](SaveOptions& o, int ports) {
        seenPorts = ports;
        EXPECT_EQ(o.fileType, 1);
        o.dataFormat = sfDB;
        o.digits = 2;
        return true;
    };
    f.dialogs.saveName = f.path("out.s2p");
    ASSERT_TRUE(f.files.SaveSParameterFile(true));
    EXPECT_EQ(seenPorts, 2);
    EXPECT_EQ(f.dialogs.lastDefaultExtension, "S2P");
    EXPECT_EQ(readFile(f.dir / "out.s2p"),
        "! Created by Rivelle\n! Date: d Time: t\n! measured\n# MHZ S DB R 50\n"
        "100.00 -20.00 10.00 -13.98 20.00 -10.46 30.00 -7.96 40.00 \n"
        "200.00 -6.02 -10.00 -4.44 -20.00 -3.10 -30.00 -1.94 -40.00 \n");
    EXPECT_EQ(f.state.CurrentPath, f.path("out.s2p"));
    EXPECT_EQ(f.state.Caption, "Rivelle - out.s2p");
    // A cancelled dialog writes nothing.
    f.dialogs.editOptions = [](SaveOptions&, int) { return false; };
    f.dialogs.saveName = f.path("never.s2p");
    EXPECT_FALSE(f.files.SaveSParameterFile(true));
    EXPECT_FALSE(std::filesystem::exists(f.dir / "never.s2p"));
}

// Catches a two-port saved in a form that reads back as part of it: an S1P
// file type, an SNP of fewer ports, or a name whose extension says another
// port count.
TEST(TSParameterFiles, SaveAsKeepsEveryPort)
{
    Fixture f;
    writeFile(f.dir / "amp.s2p", kTwoPort);
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("amp.s2p")));
    struct Case {
        int fileType, portCount;
        const char* name;
        const char* message;
    };
    const Case cases[] = {
        { 0, 4, "a.s1p", "The data has 2 ports: choose a file type of 2 ports." },
        { 3, 1, "a.s1p", "The data has 2 ports: choose a file type of 2 ports." },
        { 1, 4, "a.s1p", "The file name must end in .S2P for data of 2 ports." },
        { 1, 4, "a.txt", "The file name must end in .S2P for data of 2 ports." },
    };
    for (const Case& c : cases) {
        f.dialogs.editOptions = [&](SaveOptions& o, int) {
            o.fileType = c.fileType;
            o.portCount = c.portCount;
            return true;
        };
        f.dialogs.saveName = f.path(c.name);
        f.dialogs.messages.clear();
        EXPECT_FALSE(f.files.SaveSParameterFile(true)) << c.name;
        EXPECT_EQ(f.dialogs.messages, std::vector<std::string>({ c.message }));
        EXPECT_FALSE(std::filesystem::exists(f.dir / c.name));
        EXPECT_EQ(f.state.CurrentPath, f.path("amp.s2p"));
    }
    // An N-port type of the data's own count is fine.
    f.dialogs.editOptions = [](SaveOptions& o, int) {
        o.fileType = 3;
        o.portCount = 2;
        return true;
    };
    f.dialogs.saveName = f.path("b.S2P");
    EXPECT_TRUE(f.files.SaveSParameterFile(true));
}

// Catches curves of 11 or more ports found by legend alone ("S111" is both
// row 1 column 11 and row 11 column 1).
TEST(TSParameterFiles, TwelvePortsFoundByRowAndColumn)
{
    Fixture f;
    std::string text = "# GHZ S RI R 50\n1";
    for (int k = 0; k < 144; ++k)
        text += " " + std::to_string(1 + k / 1000.0) + " 0"; // three decimals keep them fixed-point
    writeFile(f.dir / "big.s12", text + "\n");
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("big.s12")));
    EXPECT_EQ(f.chart.FindCurve("S111"), 10 * 12); // row 11 column 1, the later one
    f.files.Options().dataFormat = sfRI;
    f.files.Options().digits = 3;
    ASSERT_TRUE(f.files.SaveSParameterFile(false));
    std::string out = readFile(f.dir / "big.s12");
    std::string expected = "# GHZ S RI R 50\n1.000 ";
    int pairs = 0;
    for (int k = 0; k < 144; ++k) {
        AppendFixed(expected, 1 + k / 1000.0, 3);
        expected += " 0.000 ";
        if (++pairs == 4) {
            expected += "\n      ";
            pairs = 0;
        }
    }
    expected += "\n";
    ASSERT_NE(out.find("# GHZ"), std::string::npos);
    EXPECT_EQ(out.substr(out.find("# GHZ")), expected);
}

// Catches the noise block read as data or dropped without a word.
TEST(TSParameterFiles, NoiseBlockIsReported)
{
    Fixture f;
    writeFile(f.dir / "lna.s2p", "# GHZ S MA R 50\n1 .1 1 .2 2 .3 3 .4 4\n2 .1 1 .2 2 .3 3 .4 4\n1 1.5 .3 40 .2\n");
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("lna.s2p")));
    EXPECT_EQ(f.chart.PointCount(), 2);
    EXPECT_EQ(f.dialogs.messages, std::vector<std::string>({ msg::kNoiseNotKept }));
}

// Catches a save that fails half-way (a point with no Z form, a folder that
// cannot be written) leaving a truncated file or a temporary file behind.
TEST(TSParameterFiles, FailedSaveKeepsOldFile)
{
    Fixture f;
    const char* thru = "# GHZ S MA R 50\n1 0.1 0 0.9 0 0.9 0 0.1 0\n2 0 0 1 0 1 0 0 0\n";
    writeFile(f.dir / "thru.s2p", thru);
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("thru.s2p")));
    f.files.Options().parameterType = spZ;
    EXPECT_FALSE(f.files.SaveSParameterFile(false));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0], "Z parameters cannot be written: the data at frequency 2 has no such form.");
    EXPECT_EQ(readFile(f.dir / "thru.s2p"), thru);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(f.dir.path()))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>({ "thru.s2p" }));

    f.files.Options().parameterType = spS;
    f.dialogs.messages.clear();
    f.dialogs.saveName = f.path("no/such/folder/out.s2p");
    EXPECT_FALSE(f.files.SaveSParameterFile(true));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_TRUE(f.dialogs.messages[0].starts_with("Cannot create file")) << f.dialogs.messages[0];
    EXPECT_EQ(f.state.CurrentPath, f.path("thru.s2p"));
}

// Catches save options left over from earlier data: a plain Save of a file
// read after another one was re-normalised must not re-normalise it too, and
// new data must not carry the comments or impedance of the file read before.
TEST(TSParameterFiles, SaveOptionsFollowTheDataNowHeld)
{
    Fixture f;
    writeFile(f.dir / "a.s1p", "! first\n# GHZ S MA R 50\n1 0.5 30\n");
    writeFile(f.dir / "b.s1p", "# GHZ S MA R 75\n1 0.25 -60\n2 0.5 -90\n");
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("a.s1p")));
    f.files.Options().impedance = "25"; // what re-normalising a to 25 ohms leaves
    ASSERT_TRUE(f.files.LoadSParameterFile(f.path("b.s1p")));
    EXPECT_EQ(f.files.Options().impedance, "75");
    f.chart.SetDataChanged(true);
    ASSERT_TRUE(f.files.SaveSParameterFile(false));
    const std::string saved = readFile(f.dir / "b.s1p");
    EXPECT_NE(saved.find("# GHZ S MA R 75\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\n1.00000 0.25000 -60.00000 \n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\n2.00000 0.50000 -90.00000 \n"), std::string::npos) << saved;

    f.files.StartNewData(50);
    EXPECT_EQ(f.files.Options().impedance, "50");
    EXPECT_TRUE(f.files.Options().memo.empty());
}

// Catches isolation lost on a plain Save: a 4-port with -120 dB between its
// ports, opened, edited in the grid, saved and opened again, keeps every
// value to the written decimals and to three significant digits.
TEST(TSParameterFiles, HighIsolationSurvivesEditAndSave)
{
    for (const char* format : { "MA", "RI" }) {
        SCOPED_TRACE(format);
        Fixture f;
        std::vector<std::complex<double>> values; // record by record, row order
        std::string text = std::string("# GHZ S ") + format + " R 50\n";
        char number[64];
        for (int k = 0; k < 3; ++k) {
            text += std::to_string(k + 1);
            for (int i = 1; i <= 4; ++i)
                for (int j = 1; j <= 4; ++j) {
                    const double mag = i == j ? 0.5 : 1e-6 * (1 + 0.1 * (i + j + k));
                    values.push_back(std::polar(mag, (i * j * 7 + k - 40) * M_PI / 180));
                    const auto v = values.back();
                    if (format[0] == 'M')
                        std::snprintf(number, sizeof number, " %.9e %.4f", mag, std::arg(v) * 180 / M_PI);
                    else
                        std::snprintf(number, sizeof number, " %.9e %.9e", v.real(), v.imag());
                    text += number;
                }
            text += "\n";
        }
        writeFile(f.dir / "switch.s4p", text);
        ASSERT_TRUE(f.files.LoadSParameterFile(f.path("switch.s4p")));
        TNumericGrid grid(f.chart);
        grid.Fill();
        ASSERT_TRUE(grid.SetCellText(0, 1, "0.25")); // |S11| at 1 GHz
        TGridError error;
        bool changed = false;
        ASSERT_TRUE(grid.WriteBack(error, changed)) << error.message;
        values[0] *= 0.5;
        ASSERT_TRUE(f.files.SaveSParameterFile(false));
        ASSERT_TRUE(f.files.LoadSParameterFile(f.path("switch.s4p")));
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 16; ++c) {
                const auto& p = f.chart.CurveAt(c)->Points[static_cast<std::size_t>(k)];
                const auto v = values[static_cast<std::size_t>(16 * k + c)];
                const double err = std::abs(std::complex<double>(p.Re, p.Im) - v);
                EXPECT_LE(err, 1e-5) << k << " " << c;
                EXPECT_LE(err, 0.0071 * std::abs(v)) << k << " " << c << " read " << p.Mag;
            }
    }
}
