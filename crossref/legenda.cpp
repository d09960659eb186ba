#include "crossref/legenda.h"

#include <iterator>

namespace crossref {

namespace {

struct TEntrada {
    const char* texto;
    bool segundaLinhaVazia; // headings and the ends of two groups
};

const TEntrada kEntradas[] = {
    { "Simbols", true },
    { "@ = Links two columns, i. e.:", false },
    { "\tHFE @ Ic (mA)", false },
    { "\tshows the Ic value to wich HFE refers.", false },
    { "tip = tipical value", false },
    { "max = maximum value", false },
    { "min = minimum value", false },
    { "Transistors", true },
    { "Identification = device code", false },
    { "Polarity = PNP ou NPN", false },
    { "Vceo = Coletor-emitter voltage", false },
    { "Vcbo = Colector-base voltage", false },
    { "Vebo = Emitter-base voltage", false },
    { "Ic = CC Colector current", false },
    { "Pd = Total power dissipation", false },
    { "Tamb = Ambient temperature, Celsius", false },
    { "Tcas = Case temperature", false },
    { "HFE = CC Current gain", false },
    { "Hfe = Small signal current gain", false },
    { "Vcesat = Colector-emitter saturation voltage", false },
    { "Ic/Ib = Colector/base current relation", false },
    { "toff = Time to occur the turn-off", false },
    { "fT = Transition frequency", false },
    { "F = Noise figure", false },
    { "f = Frequency at wich F occurs", true },
    { "Rectifier diodes", true },
    { "Identification = Component code", false },
    { "Vrm = Reverse peak voltage", false },
    { "Vr = CC reverse voltage", false },
    { "If = CC direct current", false },
    { "Ifsm = Surge current", false },
    { "Pd = Total power dissipation", true },
    { "Zener diodes", true },
    { "Vz = Work voltage", false },
    { "Iz = Zener current", false },
    { "Pd = Total power dissipation", false },
    { "Tj = Juntion temperature, Celsius", false },
    { "Rij = Juntion thermal resistance", false },
    { "Tolerance = Pd variation", false },
};

} // namespace

QStringList LinhasDaLegenda()
{
    QStringList linhas;
    const size_t n = std::size(kEntradas);
    for (size_t i = 0; i < n; ++i) {
        linhas << QString::fromUtf8(kEntradas[i].texto);
        if (i + 1 == n)
            break;
        linhas << QString();
        if (kEntradas[i].segundaLinhaVazia)
            linhas << QString();
    }
    return linhas;
}

} // namespace crossref
