#include "crossref/mensagens.h"

#include <stdexcept>

namespace crossref {

const char* const TituloDaAplicacao = "Tavix Electronics";

void TMensagensRoteirizadas::Informacao(const std::string& texto)
{
    caixas.push_back({ TTipo::tmInformacao, texto });
}

bool TMensagensRoteirizadas::Pergunta(const std::string& texto)
{
    caixas.push_back({ TTipo::tmPergunta, texto });
    if (respostas.empty())
        return true;
    bool sim = respostas.front();
    respostas.pop_front();
    return sim;
}

void TMensagensRoteirizadas::Erro(const std::string& texto)
{
    caixas.push_back({ TTipo::tmErro, texto });
}

void TMensagensRoteirizadas::Aviso(const std::string& texto)
{
    caixas.push_back({ TTipo::tmAviso, texto });
}

std::vector<std::string> TMensagensRoteirizadas::Erros() const
{
    std::vector<std::string> erros;
    for (const auto& caixa : caixas)
        if (caixa.tipo == TTipo::tmErro)
            erros.push_back(caixa.texto);
    return erros;
}

std::string TextoIlegivel(const std::filesystem::path& arquivo)
{
    return "(could not be read from " + arquivo.filename().string() + ")";
}

std::string TextoDoErro(const std::exception_ptr& erro)
{
    try {
        std::rethrow_exception(erro);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error.";
    }
}

void Protegido(TServicoDeMensagens& mensagens, const std::function<void()>& acao)
{
    try {
        acao();
    } catch (...) {
        const std::string texto = TextoDoErro(std::current_exception());
        try {
            mensagens.Erro(texto);
        } catch (...) {
            // A box that cannot be shown must not take the event loop down.
        }
    }
}

} // namespace crossref
