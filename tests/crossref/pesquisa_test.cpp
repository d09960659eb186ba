#include "crossref/colunas.h"
#include "crossref/pesquisa.h"
#include "platform/rtl/format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace crossref;

namespace {

// Restores the process-wide separators after a test changed them.
struct TSeparadores {
    rtl::FormatSettings antes = rtl::formatSettings();
    ~TSeparadores() { rtl::formatSettings() = antes; }
};

double Le(const std::string& texto)
{
    return std::strtod(texto.c_str(), nullptr);
}

} // namespace

// Catches a wrong or missing item in the percentage lists.
TEST(ItensPercentuais, ThirtySevenItemsInThreeSteps)
{
    const auto& itens = ItensPercentuais();
    ASSERT_EQ(itens.size(), 37u);
    EXPECT_EQ(itens.front(), "0");
    EXPECT_EQ(itens[1], "5");
    EXPECT_EQ(itens[20], "100");
    EXPECT_EQ(itens[21], "110");
    EXPECT_EQ(itens[30], "200");
    EXPECT_EQ(itens[31], "250");
    EXPECT_EQ(itens.back(), "500");
}

// Catches bounds that shut the original part out, or that are not SQL numbers.
TEST(CalculaFaixa, BoundsHoldTheOriginalAndTheRaisedValue)
{
    TSeparadores separadores;
    rtl::formatSettings() = { '.', ',' };
    EXPECT_EQ(CalculaFaixa(30.1, 0).baixo, "30.100");
    EXPECT_EQ(CalculaFaixa(30.1, 0).alto, "30.100");
    EXPECT_EQ(CalculaFaixa(0.1004, 0).baixo, "0.100");
    EXPECT_EQ(CalculaFaixa(0.1004, 0).alto, "0.101");
    EXPECT_EQ(CalculaFaixa(45, 50).alto, "67.500");
    EXPECT_EQ(CalculaFaixa(30.1, 50).alto, "45.150"); // 45.150000000000006 in binary
    EXPECT_EQ(CalculaFaixa(45.1500000001, 0).alto, "45.151");
    EXPECT_EQ(CalculaFaixa(0, 500).baixo, "0.000");
    EXPECT_EQ(CalculaFaixa(0, 500).alto, "0.000");
    EXPECT_EQ(CalculaFaixa(123456.0, 10).alto, "135801.600");

    std::mt19937 gerador(7);
    std::uniform_real_distribution<double> valores(0, 2000);
    for (int i = 0; i < 20000; ++i) {
        const double x = (i % 2) ? valores(gerador) : std::round(valores(gerador) * 1000) / 1000;
        const int p = std::atoi(ItensPercentuais()[static_cast<size_t>(i) % 37].c_str());
        const TFaixa f = CalculaFaixa(x, p);
        ASSERT_LE(Le(f.baixo), x) << x;
        ASSERT_GE(Le(f.alto), x) << x << " " << p;
        ASSERT_GE(Le(f.alto), x * (p * 0.01 + 1) * (1 - 1e-12)) << x << " " << p;
        ASSERT_LT(x - Le(f.baixo), 0.0010001) << x;
    }
}

// Catches a locale decimal comma leaking into the SQL text.
TEST(CalculaFaixa, DecimalCommaLocaleStillGivesPoints)
{
    TSeparadores separadores;
    rtl::formatSettings() = { ',', '.' };
    EXPECT_EQ(CalculaFaixa(30.1, 0).baixo, "30.100");
    EXPECT_EQ(CalculaFaixa(12345.5, 0).alto, "12345.500");
    EXPECT_EQ(TextoDeLimite(0.625), "0.625");
}

// Catches wrong SQL texts and values that could end the string literal.
TEST(SqlSimilares, TextsOfTheThreeKinds)
{
    const TFaixa f[3] = { { "1.000", "2.000" }, { "3.000", "4.000" }, { "5.000", "6.000" } };
    EXPECT_EQ(SqlSimilares(TTipoPeca::tpTransistores, f),
        "select * from transistores.db where vceo >= 1.000 and vceo <= 2.000 and ic >= 3.000 and ic <= 4.000 "
        "and pd >= 5.000 and pd <= 6.000");
    EXPECT_EQ(SqlSimilares(TTipoPeca::tpDiodosR, f),
        "select * from diodosr.db where vr >= 1.000 and vr <= 2.000 and  io >= 3.000 and io <= 4.000 and  pd "
        ">= 5.000 and pd <= 6.000");
    EXPECT_EQ(SqlSimilares(TTipoPeca::tpDiodosZ, f),
        "select * from diodosz.db where tn >= 1.000 and tn <= 2.000 and  iz >= 3.000 and iz <= 4.000 and  pd "
        ">= 5.000 and pd <= 6.000");
    TFiltrosTransistor filtros { true, "NPN", true, "AMP \"Q\"" };
    const std::string sql = SqlSimilares(TTipoPeca::tpTransistores, f, filtros);
    EXPECT_NE(sql.find(" and polaridade = \"NPN\" and uso = \"AMP \"\"Q\"\"\""), std::string::npos) << sql;
    EXPECT_EQ(
        SqlPorIdentificacao(TTipoPeca::tpDiodosZ, "1\"A"), "select * from diodosz.db where identificacao = \"1\"\"A\"");
}

// Catches package keys with blanks that miss their picture.
TEST(ChaveDoEncapsulamento, BlanksAreRemovedOnBothSides)
{
    EXPECT_EQ(ChaveDoEncapsulamento("  TO92 "), "TO92");
    EXPECT_EQ(ChaveDoEncapsulamento("\tDO41"), "DO41");
    EXPECT_EQ(ChaveDoEncapsulamento("   "), "");
    EXPECT_EQ(Apara(" A B "), "A B");
}

// Catches a column set out of order or a lost width.
TEST(Colunas, GridsHoldTheirColumnsInOrder)
{
    EXPECT_EQ(ColunasTransistores(2).front().campo, "Polaridade");
    EXPECT_EQ(ColunasTransistores(2).front().largura, 65);
    EXPECT_EQ(ColunasTransistores(4)[5].campo, "Ftip");
    EXPECT_EQ(ColunasTransistores(4)[5].largura, 34);
    EXPECT_EQ(ColunasTransistores(3).size(), 6u);
    EXPECT_EQ(ColunasDiodosR(2)[2].campo, "Io");
    EXPECT_EQ(ColunasDiodosZ(2).back().campo, "Tolerancia");
    EXPECT_EQ(ColunasDiodosZ(2).back().largura, 50);
    EXPECT_TRUE(ColunasDiodosZ(1).front().aEsquerda);
    EXPECT_FALSE(ColunasDiodosZ(1)[1].aEsquerda);
    EXPECT_THROW(ColunasDiodosR(3), std::out_of_range);
}
