#include "crossref/codigos_de_cores.h"

#include <array>
#include <stdexcept>

namespace crossref {

namespace {

constexpr std::array<const char*, 7> kTipos = { "1- Metalic film, not inflamable", "2- Metalic film, power",
    "3- Metalic film, general use", "4- Metalic film, general use", "5- Metalic film, general use",
    "6- Metalic film, general use", "7- Carbon film, precision" };

constexpr std::array<const char*, 9> kPrimeiroDigito
    = { "Brown", "Red", "Orange", "Yellow", "Green", "Blue", "Violet", "Gray", "White" };

constexpr std::array<const char*, 10> kDigito
    = { "Black", "Brown", "Red", "Orange", "Yellow", "Green", "Blue", "Violet", "Gray", "White" };

// Index k stands for 10^k hundredths of an ohm: Silver 0.01, Gold 0.1, then
// Black 1 up to White 10^9 as on every resistor body.
constexpr std::array<const char*, 12> kMultiplicador
    = { "Silver", "Gold", "Black", "Brown", "Red", "Orange", "Yellow", "Green", "Blue", "Violet", "Gray", "White" };

constexpr std::array<const char*, 6> kToleranciaResistor = { "Silver", "Gold", "Brown", "Red", "Green", "No color" };
// Per cent; written with the user's decimal separator, as the value is.
constexpr std::array<double, 6> kPorCentoToleranciaResistor = { 10, 5, 1, 2, 0.5, 20 };

constexpr std::array<const char*, 4> kToleranciaCapacitor = { "Silver", "Black", "White", "Body color" };
constexpr std::array<const char*, 4> kTextoToleranciaCapacitor = { "10%", "20%", "10%", "20%" };

constexpr std::array<const char*, 9> kTensao
    = { "Brown", "Red", "Orange", "Yellow", "Green", "Blue", "Violet", "Gray", "White" };

constexpr std::array<const char*, 5> kLegendasCincoBandas
    = { "a - 1st. number", "b - 2nd. number", "c - 3rd. number", "d - multiplier", "e - tolerance" };
constexpr std::array<const char*, 5> kLegendasQuatroBandas
    = { "a - 1st. number", "b - 2nd. number", "3rd. number (types 6 and 7)", "c - multiplier", "d - tolerance" };

int Confere(int indice, std::size_t quantos, const char* banda)
{
    if (indice < 0 || static_cast<std::size_t>(indice) >= quantos)
        throw std::out_of_range(std::string("No colour chosen in band ") + banda + " (item " + std::to_string(indice)
            + " of " + std::to_string(quantos) + ")");
    return indice;
}

std::int64_t PotenciaDeDez(int expoente)
{
    std::int64_t p = 1;
    for (int i = 0; i < expoente; ++i)
        p *= 10;
    return p;
}

} // namespace

std::span<const char* const> TiposDeResistor()
{
    return kTipos;
}
std::span<const char* const> CoresPrimeiroDigito()
{
    return kPrimeiroDigito;
}
std::span<const char* const> CoresDigito()
{
    return kDigito;
}
std::span<const char* const> CoresMultiplicador()
{
    return kMultiplicador;
}
std::span<const char* const> CoresToleranciaResistor()
{
    return kToleranciaResistor;
}
std::span<const char* const> CoresPrimeiroDigitoCapacitor()
{
    return kPrimeiroDigito;
}
std::span<const char* const> CoresDigitoCapacitor()
{
    return kDigito;
}
std::span<const char* const> CoresToleranciaCapacitor()
{
    return kToleranciaCapacitor;
}
std::span<const char* const> CoresTensaoCapacitor()
{
    return kTensao;
}

bool TemTerceiroDigito(int tipo)
{
    return tipo == 6 || tipo == 7;
}

std::span<const char* const> LegendasDasBandas(int tipo)
{
    if (TemTerceiroDigito(tipo))
        return kLegendasCincoBandas;
    return kLegendasQuatroBandas;
}

TValorResistor CalculaResistor(const TBandasResistor& b, const rtl::FormatSettings& fs)
{
    if (b.tipo < 1 || b.tipo > static_cast<int>(kTipos.size()))
        throw std::out_of_range("No resistor type " + std::to_string(b.tipo));
    std::int64_t digitos
        = (Confere(b.cor1, kPrimeiroDigito.size(), "a") + 1) * 10 + Confere(b.cor2, kDigito.size(), "b");
    const bool cincoBandas = TemTerceiroDigito(b.tipo);
    if (cincoBandas)
        digitos = digitos * 10 + Confere(b.cor3, kDigito.size(), "c");
    const int k = Confere(b.multiplicador, kMultiplicador.size(), cincoBandas ? "d" : "c");
    const int t = Confere(b.tolerancia, kToleranciaResistor.size(), cincoBandas ? "e" : "d");

    // Whole hundredths keep every value exact (at most 999 x 10^11).
    TValorResistor r;
    r.centesimosDeOhm = digitos * PotenciaDeDez(k);
    const std::int64_t c = r.centesimosDeOhm;
    if (c < 100) {
        r.valor = rtl::FormatFloat("0.##", static_cast<double>(c) / 100, fs);
    } else if (c < 100'000) {
        r.valor = rtl::FormatFloat("##0.###", static_cast<double>(c) / 100, fs);
    } else if (c < 100'000'000) {
        r.valor = rtl::FormatFloat("##0.###", static_cast<double>(c) / 100'000, fs);
        r.prefixo = TPrefixo::pfKilo;
    } else {
        r.valor = rtl::FormatFloat("##0.###", static_cast<double>(c) / 100'000'000, fs);
        r.prefixo = TPrefixo::pfMega;
    }
    r.tolerancia = rtl::FormatFloat("0.#", kPorCentoToleranciaResistor[static_cast<std::size_t>(t)], fs) + "%";
    return r;
}

TValorCapacitor CalculaCapacitor(const TBandasCapacitor& b, const rtl::FormatSettings& fs)
{
    const std::int64_t digitos
        = (Confere(b.cor1, kPrimeiroDigito.size(), "a") + 1) * 10 + Confere(b.cor2, kDigito.size(), "b");
    const int k = Confere(b.multiplicador, kDigito.size(), "c");
    const int t = Confere(b.tolerancia, kToleranciaCapacitor.size(), "d");
    const int v = Confere(b.tensao, kTensao.size(), "e");

    TValorCapacitor r;
    r.picofarads = digitos * PotenciaDeDez(k);
    r.nanofarads = rtl::FormatFloat("##0.#######", static_cast<double>(r.picofarads) / 1000, fs);
    r.tolerancia = kTextoToleranciaCapacitor[static_cast<std::size_t>(t)];
    r.tensao = rtl::FormatFloat("##0", v * 100 + 100, fs) + "V";
    return r;
}

} // namespace crossref
