#pragma once

// Texts of the part searches: the percentage lists, the search bounds, the
// SQL of the similar/nearest search and of the one-part query, and the
// package picture key. Kept apart from the window so they are tested alone.

#include <string>
#include <string_view>
#include <vector>

namespace crossref {

enum class TTipoPeca { tpTransistores, tpDiodosR, tpDiodosZ };

// The one of three things that belongs to the kind, given in the order of
// the kinds. Every per-kind choice goes through here, so that a new kind is
// reported by the compiler in one place.
template <class T> T PorTipo(TTipoPeca tipo, T transistores, T diodosR, T diodosZ)
{
    switch (tipo) {
    case TTipoPeca::tpTransistores:
        return transistores;
    case TTipoPeca::tpDiodosR:
        return diodosR;
    case TTipoPeca::tpDiodosZ:
        break;
    }
    return diodosZ;
}

// The 37 items of every percentage box: 0..100 by 5, 110..200 by 10, 250..500 by 50.
const std::vector<std::string>& ItensPercentuais();

// One rating's bounds as SQL number texts (always with a decimal point).
struct TFaixa {
    std::string baixo;
    std::string alto;
};

// Bounds of one rating X for the percentage P: from X up to X x (P x 0.01 + 1),
// both written with "####0.000" in the user's separators and the first comma
// turned into a point. The low bound is rounded down and the high bound up to
// three decimals, so that X itself always lies inside (at 0% too).
TFaixa CalculaFaixa(double valor, int percentual);

// A bound text: FormatFloat("####0.000") with the locale's separators and the
// first ',' replaced by '.'.
std::string TextoDeLimite(double valor);

// Filters of the transistor search; empty optional texts mean "not checked".
struct TFiltrosTransistor {
    bool mesmaPolaridade = false;
    std::string polaridade;
    bool mesmoTipoDeUso = false;
    std::string uso;
};

// "select * from <table> where vceo >= ... and pd <= ..." for the three
// ratings of the kind, in the kind's order; values in text literals are
// quoted safely.
std::string SqlSimilares(TTipoPeca tipo, const TFaixa faixas[3], const TFiltrosTransistor& filtros = {});

// The query that holds only the part `identificacao` (first show).
std::string SqlPorIdentificacao(TTipoPeca tipo, std::string_view identificacao);

// The query that the data module opens first: every part of the kind.
std::string SqlInicial(TTipoPeca tipo);

// Names of the kind's three searched rating fields, in search order.
const char* const* CamposPesquisados(TTipoPeca tipo);

// The package picture key: the Encapsulamento text without leading and
// trailing blanks (for every kind).
std::string ChaveDoEncapsulamento(std::string_view encapsulamento);

// A text with leading and trailing blanks (space, tab, control characters) removed.
std::string Apara(std::string_view texto);

// A double-quoted SQL string literal holding `valor` exactly.
std::string LiteralSql(std::string_view valor);

} // namespace crossref
