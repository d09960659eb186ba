#pragma once

// The main window with its data module over a product folder in a temporary
// directory, made current while the window lives (all paths come from it).

#include "crossref/mensagens.h"
#include "crossref/modulo_de_dados.h"
#include "crossref/ui/formulario.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <memory>

namespace crossref::teste {

class TJanela {
public:
    explicit TJanela(const std::filesystem::path& produto)
        : anterior_(std::filesystem::current_path())
    {
        std::filesystem::current_path(produto);
        auto mensagens = std::make_unique<TMensagensRoteirizadas>();
        msgs = mensagens.get();
        janela = std::make_unique<TFormulario>(std::move(mensagens));
        modulo = std::make_unique<TModuloDeDados>(janela->DiretorioBase());
        janela->LigaModuloDeDados(modulo.get());
        janela->resize(1280, 900);
    }
    ~TJanela()
    {
        janela.reset();
        modulo.reset();
        std::filesystem::current_path(anterior_);
    }

    TMensagensRoteirizadas* msgs = nullptr;
    std::unique_ptr<TFormulario> janela;
    std::unique_ptr<TModuloDeDados> modulo;

private:
    std::filesystem::path anterior_;
};

} // namespace crossref::teste
