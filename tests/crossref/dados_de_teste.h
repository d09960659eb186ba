#pragma once

// A product folder written for the tests: the five tables with a few parts
// whose ratings are chosen to exercise the search bounds, and JPEG pictures.

#include "platform/paradox/paradox.h"

#include <filesystem>
#include <string>
#include <vector>

namespace crossref::teste {

struct TTransistor {
    std::string id, uso, polaridade;
    double vceo, ic, pd;
    std::string encapsulamento;
    std::string fabricante = "ACME";
};

struct TDiodo {
    std::string id;
    double r1, r2, pd; // Vr/Io for rectifiers, Tn/Iz for zeners
    std::string encapsulamento;
};

struct TReparo {
    std::string fabricante, equipamento, modelo, defeito;
    std::vector<std::uint8_t> descricao; // the blob's bytes as stored
};

struct TDados {
    std::vector<TTransistor> transistores;
    std::vector<TDiodo> diodosR;
    std::vector<TDiodo> diodosZ;
    // Pictures stored in "graficos": name and colour of a solid JPEG.
    std::vector<std::pair<std::string, unsigned>> figuras;
    // Pictures whose bytes are not a JPEG.
    std::vector<std::string> figurasRuins;
    // Repair records (key: company, equipment, model, fault).
    std::vector<TReparo> reparos;
    // The transistor table lacks its package field.
    bool semEncapsulamento = false;
};

// The default data: transistors, diodes and pictures used by most tests.
TDados DadosPadrao();

// Writes data/ with transistores, diodosr, diodosz, Reparos, graficos below `pasta`.
void EscreveProduto(const std::filesystem::path& pasta, const TDados& dados);

// A solid-colour JPEG image of 40 x 30 pixels.
std::vector<std::uint8_t> JpegSolido(unsigned rgb);

} // namespace crossref::teste
