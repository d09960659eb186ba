// The colour codes against values worked out by hand from the bands.

#include "crossref/codigos_de_cores.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace crossref;

namespace {

const rtl::FormatSettings kPonto { '.', ',' };
const rtl::FormatSettings kVirgula { ',', '.' };

int Indice(std::span<const char* const> itens, const std::string& cor)
{
    for (size_t i = 0; i < itens.size(); ++i)
        if (cor == itens[i])
            return static_cast<int>(i);
    ADD_FAILURE() << "no item " << cor;
    return -1;
}

// Bands by colour name, as a user reads them off the body.
TBandasResistor Resistor(int tipo, const std::string& a, const std::string& b, const std::string& c,
    const std::string& d, const std::string& e = "Gold")
{
    TBandasResistor r;
    r.tipo = tipo;
    r.cor1 = Indice(CoresPrimeiroDigito(), a);
    r.cor2 = Indice(CoresDigito(), b);
    r.cor3 = c.empty() ? 0 : Indice(CoresDigito(), c);
    r.multiplicador = Indice(CoresMultiplicador(), d);
    r.tolerancia = Indice(CoresToleranciaResistor(), e);
    return r;
}

TBandasCapacitor Capacitor(const std::string& a, const std::string& b, const std::string& c,
    const std::string& d = "Black", const std::string& e = "Brown")
{
    TBandasCapacitor r;
    r.cor1 = Indice(CoresPrimeiroDigitoCapacitor(), a);
    r.cor2 = Indice(CoresDigitoCapacitor(), b);
    r.multiplicador = Indice(CoresDigitoCapacitor(), c);
    r.tolerancia = Indice(CoresToleranciaCapacitor(), d);
    r.tensao = Indice(CoresTensaoCapacitor(), e);
    return r;
}

struct TEsperado {
    const char* valor;
    TPrefixo prefixo;
    std::int64_t centesimos;
};

void Confere(const TBandasResistor& bandas, const TEsperado& e, const rtl::FormatSettings& fs = kPonto)
{
    const TValorResistor r = CalculaResistor(bandas, fs);
    EXPECT_EQ(r.valor, e.valor) << e.centesimos;
    EXPECT_EQ(r.prefixo, e.prefixo) << e.centesimos;
    EXPECT_EQ(r.centesimosDeOhm, e.centesimos);
}

} // namespace

// Catches a multiplier a decade off (Red-Red-Orange is 22 kilohms on every
// resistor), a wrong digit offset in band a, or the wrong prefix.
TEST(CodigoDeResistor, FourBandValuesAndPrefixes)
{
    using enum TPrefixo;
    Confere(Resistor(1, "Brown", "Black", "", "Silver"), { "0.1", pfNenhum, 10 });
    Confere(Resistor(1, "White", "White", "", "Silver"), { "0.99", pfNenhum, 99 });
    Confere(Resistor(2, "Brown", "Black", "", "Gold"), { "1", pfNenhum, 100 });
    Confere(Resistor(3, "Yellow", "Violet", "", "Gold"), { "4.7", pfNenhum, 470 });
    Confere(Resistor(4, "Red", "Red", "", "Black"), { "22", pfNenhum, 2200 });
    Confere(Resistor(5, "Yellow", "Violet", "", "Brown"), { "470", pfNenhum, 47000 });
    Confere(Resistor(1, "Red", "Red", "", "Red"), { "2.2", pfKilo, 220000 });
    Confere(Resistor(1, "Red", "Red", "", "Orange"), { "22", pfKilo, 2200000 });
    Confere(Resistor(1, "Brown", "Black", "", "Yellow"), { "100", pfKilo, 10000000 });
    Confere(Resistor(1, "Brown", "Black", "", "Green"), { "1", pfMega, 100000000 });
    Confere(Resistor(1, "Gray", "Red", "", "Blue"), { "82", pfMega, 8200000000 });
    Confere(Resistor(1, "White", "White", "", "White"), { "99000", pfMega, 9900000000000 });
}

// Catches band c read on a two-digit body, or ignored on a precision one,
// and a prefix chosen on the wrong side of 1000 and 1000000 ohms.
TEST(CodigoDeResistor, ThirdBandOnlyForTypesSixAndSeven)
{
    using enum TPrefixo;
    for (int tipo = 1; tipo <= 7; ++tipo)
        EXPECT_EQ(TemTerceiroDigito(tipo), tipo >= 6) << tipo;
    EXPECT_EQ(CalculaResistor(Resistor(5, "Red", "Red", "White", "Black"), kPonto).valor, "22");
    Confere(Resistor(6, "Red", "Red", "White", "Black"), { "229", pfNenhum, 22900 });
    Confere(Resistor(7, "Brown", "Black", "Black", "Silver"), { "1", pfNenhum, 100 });
    Confere(Resistor(7, "Yellow", "Violet", "Green", "Silver"), { "4.75", pfNenhum, 475 });
    Confere(Resistor(6, "White", "White", "White", "Black"), { "999", pfNenhum, 99900 });
    Confere(Resistor(6, "Brown", "Black", "Black", "Brown"), { "1", pfKilo, 100000 });
    Confere(Resistor(6, "Yellow", "Violet", "Green", "Brown"), { "4.75", pfKilo, 475000 });
    Confere(Resistor(7, "White", "White", "White", "Orange"), { "999", pfKilo, 99900000 });
    Confere(Resistor(7, "Brown", "Black", "Black", "Yellow"), { "1", pfMega, 100000000 });
    Confere(Resistor(7, "Brown", "Black", "Brown", "Blue"), { "101", pfMega, 10100000000 });
    Confere(Resistor(7, "White", "White", "White", "White"), { "999000", pfMega, 99900000000000 });
}

