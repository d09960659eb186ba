#pragma once

// Message boxes on Qt widgets, captioned with the application title.

#include "crossref/mensagens.h"

class QWidget;

namespace crossref {

class TMensagensQt : public TServicoDeMensagens {
public:
    explicit TMensagensQt(QWidget* pai = nullptr)
        : pai_(pai)
    {
    }
    void Informacao(const std::string& texto) override;
    bool Pergunta(const std::string& texto) override;
    void Erro(const std::string& texto) override;
    void Aviso(const std::string& texto) override;

private:
    QWidget* pai_;
};

} // namespace crossref
