#pragma once

// Message boxes on Qt widgets, captioned with the application title. A box
// asked for while the parent window is still on its way to the screen (the
// opening reports of the first show) waits until the window is there, and
// is shown over it.

#include "crossref/mensagens.h"

#include <QMessageBox>

#include <deque>
#include <utility>

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
    // Queues the box when the parent window is not on the screen yet.
    bool Adia(QMessageBox::Icon icone, const std::string& texto);
    void MostraAdiadas();

    QWidget* pai_;
    std::deque<std::pair<QMessageBox::Icon, std::string>> adiadas_;
};

} // namespace crossref
