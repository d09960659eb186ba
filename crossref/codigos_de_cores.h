#pragma once

// The colour codes of resistors and polyester capacitors: the items of each
// band list, in index order, and the value that a choice of bands stands
// for. Indexes are those of the band lists; an index outside its list
// raises std::out_of_range naming the band.

#include "platform/rtl/format.h"

#include <cstdint>
#include <span>
#include <string>

namespace crossref {

// --- resistors --------------------------------------------------------------

// Captions of the body types `Resistor1`-`Resistor7`.
std::span<const char* const> TiposDeResistor();
// Band a (`Cor1`), digit = index + 1.
std::span<const char* const> CoresPrimeiroDigito();
// Bands b and c (`Cor2`, `Cor3`), digit = index.
std::span<const char* const> CoresDigito();
// Band d (`Multiplicador`).
std::span<const char* const> CoresMultiplicador();
// Band e (`Tolerancia`).
std::span<const char* const> CoresToleranciaResistor();

// Body types 6 and 7 have a third digit band.
bool TemTerceiroDigito(int tipo);

// Captions of the lists `Cor1`, `Cor2`, `Cor3`, `Multiplicador` and
// `Tolerancia` for body type `tipo`, lettered as the bands lie on the body:
// on the two-digit types the third band is the multiplier, the fourth the
// tolerance, and `Cor3` is not read.
std::span<const char* const> LegendasDasBandas(int tipo);

struct TBandasResistor {
    int tipo = 1; // 1 to 7
    int cor1 = 0;
    int cor2 = 0;
    int cor3 = 0; // read only for types 6 and 7
    int multiplicador = 0;
    int tolerancia = 0;
};

enum class TPrefixo { pfNenhum, pfKilo, pfMega };

struct TValorResistor {
    // Hundredths of an ohm: every value of the code is a whole number of them.
    std::int64_t centesimosDeOhm = 0;
    std::string valor; // the number shown before the prefix
    TPrefixo prefixo = TPrefixo::pfNenhum;
    std::string tolerancia;
};

// Number texts use `fs`'s decimal separator.
TValorResistor CalculaResistor(const TBandasResistor& bandas, const rtl::FormatSettings& fs);

// --- polyester capacitors ---------------------------------------------------

// Band a (`CorCapacitor1`), digit = index + 1.
std::span<const char* const> CoresPrimeiroDigitoCapacitor();
// Band b (`CorCapacitor2`), digit = index; band c (`MultiplicadorCapacitor`),
// 10 to the power of the index in pF.
std::span<const char* const> CoresDigitoCapacitor();
// Band d (`ToleranciaCapacitor`).
std::span<const char* const> CoresToleranciaCapacitor();
// Band e (`TensaoCapacitor`).
std::span<const char* const> CoresTensaoCapacitor();

struct TBandasCapacitor {
    int cor1 = 0;
    int cor2 = 0;
    int multiplicador = 0;
    int tolerancia = 0;
    int tensao = 0;
};

struct TValorCapacitor {
    std::int64_t picofarads = 0;
    std::string nanofarads; // shown with the unit "nF"
    std::string tolerancia;
    std::string tensao; // with its unit, e.g. "100V"
};

TValorCapacitor CalculaCapacitor(const TBandasCapacitor& bandas, const rtl::FormatSettings& fs);

} // namespace crossref
