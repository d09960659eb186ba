#include "crossref/figura.h"

#include "platform/jpeg/jpeg_decoder.h"

#include <stdexcept>

namespace crossref {

void TFigura::CarregaJpeg(const std::vector<std::uint8_t>& bytes, const std::string& origem)
{
    QImage nova;
    try {
        nova = jpeg::DecodeJpeg(bytes);
    } catch (const std::exception& e) {
        throw std::runtime_error("The " + origem + " is not a valid JPEG image: " + e.what());
    }
    imagem_ = std::move(nova);
    ilegivel_.clear();
}

void TFigura::Limpa()
{
    const bool mudou = !imagem_.isNull() || !nome_.empty() || !ilegivel_.empty();
    imagem_ = QImage();
    nome_.clear();
    ilegivel_.clear();
    if (mudou && AoMudar)
        AoMudar();
}

void TFigura::MarcaIlegivel(std::string texto)
{
    imagem_ = QImage();
    ilegivel_ = std::move(texto);
    if (AoMudar)
        AoMudar();
}

} // namespace crossref
