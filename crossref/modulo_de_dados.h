#pragma once

// The data module: the five tables, the three search queries and the
// routine that shows a picture from the picture table.

#include "crossref/figura.h"
#include "platform/db/dataset.h"

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace crossref {

// What a grid or data-aware label binds to.
struct TFonteDeDados {
    db::TDataSet* DataSet = nullptr;
};

// Puts `tabela` into key-editing state with `identificacao` as the value of
// its key field Identificacao. A value the field refuses leaves the table
// browsing again and raises.
void DefineChave(db::TTable& tabela, const std::string& identificacao);

class TModuloDeDados {
public:
    // `diretorioBase`: the program's base directory (the current directory
    // when the main window was created).
    explicit TModuloDeDados(std::string diretorioBase);
    ~TModuloDeDados();
    TModuloDeDados(const TModuloDeDados&) = delete;
    TModuloDeDados& operator=(const TModuloDeDados&) = delete;

    db::TTable TabelaBDR { "TabelaBDR" };
    db::TTable TabelaGraficos { "TabelaGraficos" };
    db::TTable TabelaTransistores { "TabelaTransistores" };
    db::TTable TabelaDiodosR { "TabelaDiodosR" };
    db::TTable TabelaDiodosZ { "TabelaDiodosZ" };
    db::TQuery PesquisarTransistores { "PesquisarTransistores" };
    db::TQuery PesquisarDiodosR { "PesquisarDiodosR" };
    db::TQuery PesquisarDiodosZ { "PesquisarDiodosZ" };

    TFonteDeDados FonteDeDadosBDR { &TabelaBDR };
    TFonteDeDados FonteDeDadosTransistores { &TabelaTransistores };
    TFonteDeDados FonteDeDadosDiodosR { &TabelaDiodosR };
    TFonteDeDados FonteDeDadosDiodosZ { &TabelaDiodosZ };
    TFonteDeDados FonteDeDadosPesquisarTransistores { &PesquisarTransistores };
    TFonteDeDados FonteDeDadosPesquisarDiodosR { &PesquisarDiodosR };
    TFonteDeDados FonteDeDadosPesquisarDiodosZ { &PesquisarDiodosZ };

    // base + "\data\", joined as text; the data layer finds it without case.
    std::string DiretorioDoBanco() const;

    // Opens every dataset in the fixed order (picture table; Reparos,
    // Transistores, DiodosR, DiodosZ; the three queries). A dataset that
    // fails stays closed and the others still open; the messages of the
    // failures are returned, each naming its file, followed by one message
    // for each blob file of an open table that is damaged or missing (its
    // values cannot be read; the rest of the table can).
    // Without a data folder in the base directory nothing is tried: the one
    // message says where it was looked for.
    std::vector<std::string> AbreBancosDeDados();
    // Why `ds` did not open at the last AbreBancosDeDados; "" when it did.
    std::string FalhaDeAbertura(const db::TDataSet& ds) const;

    // Shows the picture stored under `nome` (exactly as passed) in `imagem`.
    // Returns false and leaves `imagem` as it was when there is no such
    // picture or the picture table is not open. A picture that cannot be
    // read (its blob file damaged or missing, or not a JPEG) leaves
    // `imagem` saying so (TFigura::Ilegivel) and is told to AoDanificar.
    bool ExibeImagem(const std::string& nome, TFigura& imagem);

    // Told of a damaged file met after opening, naming the file. Each file
    // is told once per run, and not at all when opening returned it.
    std::function<void(const std::string& texto)> AoDanificar;

    // Closes the open datasets in the order transistores, diodosr, diodosz,
    // Reparos, graficos, then the three queries.
    void FechaBancosDeDados();

private:
    // The eight datasets, in the order they are closed.
    std::array<db::TDataSet*, 8> DataSets();
    // The message for a damaged or missing file, or "" when it was given
    // before in this run.
    std::string NovoDano(const std::filesystem::path& arquivo, const std::string& detalhe);
    void MostraIlegivel(
        const std::string& nome, TFigura& imagem, const std::filesystem::path& arquivo, const std::string& detalhe);

    std::string base_;
    std::set<std::filesystem::path> danosRelatados_;
    std::map<const db::TDataSet*, std::string> falhasDeAbertura_;
};

} // namespace crossref
