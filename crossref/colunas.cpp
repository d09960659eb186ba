#include "crossref/colunas.h"

#include <stdexcept>

namespace crossref {

namespace {

const TColunas& Escolhe(const std::vector<TColunas>& grades, int grade)
{
    if (grade < 1 || grade > static_cast<int>(grades.size()))
        throw std::out_of_range("no such part grid: " + std::to_string(grade));
    return grades[static_cast<size_t>(grade - 1)];
}

} // namespace

const TColunas& ColunasTransistores(int grade)
{
    // Ic/Ib is a text of up to ten characters ("10000/1000").
    static const std::vector<TColunas> grades = {
        { { "Identificacao", "Identification", 110, true }, { "Uso", "Type of use", 170 } },
        { { "Polaridade", "Polarity", 65 }, { "Vceo", "Vceo (V)", 56 }, { "Vcbo", "Vcbo (V)", 56 },
            { "Vebo", "Vebo (V)", 56 }, { "Ic", "Ic (A)", 56 } },
        { { "Pd", "Pd (W)", 56 }, { "Tpd", "Tamb Tenc(**)", 76 }, { "Hfe1", "HFE", 60 }, { "Ichfe1", "@ Ic (mA)", 60 },
            { "Hfe2", "Hfe", 60 }, { "Ichfe2", "@ Ic (mA)", 60 } },
        { { "Vcesat", "Vcesat (V)", 60 }, { "Icib", "@ Ic/Ib", 76 }, { "Toff", "toff max. (ns)", 76 },
            { "Ictoff", "@ Ic (mA)", 60 }, { "Ft", "fT (MHz)", 56 }, { "Ftip", "Ftip", 34 },
            { "Fftip", "@ f (MHz)", 60 } },
    };
    return Escolhe(grades, grade);
}

const TColunas& ColunasDiodosR(int grade)
{
    static const std::vector<TColunas> grades = {
        { { "Identificacao", "Identification", 110, true }, { "Uso", "Type", 160 } },
        { { "Vrm", "Vrm (V)", 64 }, { "Vr", "Vr (V)", 64 }, { "Io", "If (mA)", 64 }, { "Ifsm", "Ifsm (A)", 64 },
            { "Pd", "Pd (mW)", 64 } },
    };
    return Escolhe(grades, grade);
}

const TColunas& ColunasDiodosZ(int grade)
{
    static const std::vector<TColunas> grades = {
        { { "Identificacao", "Identification", 110, true }, { "Marca", "Mark", 80 }, { "Tn", "Vz (V)", 64 } },
        { { "Iz", "Iz (mA)", 64 }, { "Pd", "Pd (W)", 64 }, { "Tj", "Tj", 50 }, { "Rij", "Rij", 50 },
            { "Tolerancia", "Tol. (%)", 50 } },
    };
    return Escolhe(grades, grade);
}

} // namespace crossref
