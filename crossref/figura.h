#pragma once

// The picture an image control shows. Loading a JPEG that cannot be decoded
// raises and leaves the previous picture in place.

#include <QImage>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace crossref {

class TFigura {
public:
    // `origem` names where the bytes came from, for the error message.
    void CarregaJpeg(const std::vector<std::uint8_t>& bytes, const std::string& origem);
    void Limpa();
    // No picture, and in its place `texto` saying why (see TextoIlegivel).
    void MarcaIlegivel(std::string texto);
    // What the control shows in place of a picture that could not be read
    // or is not there; empty when there is a picture or nothing to show.
    const std::string& Ilegivel() const { return ilegivel_; }
    bool Vazia() const { return imagem_.isNull(); }
    const QImage& Imagem() const { return imagem_; }
    // The key of the picture shown ("" when cleared), for views and tests.
    const std::string& Nome() const { return nome_; }
    void SetNome(std::string nome) { nome_ = std::move(nome); }

    std::function<void()> AoMudar;

private:
    QImage imagem_;
    std::string nome_;
    std::string ilegivel_;
};

} // namespace crossref
