#include "crossref/figura.h"

#include <stdexcept>

namespace crossref {

void TFigura::CarregaJpeg(const std::vector<std::uint8_t>& bytes, const std::string& origem)
{
    QImage nova;
    if (bytes.empty()
        || !nova.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "JPG"))
        throw std::runtime_error("The " + origem + " is not a valid JPEG image.");
    imagem_ = std::move(nova);
}

void TFigura::Limpa()
{
    const bool mudou = !imagem_.isNull() || !nome_.empty();
    imagem_ = QImage();
    nome_.clear();
    if (mudou && AoMudar)
        AoMudar();
}

} // namespace crossref
