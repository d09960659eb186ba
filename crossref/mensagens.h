#pragma once

// The boxes the program shows to the user (information, question, error),
// all captioned with the application title. The window talks only to this
// interface; tests script it.

#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace crossref {

// "Tavix Electronics": the application title, caption of every box.
extern const char* const TituloDaAplicacao;

class TServicoDeMensagens {
public:
    virtual ~TServicoDeMensagens() = default;
    virtual void Informacao(const std::string& texto) = 0;
    // Yes/No with the question icon; true for Yes.
    virtual bool Pergunta(const std::string& texto) = 0;
    virtual void Erro(const std::string& texto) = 0;
    // A fault met while the user works (a picture that cannot be read): the
    // box neither waits nor takes the keyboard, so what is being typed
    // still goes where it was going.
    virtual void Aviso(const std::string& texto) = 0;
};

// Records every box and answers questions from a queue (Yes when empty).
class TMensagensRoteirizadas : public TServicoDeMensagens {
public:
    enum class TTipo { tmInformacao, tmPergunta, tmErro, tmAviso };
    struct TCaixa {
        TTipo tipo;
        std::string texto;
    };

    void Informacao(const std::string& texto) override;
    bool Pergunta(const std::string& texto) override;
    void Erro(const std::string& texto) override;
    void Aviso(const std::string& texto) override;

    std::deque<bool> respostas;
    std::vector<TCaixa> caixas;

    std::vector<std::string> Erros() const;
};

// What a field shows in place of a value that could not be read from
// `arquivo` (a damaged or missing blob file).
std::string TextoIlegivel(const std::filesystem::path& arquivo);

// Runs `acao`; any exception becomes an error box, as the old default
// exception handler did, so none crosses the event loop.
void Protegido(TServicoDeMensagens& mensagens, const std::function<void()>& acao);

// The text an error box shows for an exception.
std::string TextoDoErro(const std::exception_ptr& erro);

} // namespace crossref
