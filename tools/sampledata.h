#pragma once

// Sample tables of the cross-reference program: their structures, a catalogue
// of real public part codes with their data-sheet ratings, and a generator of
// transistor tables of any size for benchmarks and tests.

#include "platform/paradox/paradox.h"

#include <cstdint>
#include <filesystem>

namespace sampledata {

// Empty tables with the fields and keys the program reads.
paradox::Table transistorStructure(); // transistores: key Identificacao
paradox::Table rectifierStructure(); // diodosr: key Identificacao
paradox::Table zenerStructure(); // diodosz: key Identificacao
paradox::Table repairStructure(); // Reparos: key Fabricante, Equipamento, Modelo, Defeito
paradox::Table pictureStructure(); // graficos: key Identificacao, blob Figura

// The shipped sample parts and repair records.
paradox::Table transistors();
paradox::Table rectifiers();
paradox::Table zeners();
paradox::Table repairs();

// Every package key the sample parts use, without blanks; each has its
// picture in graficos.
const std::vector<std::string>& usedPackages();
// The packages whose pictures the help's Imagens folder carries too.
const std::vector<std::string>& picturedPackages();

// A transistor table of `count` parts with distinct keys ("T0000001", ...),
// ratings spread over realistic ranges and a few equal-rated parts, made the
// same way for the same count and seed.
paradox::Table makeTransistorTable(int count, std::uint32_t seed = 1);

} // namespace sampledata
