#include "tools/sampledata.h"

#include <cmath>
#include <random>
#include <set>

namespace sampledata {

using paradox::FieldType;
using paradox::Table;
using paradox::Value;

namespace {

// A rating the data sheet does not give is stored blank.
Value num(double v)
{
    return std::isnan(v) ? Value() : Value(v);
}
Value text(const char* s)
{
    return s && *s ? Value(std::string(s)) : Value();
}

constexpr double NA = std::numeric_limits<double>::quiet_NaN();

// An empty table of these fields, the first `keyFields` of them the key.
Table keyedTable(std::vector<paradox::FieldDef> fields, int keyFields = 1)
{
    Table t;
    t.fields = std::move(fields);
    t.keyFieldCount = keyFields;
    return t;
}

// `t` with one record for each row, in the rows' order.
template <class Row, std::size_t N, class MakeRecord>
Table withRecords(Table t, const Row (&rows)[N], MakeRecord makeRecord)
{
    for (const Row& r : rows)
        t.records.push_back(makeRecord(r));
    return t;
}

const char* const kNorvia = "Norvia Semiconductors";
const char* const kSaoPaulo = "Semicondutores Ltda. São Paulo";
const char* const kKestrel = "Kestrel Devices";
const char* const kHalvern = "Halvern Electronics";
const char* const kOrimax = "Orimax Components";

struct TransistorRow {
    const char* id;
    const char* use;
    const char* polarity;
    double vceo, vcbo, vebo, ic, pd, tpd;
    const char* hfe1;
    double ichfe1;
    const char* hfe2;
    double ichfe2;
    double vcesat;
    const char* icib;
    double toff, ictoff, ft, ftip, fftip;
    const char* company;
    const char* comments;
    const char* package;
};

// Ratings as the data sheets give them: V, A, W, °C; currents of the gain,
// saturation and switching columns in mA; fT in MHz; noise in dB at f in MHz.
const TransistorRow kTransistors[] = {
    { "2N2222A", "General purpose switch", "NPN", 40, 75, 6, 0.8, 0.5, 25, "100-300", 150, "50-300", 1, 0.3, "150/15",
        285, 150, 300, 4, 0.001, kNorvia, "Complement: 2N2907A. Metal can, emitter next to the tab.", "TO-18" },
    { "2N2907A", "General purpose switch", "PNP", 60, 60, 5, 0.6, 0.4, 25, "100-300", 150, "100-", 1, 0.4, "150/15",
        100, 150, 200, NA, NA, kNorvia, "Complement: 2N2222A.", "TO-18" },
    { "2N2219A", "General purpose switch", "NPN", 40, 75, 6, 0.8, 0.8, 25, "100-300", 150, "50-300", 1, 0.3, "150/15",
        285, 150, 300, 4, 0.001, kKestrel, "Larger can of the 2N2222A die.", "TO-39" },
    { "2N2905A", "General purpose switch", "PNP", 60, 60, 5, 0.6, 0.6, 25, "100-300", 150, "100-", 1, 0.4, "150/15",
        100, 150, 200, NA, NA, kKestrel, "", "TO-39" },
    { "2N1711", "General purpose amplifier", "NPN", 50, 75, 7, 1, 0.8, 25, "100-300", 150, "70-", 1, 1.5, "150/15", NA,
        NA, 70, 8, 0.001, kHalvern, "", "TO-39" },
    { "2N3904", "General purpose amplifier", "NPN", 40, 60, 6, 0.2, 0.625, 25, "100-300", 10, "100-400", 1, 0.2, "10/1",
        250, 10, 300, 5, 0.001, kNorvia, "Complement: 2N3906.", "TO-92" },
    { "2N3906", "General purpose amplifier", "PNP", 40, 40, 5, 0.2, 0.625, 25, "100-300", 10, "100-400", 1, 0.25,
        "10/1", 300, 10, 250, 4, 0.001, kNorvia, "Complement: 2N3904.", "TO-92" },
    { "2N4401", "General purpose switch", "NPN", 40, 60, 6, 0.6, 0.625, 25, "100-300", 150, "40-500", 1, 0.4, "150/15",
        255, 150, 250, NA, NA, kOrimax, "", "TO-92" },
    { "2N4403", "General purpose switch", "PNP", 40, 40, 5, 0.6, 0.625, 25, "100-300", 150, "60-500", 1, 0.4, "150/15",
        255, 150, 200, NA, NA, kOrimax, "", "TO-92" },
    { "PN2222A", "General purpose switch", "NPN", 40, 75, 6, 1, 0.625, 25, "100-300", 150, "50-300", 1, 0.3, "150/15",
        285, 150, 300, 4, 0.001, kOrimax, "Plastic version of the 2N2222A.", " TO-92" },
    { "2N5551", "High voltage amplifier", "NPN", 160, 180, 6, 0.6, 0.625, 25, "80-250", 10, "50-200", 1, 0.15, "10/1",
        NA, NA, 100, 8, 0.001, kSaoPaulo, "Complement: 2N5401.", "TO-92" },
    { "2N5401", "High voltage amplifier", "PNP", 150, 160, 5, 0.6, 0.625, 25, "60-240", 10, "40-200", 1, 0.2, "10/1",
        NA, NA, 100, 8, 0.001, kSaoPaulo, "Complement: 2N5551.", "TO-92" },
    { "MPSA42", "High voltage amplifier", "NPN", 300, 300, 6, 0.5, 0.625, 25, "40-", 30, "-", NA, 0.5, "20/2", NA, NA,
        50, NA, NA, kHalvern, "Video output stages.", "TO-92" },
    { "MPSA92", "High voltage amplifier", "PNP", 300, 300, 5, 0.5, 0.625, 25, "40-", 30, "-", NA, 0.5, "20/2", NA, NA,
        50, NA, NA, kHalvern, "", "TO-92 " },
    { "BC547B", "Audio amplifier", "NPN", 45, 50, 6, 0.1, 0.5, 25, "200-450", 2, "240-500", 2, 0.2, "100/5", NA, NA,
        300, 2, 0.001, kNorvia, "Same ratings as BC547C; gain group B.", "TO-92" },
    { "BC547C", "Audio amplifier", "NPN", 45, 50, 6, 0.1, 0.5, 25, "420-800", 2, "450-900", 2, 0.2, "100/5", NA, NA,
        300, 2, 0.001, kNorvia, "Same ratings as BC547B; gain group C.", "TO-92" },
    { "BC548B", "Audio amplifier", "NPN", 30, 30, 5, 0.1, 0.5, 25, "200-450", 2, "240-500", 2, 0.2, "100/5", NA, NA,
        300, 2, 0.001, kNorvia, "", "TO-92" },
    { "BC549C", "Low noise amplifier", "NPN", 30, 30, 5, 0.1, 0.5, 25, "420-800", 2, "450-900", 2, 0.2, "100/5", NA, NA,
        300, 1.2, 0.001, kNorvia, "Low noise input stages.", "TO-92" },
    { "BC557B", "Audio amplifier", "PNP", 45, 50, 5, 0.1, 0.5, 25, "220-475", 2, "240-500", 2, 0.3, "100/5", NA, NA,
        150, 2, 0.001, kNorvia, "Complement: BC547B.", "TO-92" },
    { "BC558B", "Audio amplifier", "PNP", 30, 30, 5, 0.1, 0.5, 25, "220-475", 2, "240-500", 2, 0.3, "100/5", NA, NA,
        150, 2, 0.001, kNorvia, "", "TO-92" },
    { "BC337-25", "Audio driver", "NPN", 45, 50, 5, 0.8, 0.625, 25, "160-400", 100, "-", NA, 0.7, "500/50", NA, NA, 100,
        NA, NA, kKestrel, "Complement: BC327-25.", "TO-92" },
    { "BC327-25", "Audio driver", "PNP", 45, 50, 5, 0.8, 0.625, 25, "160-400", 100, "-", NA, 0.7, "500/50", NA, NA, 100,
        NA, NA, kKestrel, "Complement: BC337-25.", "TO-92" },
    { "BC639", "Audio driver", "NPN", 80, 100, 5, 1, 0.8, 25, "40-250", 150, "-", NA, 0.5, "500/50", NA, NA, 130, NA,
        NA, kHalvern, "", "TO-92" },
    { "BC640", "Audio driver", "PNP", 80, 100, 5, 1, 0.8, 25, "40-250", 150, "-", NA, 0.5, "500/50", NA, NA, 50, NA, NA,
        kHalvern, "", "TO-92" },
    { "2SC1815", "Audio amplifier", "NPN", 50, 60, 5, 0.15, 0.4, 25, "70-700", 2, "-", NA, 0.25, "100/10", NA, NA, 80,
        1, 0.001, kOrimax, "Complement: 2SA1015.", "TO-92" },
    { "2SC1815\"Y", "Audio amplifier", "NPN", 50, 60, 5, 0.15, 0.4, 25, "120-240", 2, "-", NA, 0.25, "100/10", NA, NA,
        80, 1, 0.001, kOrimax, "Gain group Y; the code carries a quote mark as printed in old catalogues.", "TO-92" },
    { "2SA1015", "Audio amplifier", "PNP", 50, 50, 5, 0.15, 0.4, 25, "70-400", 2, "-", NA, 0.3, "100/10", NA, NA, 80, 1,
        0.001, kOrimax, "Complement: 2SC1815.", "TO-92" },
    { "BF199", "RF/IF amplifier", "NPN", 25, 40, 4, 0.025, 0.5, 25, "38-", 7, "-", NA, NA, "", NA, NA, 550, 2.5, 35,
        kKestrel, "TV IF stages.", "TO-92" },
    { "BF494", "RF amplifier", "NPN", 20, 30, 5, 0.03, 0.5, 25, "67-220", 1, "-", NA, NA, "", NA, NA, 260, 2.5, 100,
        kKestrel, "", "TO-92" },
    { "BF422", "Video amplifier", "NPN", 250, 250, 5, 0.05, 0.83, 25, "50-", 25, "-", NA, 0.6, "30/5", NA, NA, 60, NA,
        NA, kHalvern, "", "TO-92" },
    { "BF423", "Video amplifier", "PNP", 250, 250, 5, 0.05, 0.83, 25, "50-", 25, "-", NA, 0.6, "30/5", NA, NA, 60, NA,
        NA, kHalvern, "", "TO-92" },
    { "2N5179", "UHF oscillator", "NPN", 12, 20, 2.5, 0.05, 0.2, 25, "25-250", 3, "-", NA, 0.4, "10/1", NA, NA, 1400,
        4.5, 200, kNorvia, "Metal can with shield lead.", "TO-72" },
    { "BC847B", "General purpose (SMD)", "NPN", 45, 50, 6, 0.1, 0.25, 25, "200-450", 2, "-", NA, 0.2, "100/5", NA, NA,
        300, 2, 0.001, kNorvia, "Marking 1F.", "SOT-23" },
    { "BC857B", "General purpose (SMD)", "PNP", 45, 50, 5, 0.1, 0.25, 25, "220-475", 2, "-", NA, 0.3, "100/5", NA, NA,
        150, 2, 0.001, kNorvia, "Marking 3F.", "SOT-23" },
    { "MMBT3904", "General purpose (SMD)", "NPN", 40, 60, 6, 0.2, 0.3125, 25, "100-300", 10, "100-400", 1, 0.2, "10/1",
        250, 10, 300, 5, 0.001, kOrimax, "Marking 1AM. Pd of 312.5 mW on a small pad.", "SOT-23" },
    { "MMBT2222A", "General purpose (SMD)", "NPN", 40, 75, 6, 0.6, 0.35, 25, "100-300", 150, "-", NA, 0.3, "150/15",
        285, 150, 300, NA, NA, kOrimax, "Marking 1P.", "SOT-23" },
    { "BD135", "Audio driver", "NPN", 45, 45, 5, 1.5, 12.5, 25, "40-250", 150, "-", NA, 0.5, "500/50", NA, NA, 50, NA,
        NA, kNorvia, "Tpd at case temperature.", "TO-126" },
    { "BD136", "Audio driver", "PNP", 45, 45, 5, 1.5, 12.5, 25, "40-250", 150, "-", NA, 0.5, "500/50", NA, NA, 75, NA,
        NA, kNorvia, "", "TO-126" },
    { "BD139", "Audio driver", "NPN", 80, 80, 5, 1.5, 12.5, 25, "40-250", 150, "-", NA, 0.5, "500/50", NA, NA, 50, NA,
        NA, kNorvia, "Complement: BD140.", "TO-126" },
    { "BD140", "Audio driver", "PNP", 80, 80, 5, 1.5, 12.5, 25, "40-250", 150, "-", NA, 0.5, "500/50", NA, NA, 75, NA,
        NA, kNorvia, "Complement: BD139.", "TO-126" },
    { "TIP31C", "Power amplifier/switch", "NPN", 100, 100, 5, 3, 40, 25, "10-50", 3000, "20-", 0.5, 1.2, "3000/375", NA,
        NA, 3, NA, NA, kSaoPaulo, "Complement: TIP32C.", "TO-220" },
    { "TIP32C", "Power amplifier/switch", "PNP", 100, 100, 5, 3, 40, 25, "10-50", 3000, "20-", 0.5, 1.2, "3000/375", NA,
        NA, 3, NA, NA, kSaoPaulo, "Complement: TIP31C.", "TO-220" },
    { "TIP41C", "Power amplifier/switch", "NPN", 100, 100, 5, 6, 65, 25, "15-75", 3000, "-", NA, 1.5, "6000/600", NA,
        NA, 3, NA, NA, kSaoPaulo, "", "TO-220" },
    { "TIP42C", "Power amplifier/switch", "PNP", 100, 100, 5, 6, 65, 25, "15-75", 3000, "-", NA, 1.5, "6000/600", NA,
        NA, 3, NA, NA, kSaoPaulo, "", " TO-220 " },
    { "TIP120", "Darlington power", "NPN", 60, 60, 5, 5, 65, 25, "1000-", 3000, "-", NA, 2, "3000/12", NA, NA, NA, NA,
        NA, kHalvern, "Built-in base-emitter resistors and a freewheel diode.", "TO-220" },
    { "TIP125", "Darlington power", "PNP", 60, 60, 5, 5, 65, 25, "1000-", 3000, "-", NA, 2, "3000/12", NA, NA, NA, NA,
        NA, kHalvern, "", "TO-220" },
    { "MJE13005", "High voltage switch", "NPN", 400, 700, 9, 4, 75, 25, "10-60", 1000, "-", NA, 0.5, "1000/200", 700,
        2000, 4, NA, NA, kKestrel, "Electronic ballasts and switching supplies.", "TO-220" },
    { "MJE13007", "High voltage switch", "NPN", 400, 700, 9, 8, 80, 25, "8-40", 2000, "-", NA, 1, "5000/1000", 700,
        5000, 4, NA, NA, kKestrel, "", "TO-220" },
    { "2N3055", "Power amplifier", "NPN", 60, 100, 7, 15, 115, 25, "20-70", 4000, "15-", 1000, 1.1, "4000/400", NA, NA,
        2.5, NA, NA, kNorvia, "Complement: MJ2955. Case is the collector.", "TO-3" },
    { "MJ2955", "Power amplifier", "PNP", 60, 100, 7, 15, 115, 25, "20-70", 4000, "15-", 1000, 1.1, "4000/400", NA, NA,
        2.5, NA, NA, kNorvia, "Complement: 2N3055.", "TO-3" },
    { "2N3773", "Power amplifier", "NPN", 140, 160, 7, 16, 150, 25, "15-60", 8000, "-", NA, 1.4, "8000/800", NA, NA, 4,
        NA, NA, kHalvern, "", "TO-3" },
    { "TIP3055", "Power amplifier", "NPN", 60, 100, 7, 15, 90, 25, "20-70", 4000, "-", NA, 1.1, "4000/400", NA, NA, 3,
        NA, NA, kSaoPaulo, "Plastic version of the 2N3055.", "TO-218" },
    { "TIP2955", "Power amplifier", "PNP", 60, 100, 7, 15, 90, 25, "20-70", 4000, "-", NA, 1.1, "4000/400", NA, NA, 3,
        NA, NA, kSaoPaulo, "", "TO-218" },
    { "BU508A", "TV horizontal output", "NPN", 700, 1500, 9, 8, 125, 25, "-", NA, "-", NA, 1, "4500/2000", 700, 4500, 7,
        NA, NA, kKestrel, "Horizontal deflection. Replace together with the flyback capacitor when it failed short.",
        "TO-218" },
    { "2SC5200", "Audio output", "NPN", 230, 230, 5, 15, 150, 25, "55-160", 1000, "-", NA, 3, "8000/800", NA, NA, 30,
        NA, NA, kOrimax, "Complement: 2SA1943.", "TO-3P" },
    { "2SA1943", "Audio output", "PNP", 230, 230, 5, 15, 150, 25, "55-160", 1000, "-", NA, 3, "8000/800", NA, NA, 30,
        NA, NA, kOrimax, "Complement: 2SC5200.", "TO-3P" },
    { "2SD1047", "Audio output", "NPN", 140, 160, 6, 12, 100, 25, "60-200", 1000, "-", NA, 2.5, "7000/700", NA, NA, 15,
        NA, NA, kOrimax, "", "TO-3P" },
    { "2SB817", "Audio output", "PNP", 140, 160, 6, 12, 100, 25, "60-200", 1000, "-", NA, 2.5, "7000/700", NA, NA, 15,
        NA, NA, kOrimax, "", "TO-3P" },
};

struct RectifierRow {
    const char* id;
    const char* use;
    double vrm, vr, io, ifsm, pd;
    const char* company;
    const char* note;
    const char* package;
};

// Vrm, Vr in V; Io in mA; Ifsm in A; Pd in mW (0: not given).
const RectifierRow kRectifiers[] = {
    { "1N4001", "General purpose rectifier", 50, 50, 1000, 30, 0, kNorvia, "Glass passivated", "DO-41" },
    { "1N4002", "General purpose rectifier", 100, 100, 1000, 30, 0, kNorvia, "Glass passivated", "DO-41" },
    { "1N4003", "General purpose rectifier", 200, 200, 1000, 30, 0, kNorvia, "Glass passivated", "DO-41" },
    { "1N4004", "General purpose rectifier", 400, 400, 1000, 30, 0, kNorvia, "Glass passivated", "DO-41" },
    { "1N4005", "General purpose rectifier", 600, 600, 1000, 30, 0, kNorvia, "Glass passivated", "DO-41" },
    { "1N4006", "General purpose rectifier", 800, 800, 1000, 30, 0, kNorvia, "Glass passivated", "DO-41" },
    { "1N4007", "General purpose rectifier", 1000, 1000, 1000, 30, 0, kNorvia, "Glass passivated", "DO-41" },
    { "1N4148", "Small signal switching", 100, 75, 200, 2, 500, kKestrel, "Same ratings as 1N914; trr 4 ns", "DO-35" },
    { "1N914", "Small signal switching", 100, 75, 200, 2, 500, kKestrel, "Same ratings as 1N4148", "DO-35" },
    { "1N4937", "Fast recovery rectifier", 600, 600, 1000, 30, 0, kHalvern, "trr 200 ns", "DO-41" },
    { "FR107", "Fast recovery rectifier", 1000, 1000, 1000, 30, 0, kHalvern, "trr 500 ns", "DO-41" },
    { "BA159", "Fast recovery rectifier", 1000, 1000, 1000, 30, 0, kHalvern, "trr 500 ns", " DO-41" },
    { "UF4004", "Ultrafast rectifier", 400, 400, 1000, 30, 0, kSaoPaulo, "trr 50 ns", "DO-41" },
    { "UF4007", "Ultrafast rectifier", 1000, 1000, 1000, 30, 0, kSaoPaulo, "trr 75 ns", "DO-41" },
    { "1N5817", "Schottky rectifier", 20, 20, 1000, 25, 0, kOrimax, "Vf 0.45 V at 1 A", "DO-41" },
    { "1N5818", "Schottky rectifier", 30, 30, 1000, 25, 0, kOrimax, "Vf 0.55 V at 1 A", "DO-41" },
    { "1N5819", "Schottky rectifier", 40, 40, 1000, 25, 0, kOrimax, "Vf 0.6 V at 1 A", "DO-41" },
    { "1N5820", "Schottky rectifier", 20, 20, 3000, 80, 0, kOrimax, "Vf 0.475 V at 3 A", "DO-201" },
    { "1N5822", "Schottky rectifier", 40, 40, 3000, 80, 0, kOrimax, "Vf 0.525 V at 3 A", "DO-201" },
    { "1N5400", "General purpose rectifier", 50, 50, 3000, 200, 0, kNorvia, "", "DO-201" },
    { "1N5401", "General purpose rectifier", 100, 100, 3000, 200, 0, kNorvia, "", "DO-201" },
    { "1N5402", "General purpose rectifier", 200, 200, 3000, 200, 0, kNorvia, "", "DO-201" },
    { "1N5404", "General purpose rectifier", 400, 400, 3000, 200, 0, kNorvia, "", "DO-201" },
    { "1N5406", "General purpose rectifier", 600, 600, 3000, 200, 0, kNorvia, "", "DO-201" },
    { "1N5407", "General purpose rectifier", 800, 800, 3000, 200, 0, kNorvia, "", "DO-201" },
    { "1N5408", "General purpose rectifier", 1000, 1000, 3000, 200, 0, kNorvia, "", "DO-201 " },
    { "BY255", "General purpose rectifier", 1300, 1300, 3000, 100, 0, kKestrel, "TV power supplies", "DO-201" },
    { "BYV27-200", "Ultrafast rectifier", 200, 200, 2000, 50, 0, kKestrel, "trr 25 ns", "SOD-57" },
    { "P600M", "High current rectifier", 1000, 1000, 6000, 400, 0, kHalvern, "Large axial body", "P600" },
};

struct ZenerRow {
    const char* id;
    const char* mark;
    double vz, iz, pd, tj, rij, tol;
    const char* company;
    const char* note;
    const char* package;
};

// Vz in V at Iz in mA; Pd in W; Tj in °C; Rij in °C/W; tolerance in %.
const ZenerRow kZeners[] = {
    { "1N4728A", "4728A", 3.3, 76, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4729A", "4729A", 3.6, 69, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4730A", "4730A", 3.9, 64, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4731A", "4731A", 4.3, 58, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4732A", "4732A", 4.7, 53, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4733A", "4733A", 5.1, 49, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4734A", "4734A", 5.6, 45, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4735A", "4735A", 6.2, 41, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4736A", "4736A", 6.8, 37, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4737A", "4737A", 7.5, 34, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4738A", "4738A", 8.2, 31, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4739A", "4739A", 9.1, 28, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4740A", "4740A", 10, 25, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4741A", "4741A", 11, 23, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4742A", "4742A", 12, 21, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4743A", "4743A", 13, 19, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4744A", "4744A", 15, 17, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4745A", "4745A", 16, 15.5, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4746A", "4746A", 18, 14, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4747A", "4747A", 20, 12.5, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4748A", "4748A", 22, 11.5, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4749A", "4749A", 24, 10.5, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4750A", "4750A", 27, 9.5, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4751A", "4751A", 30, 8.5, 1, 200, 100, 5, kNorvia, "", "DO-41" },
    { "1N4752A", "4752A", 33, 7.5, 1, 200, 100, 5, kNorvia, "", " DO-41 " },
    { "BZX55C2V7", "C2V7", 2.7, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C3V3", "C3V3", 3.3, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C3V9", "C3V9", 3.9, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C4V7", "C4V7", 4.7, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C5V1", "C5V1", 5.1, 5, 0.5, 175, 300, 5, kKestrel, "Same ratings as BZX79C5V1", "DO-35" },
    { "BZX79C5V1", "5V1", 5.1, 5, 0.5, 175, 300, 5, kSaoPaulo, "Same ratings as BZX55C5V1", "DO-35" },
    { "BZX55C5V6", "C5V6", 5.6, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C6V2", "C6V2", 6.2, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C6V8", "C6V8", 6.8, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C8V2", "C8V2", 8.2, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C10", "C10", 10, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C12", "C12", 12, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C15", "C15", 15, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C18", "C18", 18, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX55C24", "C24", 24, 5, 0.5, 175, 300, 5, kKestrel, "Glass body", "DO-35" },
    { "BZX84C5V1", "Z2", 5.1, 5, 0.3, 150, 420, 5, kOrimax, "Surface mount", "SOT-23" },
    { "BZX84C12", "Y4", 12, 5, 0.3, 150, 420, 5, kOrimax, "Surface mount", "SOT-23" },
    { "1N5338B", "5338B", 5.1, 240, 5, 200, 20, 5, kHalvern, "5 W, large axial body", "DO-201" },
    { "1N5349B", "5349B", 12, 100, 5, 200, 20, 5, kHalvern, "5 W, large axial body", "DO-201" },
};

struct RepairRow {
    const char* company;
    const char* equipment;
    const char* model;
    const char* flaw;
    const char* solution;
};

// The repair page lower-cases what is typed into its quick search, which
// looks the company up in the key, so companies are stored in lower case.
const RepairRow kRepairs[] = {
    { "norvia", "TV", "NT-2150", "Dead, standby LED off",
        "Check the mains fuse. If blown, test the switching transistor (BU508A type) and the bridge diodes (1N4007) "
        "before fitting a new fuse." },
    { "norvia", "TV", "NT-2150", "No picture, sound OK",
        "Horizontal output stage: the BU508A is usually short. Replace it together with the 1N4937 damper diode and "
        "resolder the flyback pins." },
    { "norvia", "TV", "NT-2970", "Picture folds at the bottom",
        "Vertical output IC supply capacitor dried out (220 uF 35 V). Replace and check the 1N4148 in the boost "
        "circuit." },
    { "norvia", "VCR", "NV-310", "Tape not loaded",
        "Loading motor driver transistors BD139/BD140 open. Replace both; check the 5.1 V zener (1N4733A) on the "
        "mechanism controller." },
    { "kestrel", "Amplifier", "KA-100", "Hum in both channels",
        "Filter capacitors of the main supply lost capacitance. Replace both 4700 uF 50 V and check the 1N5408 "
        "bridge." },
    { "kestrel", "Amplifier", "KA-100", "One channel distorted",
        "Output pair 2SC5200/2SA1943 of the bad channel: one device leaky. Replace both as a matched pair and reset "
        "the bias to 25 mA." },
    { "kestrel", "Amplifier", "KA-250", "Protection relay clicks",
        "DC offset on the output: driver BD139 open. After replacement adjust the offset below 20 mV." },
    { "kestrel", "CD player", "KC-7", "Disc not read",
        "Clean the lens; if the laser current is above 60 mA replace the pickup. Check the focus driver transistors "
        "(BC337/BC327)." },
    { "halvern", "Monitor", "HM-14", "Blinking power LED",
        "Secondary short: the 1N5822 Schottky of the 5 V line is shorted. Replace and check the TIP31C regulator pass "
        "transistor." },
    { "halvern", "Monitor", "HM-17", "Image too wide",
        "Width coil driver MJE13005 leaky. Replace with the same type and check the 12 V zener 1N4742A." },
    { "halvern", "Power supply", "HP-30", "No output voltage",
        "Pass transistors 2N3055 open, the current limit resistor 0.22 ohm burnt. Replace both and check the TIP41C "
        "driver." },
    { "orimax", "Rádio", "OR-44 Estéreo", "Sem som, luz acende",
        "Amplificador de áudio: transistores BD135/BD136 abertos. Trocar o par e verificar o diodo 1N4148 de "
        "polarização." },
    { "orimax", "Microwave", "OM-20", "Heats nothing",
        "High voltage diode open (test with a 9 V battery and a meter) and the magnetron fuse blown. Discharge the "
        "capacitor first!" },
    { "orimax", "Charger", "OC-12", "Battery not charged",
        "The 12 V zener 1N4742A in the voltage sense is open, so the TIP120 never conducts. Replace it and check the "
        "1N5401 in series." },
    { "semicondutores", "Fonte", "SP-1000", "Tensão de saída oscila",
        "Capacitor de filtro após a ponte retificadora (1N5408) com ESR alto. Substituir e conferir o transistor "
        "TIP3055." },
};

} // namespace

Table transistorStructure()
{
    return keyedTable({
        { "Identificacao", FieldType::Alpha, 20 },
        { "Uso", FieldType::Alpha, 30 },
        { "Polaridade", FieldType::Alpha, 3 },
        { "Vceo", FieldType::Number, 8 },
        { "Vcbo", FieldType::Number, 8 },
        { "Vebo", FieldType::Number, 8 },
        { "Ic", FieldType::Number, 8 },
        { "Pd", FieldType::Number, 8 },
        { "Tpd", FieldType::Number, 8 },
        { "Hfe1", FieldType::Alpha, 10 },
        { "Ichfe1", FieldType::Number, 8 },
        { "Hfe2", FieldType::Alpha, 10 },
        { "Ichfe2", FieldType::Number, 8 },
        { "Vcesat", FieldType::Number, 8 },
        { "Icib", FieldType::Alpha, 10 },
        { "Toff", FieldType::Number, 8 },
        { "Ictoff", FieldType::Number, 8 },
        { "Ft", FieldType::Number, 8 },
        { "Ftip", FieldType::Number, 8 },
        { "Fftip", FieldType::Number, 8 },
        { "Fabricante", FieldType::Alpha, 40 },
        { "Observacoes", FieldType::Memo, 20 },
        { "Encapsulamento", FieldType::Alpha, 15 },
    });
}

Table rectifierStructure()
{
    return keyedTable({
        { "Identificacao", FieldType::Alpha, 20 },
        { "Uso", FieldType::Alpha, 30 },
        { "Vrm", FieldType::Number, 8 },
        { "Vr", FieldType::Number, 8 },
        { "Io", FieldType::Number, 8 },
        { "Ifsm", FieldType::Number, 8 },
        { "Pd", FieldType::Number, 8 },
        { "Fabricante", FieldType::Alpha, 40 },
        { "Nota", FieldType::Alpha, 60 },
        { "Encapsulamento", FieldType::Alpha, 15 },
    });
}

Table zenerStructure()
{
    return keyedTable({
        { "Identificacao", FieldType::Alpha, 20 },
        { "Marca", FieldType::Alpha, 10 },
        { "Tn", FieldType::Number, 8 },
        { "Iz", FieldType::Number, 8 },
        { "Pd", FieldType::Number, 8 },
        { "Tj", FieldType::Number, 8 },
        { "Rij", FieldType::Number, 8 },
        { "Tolerancia", FieldType::Number, 8 },
        { "Fabricante", FieldType::Alpha, 40 },
        { "Nota", FieldType::Alpha, 60 },
        { "Encapsulamento", FieldType::Alpha, 15 },
    });
}

Table repairStructure()
{
    // Several faults of one model are kept apart by the fault text.
    return keyedTable(
        {
            { "Fabricante", FieldType::Alpha, 15 },
            { "Equipamento", FieldType::Alpha, 15 },
            { "Modelo", FieldType::Alpha, 15 },
            { "Defeito", FieldType::Alpha, 60 },
            { "Descricao", FieldType::Blob, 0 },
        },
        4);
}

Table pictureStructure()
{
    return keyedTable({ { "Identificacao", FieldType::Alpha, 20 }, { "Figura", FieldType::Blob, 0 } });
}

Table transistors()
{
    return withRecords(transistorStructure(), kTransistors, [](const TransistorRow& r) {
        return std::vector<Value> { text(r.id), text(r.use), text(r.polarity), num(r.vceo), num(r.vcbo), num(r.vebo),
            num(r.ic), num(r.pd), num(r.tpd), text(r.hfe1), num(r.ichfe1), text(r.hfe2), num(r.ichfe2), num(r.vcesat),
            text(r.icib), num(r.toff), num(r.ictoff), num(r.ft), num(r.ftip), num(r.fftip), text(r.company),
            text(r.comments), text(r.package) };
    });
}

Table rectifiers()
{
    return withRecords(rectifierStructure(), kRectifiers, [](const RectifierRow& r) {
        return std::vector<Value> { text(r.id), text(r.use), num(r.vrm), num(r.vr), num(r.io), num(r.ifsm), num(r.pd),
            text(r.company), text(r.note), text(r.package) };
    });
}

Table zeners()
{
    return withRecords(zenerStructure(), kZeners, [](const ZenerRow& r) {
        return std::vector<Value> { text(r.id), text(r.mark), num(r.vz), num(r.iz), num(r.pd), num(r.tj), num(r.rij),
            num(r.tol), text(r.company), text(r.note), text(r.package) };
    });
}

Table repairs()
{
    return withRecords(repairStructure(), kRepairs, [](const RepairRow& r) {
        const std::string s = r.solution;
        return std::vector<Value> { text(r.company), text(r.equipment), text(r.model), text(r.flaw),
            paradox::Blob(s.begin(), s.end()) };
    });
}

const std::vector<std::string>& usedPackages()
{
    static const std::vector<std::string> packages = [] {
        std::set<std::string> keys;
        auto add = [&](std::string key) {
            key.erase(0, key.find_first_not_of(' '));
            key.erase(key.find_last_not_of(' ') + 1);
            if (!key.empty())
                keys.insert(key);
        };
        for (const auto& r : kTransistors)
            add(r.package);
        for (const auto& r : kRectifiers)
            add(r.package);
        for (const auto& r : kZeners)
            add(r.package);
        return std::vector<std::string>(keys.begin(), keys.end());
    }();
    return packages;
}

const std::vector<std::string>& picturedPackages()
{
    static const std::vector<std::string> packages = { "TO-18", "TO-39", "TO-92", "TO-72", "TO-126", "TO-220", "TO-3",
        "TO-3P", "SOT-23", "DO-35", "DO-41", "DO-201", "SOD-57" };
    return packages;
}

Table makeTransistorTable(int count, std::uint32_t seed)
{
    Table t = transistorStructure();
    t.records.reserve(static_cast<std::size_t>(std::max(count, 0)), t.fields.size());
    std::mt19937 rng(seed);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    static const char* const uses[] = { "General purpose", "Audio amplifier", "Switching", "Power amplifier",
        "RF amplifier", "High voltage", "Darlington power" };
    static const char* const companies[] = { kNorvia, kSaoPaulo, kKestrel, kHalvern, kOrimax };
    static const double vceos[] = { 12, 20, 25, 30, 40, 45, 60, 80, 100, 140, 160, 230, 300, 400, 700 };
    static const double ics[] = { 0.025, 0.05, 0.1, 0.15, 0.2, 0.5, 0.6, 0.8, 1, 1.5, 3, 4, 6, 8, 15 };
    static const double pds[] = { 0.2, 0.25, 0.3125, 0.5, 0.625, 0.8, 12.5, 40, 65, 90, 115, 150 };
    const auto& packages = picturedPackages();
    char id[16];
    for (int i = 0; i < count; ++i) {
        std::snprintf(id, sizeof id, "T%07d", i + 1);
        const double vceo = vceos[pick(std::size(vceos))];
        const double ic = ics[pick(std::size(ics))];
        // Every tenth part repeats a catalogue value so that equal ratings occur at every size.
        const double pd = i % 10 ? std::round(uniform(0.2, 150) * 1000) / 1000 : pds[pick(std::size(pds))];
        std::vector<Value> r = { std::string(id), std::string(uses[pick(std::size(uses))]),
            std::string(pick(2) ? "NPN" : "PNP"), vceo, vceo * 1.25, 5.0, ic, pd, 25.0,
            std::to_string(20 + pick(200)) + "-" + std::to_string(300 + pick(500)), ic * 200, Value(), Value(),
            std::round(uniform(0.1, 2) * 100) / 100, std::string("100/10"), Value(), Value(),
            std::round(uniform(1, 1500)), Value(), Value(), std::string(companies[pick(std::size(companies))]),
            i % 7 ? Value() : Value(std::string("Generated part for size tests.")), packages[pick(packages.size())] };
        t.records.push_back(std::move(r));
    }
    return t;
}

} // namespace sampledata
