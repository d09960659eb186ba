#include "crossref/pesquisa.h"

#include "platform/db/dataset.h"
#include "platform/rtl/format.h"

#include <cmath>

namespace crossref {

const std::vector<std::string>& ItensPercentuais()
{
    static const std::vector<std::string> itens = [] {
        std::vector<std::string> v;
        for (int p = 0; p <= 100; p += 5)
            v.push_back(std::to_string(p));
        for (int p = 110; p <= 200; p += 10)
            v.push_back(std::to_string(p));
        for (int p = 250; p <= 500; p += 50)
            v.push_back(std::to_string(p));
        return v;
    }();
    return itens;
}

std::string TextoDeLimite(double valor)
{
    std::string texto = rtl::FormatFloat("####0.000", valor);
    if (auto virgula = texto.find(','); virgula != std::string::npos)
        texto[virgula] = '.';
    return texto;
}

namespace {

// k / 1000 is the correctly rounded double of the text "k/1000", so these
// comparisons see exactly what the query engine will compare with.
double MilesimoAbaixo(double x)
{
    double k = std::floor(x * 1000.0);
    while (k / 1000.0 > x)
        k -= 1.0;
    return k / 1000.0;
}

// `x` comes out of a product and may sit a hair above the three-decimal
// value it stands for (30.1 x 1.5 = 45.150000000000006): such a value keeps
// its own bound instead of moving up a thousandth, as long as the bound
// stays at or above `piso` (the original value, which must always match).
double MilesimoAcima(double x, double piso)
{
    const double proximo = std::round(x * 1000.0);
    if (std::abs(x * 1000.0 - proximo) <= 1e-12 * std::max(1.0, std::abs(x * 1000.0)) && proximo / 1000.0 >= piso)
        return proximo / 1000.0;
    double k = std::ceil(x * 1000.0);
    while (k / 1000.0 < x)
        k += 1.0;
    return k / 1000.0;
}

} // namespace

TFaixa CalculaFaixa(double valor, int percentual)
{
    const double fator = percentual * 0.01 + 1;
    if (!std::isfinite(valor))
        valor = 0;
    return { TextoDeLimite(MilesimoAbaixo(valor)), TextoDeLimite(MilesimoAcima(valor * fator, valor)) };
}

std::string LiteralSql(std::string_view valor)
{
    // The data layer's quoting matches what its query translator reads back.
    return db::QuotedSqlString(valor);
}

const char* const* CamposPesquisados(TTipoPeca tipo)
{
    static const char* const transistores[] = { "Vceo", "Ic", "Pd" };
    static const char* const diodosR[] = { "Vr", "Io", "Pd" };
    static const char* const diodosZ[] = { "Tn", "Iz", "Pd" };
    return PorTipo<const char* const*>(tipo, transistores, diodosR, diodosZ);
}

namespace {

const char* NomeDaTabela(TTipoPeca tipo)
{
    return PorTipo<const char*>(tipo, "transistores.db", "diodosr.db", "diodosz.db");
}

} // namespace

namespace {

// A blank rating reads as 0 in the part's own fields, so a range that
// holds 0 also takes the parts whose rating is blank.
std::string Entre(const char* campo, const TFaixa& f)
{
    const std::string faixa = std::string(campo) + " >= " + f.baixo + " and " + campo + " <= " + f.alto;
    double baixo = 0, alto = 0;
    if (!rtl::TryStrToFloat(f.baixo, baixo) || !rtl::TryStrToFloat(f.alto, alto) || baixo > 0 || alto < 0)
        return faixa;
    return "(" + faixa + " or " + campo + " is null)";
}

} // namespace

std::string SqlSimilares(TTipoPeca tipo, const TFaixa f[3], const TFiltrosTransistor& filtros)
{
    std::string sql;
    switch (tipo) {
    case TTipoPeca::tpTransistores:
        sql = "select * from transistores.db where " + Entre("vceo", f[0]) + " and " + Entre("ic", f[1]) + " and "
            + Entre("pd", f[2]);
        if (filtros.mesmaPolaridade)
            sql += " and polaridade = " + LiteralSql(filtros.polaridade);
        if (filtros.mesmoTipoDeUso)
            sql += " and uso = " + LiteralSql(filtros.uso);
        break;
    case TTipoPeca::tpDiodosR:
        sql = "select * from diodosr.db where " + Entre("vr", f[0]) + " and  " + Entre("io", f[1]) + " and  "
            + Entre("pd", f[2]);
        break;
    case TTipoPeca::tpDiodosZ:
        sql = "select * from diodosz.db where " + Entre("tn", f[0]) + " and  " + Entre("iz", f[1]) + " and  "
            + Entre("pd", f[2]);
        break;
    }
    return sql;
}

std::string SqlPorIdentificacao(TTipoPeca tipo, std::string_view identificacao)
{
    return std::string("select * from ") + NomeDaTabela(tipo) + " where identificacao = " + LiteralSql(identificacao);
}

std::string SqlInicial(TTipoPeca tipo)
{
    return std::string("select * from ") + NomeDaTabela(tipo);
}

std::string Apara(std::string_view texto)
{
    size_t inicio = 0, fim = texto.size();
    while (inicio < fim && static_cast<unsigned char>(texto[inicio]) <= ' ')
        ++inicio;
    while (fim > inicio && static_cast<unsigned char>(texto[fim - 1]) <= ' ')
        --fim;
    return std::string(texto.substr(inicio, fim - inicio));
}

std::string ChaveDoEncapsulamento(std::string_view encapsulamento)
{
    return Apara(encapsulamento);
}

} // namespace crossref