// Catches a value text that ignores the user's decimal separator.
TEST(CodigoDeResistor, DecimalSeparatorOfTheUser)
{
    using enum TPrefixo;
    Confere(Resistor(1, "Brown", "Black", "", "Silver"), { "0,1", pfNenhum, 10 }, kVirgula);
    Confere(Resistor(1, "Red", "Red", "", "Red"), { "2,2", pfKilo, 220000 }, kVirgula);
    Confere(Resistor(6, "Yellow", "Violet", "Green", "Silver"), { "4,75", pfNenhum, 475 }, kVirgula);
    EXPECT_EQ(CalculaResistor(Resistor(1, "Red", "Red", "", "Red", "Green"), kVirgula).tolerancia, "0,5%");
}

// Catches tolerance texts swapped between colours.
TEST(CodigoDeResistor, ToleranceOfEachColour)
{
    const std::pair<const char*, const char*> casos[] = { { "Silver", "10%" }, { "Gold", "5%" }, { "Brown", "1%" },
        { "Red", "2%" }, { "Green", "0.5%" }, { "No color", "20%" } };
    ASSERT_EQ(CoresToleranciaResistor().size(), std::size(casos));
    for (const auto& [cor, texto] : casos)
        EXPECT_EQ(CalculaResistor(Resistor(1, "Brown", "Black", "", "Brown", cor), kPonto).tolerancia, texto) << cor;
}

// Catches a band without a colour (or a stray index) turned into a number
// instead of refused with the band's letter.
TEST(CodigoDeResistor, BandWithoutColourIsRefused)
{
    auto mensagem = [](TBandasResistor b) {
        try {
            CalculaResistor(b, kPonto);
        } catch (const std::out_of_range& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    TBandasResistor b;
    b.cor1 = -1;
    EXPECT_NE(mensagem(b).find("band a"), std::string::npos) << mensagem(b);
    b = {};
    b.cor2 = 10;
    EXPECT_NE(mensagem(b).find("band b"), std::string::npos);
    b = {};
    b.tipo = 6;
    b.cor3 = -1;
    EXPECT_NE(mensagem(b).find("band c"), std::string::npos);
    b.tipo = 1; // band c is not read on this body
    EXPECT_EQ(mensagem(b), "accepted");
    // On a two-digit body the multiplier is the third band, the tolerance the fourth.
    b = {};
    b.multiplicador = static_cast<int>(CoresMultiplicador().size());
    EXPECT_NE(mensagem(b).find("band c"), std::string::npos);
    b.tipo = 6;
    EXPECT_NE(mensagem(b).find("band d"), std::string::npos);
    b = {};
    b.tolerancia = -1;
    EXPECT_NE(mensagem(b).find("band d"), std::string::npos);
    b.tipo = 7;
    EXPECT_NE(mensagem(b).find("band e"), std::string::npos);
    b = {};
    b.tipo = 8;
    EXPECT_THROW(CalculaResistor(b, kPonto), std::out_of_range);
}

// Catches a capacitance off by a decade, shown in the wrong unit, or
// rounded away below one nanofarad.
TEST(CodigoDeCapacitor, CapacitanceInNanofarads)
{
    const std::tuple<TBandasCapacitor, const char*, std::int64_t> casos[] = {
        { Capacitor("Brown", "Black", "Yellow"), "100", 100000 },
        { Capacitor("Brown", "Black", "Black"), "0.01", 10 },
        { Capacitor("Brown", "Black", "Brown"), "0.1", 100 },
        { Capacitor("Yellow", "Violet", "Red"), "4.7", 4700 },
        { Capacitor("Red", "Red", "Orange"), "22", 22000 },
        { Capacitor("Brown", "Red", "Green"), "1200", 1200000 },
        { Capacitor("White", "White", "White"), "99000000", 99000000000 },
    };
    for (const auto& [bandas, texto, pf] : casos) {
        const TValorCapacitor r = CalculaCapacitor(bandas, kPonto);
        EXPECT_EQ(r.nanofarads, texto) << pf;
        EXPECT_EQ(r.picofarads, pf);
    }
    EXPECT_EQ(CalculaCapacitor(Capacitor("Yellow", "Violet", "Red"), kVirgula).nanofarads, "4,7");
    EXPECT_EQ(CalculaCapacitor(Capacitor("Red", "Red", "Brown"), kVirgula).nanofarads, "0,22");
}

// Catches tolerance or voltage texts read from the wrong band or index.
TEST(CodigoDeCapacitor, ToleranceAndWorkVoltage)
{
    const std::pair<const char*, const char*> tolerancias[]
        = { { "Silver", "10%" }, { "Black", "20%" }, { "White", "10%" }, { "Body color", "20%" } };
    for (const auto& [cor, texto] : tolerancias)
        EXPECT_EQ(CalculaCapacitor(Capacitor("Brown", "Black", "Yellow", cor), kPonto).tolerancia, texto) << cor;
    const std::pair<const char*, const char*> tensoes[]
        = { { "Brown", "100V" }, { "Red", "200V" }, { "Yellow", "400V" }, { "Gray", "800V" }, { "White", "900V" } };
    for (const auto& [cor, texto] : tensoes)
        EXPECT_EQ(CalculaCapacitor(Capacitor("Brown", "Black", "Yellow", "Black", cor), kPonto).tensao, texto) << cor;

    TBandasCapacitor b;
    b.tensao = 9;
    EXPECT_THROW(CalculaCapacitor(b, kPonto), std::out_of_range);
    b = {};
    b.multiplicador = -1;
    EXPECT_THROW(CalculaCapacitor(b, kPonto), std::out_of_range);
}
