#pragma once

// Column sets of the part grids: which fields, in which order, how wide and
// how aligned. The heading texts go on the labels above each grid.

#include <string>
#include <vector>

namespace crossref {

struct TColuna {
    std::string campo; // field name
    std::string titulo; // heading shown above the grid
    int largura = 64; // pixels
    bool aEsquerda = false; // identification columns; all others centred
};

using TColunas = std::vector<TColuna>;

// Transistor grids 1 to 4, rectifier grids 1 and 2, zener grids 1 and 2.
const TColunas& ColunasTransistores(int grade);
const TColunas& ColunasDiodosR(int grade);
const TColunas& ColunasDiodosZ(int grade);

} // namespace crossref
