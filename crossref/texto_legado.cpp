#include "crossref/texto_legado.h"

#include <QStringDecoder>

namespace crossref {

namespace {

// 0x80 to 0x9F; the rest of the page equals Latin-1.
constexpr char16_t kFaixa80[32] = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
    0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };

} // namespace

QChar CaractereCp1252(std::uint8_t byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kFaixa80[byte - 0x80]);
    return QChar(static_cast<char16_t>(byte));
}

QString DecodificaCp1252(std::string_view bytes)
{
    QString texto;
    texto.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes)
        texto.append(CaractereCp1252(static_cast<std::uint8_t>(c)));
    return texto;
}

QString TextoDoBlob(const std::vector<std::uint8_t>& bytes)
{
    const QByteArrayView vista(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texto = utf8.decode(vista);
    if (!utf8.hasError())
        return texto;
    return DecodificaCp1252(std::string_view(vista.data(), static_cast<size_t>(vista.size())));
}

} // namespace crossref
