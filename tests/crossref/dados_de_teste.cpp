#include "dados_de_teste.h"

#include <QBuffer>
#include <QImage>

namespace crossref::teste {

#include <cmath>

using paradox::FieldType;

namespace {

paradox::Value Texto(const std::string& s)
{
    return s;
}

// A rating of NaN is left blank.
paradox::Value Numero(double v)
{
    return std::isnan(v) ? paradox::Value() : paradox::Value(v);
}

} // namespace

std::vector<std::uint8_t> JpegSolido(unsigned rgb)
{
    QImage imagem(40, 30, QImage::Format_RGB32);
    imagem.fill(QColor::fromRgb(rgb));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    imagem.save(&buffer, "JPG", 95);
    const QByteArray& b = buffer.data();
    return { b.begin(), b.end() };
}

TDados DadosPadrao()
{
    TDados d;
    // Ratings with more than three decimals (BC549: Ic 0.1004) and a value
    // that is not exact in binary (BC548: Vceo 30.1) guard the bounds.
    d.transistores = {
        { "1\"A", "AMP", "NPN", 45, 0.1, 0.5, "TO92" },
        { "2N3055", "AMP/SW", "NPN", 60, 15, 115, "TO3" },
        { "2N3904", "AMP/SW", "NPN", 40, 0.2, 0.625, "TO92" },
        { "2N3906", "AMP/SW", "PNP", 40, 0.2, 0.625, "TO92" },
        { "BC546", "AMP", "NPN", 65, 0.1, 0.5, " TO92 " },
        { "BC547", "AMP", "NPN", 45, 0.1, 0.5, "TO92" },
        { "BC548", "AMP", "NPN", 30.1, 0.1, 0.5, "TO92" },
        { "BC549", "LN", "NPN", 30, 0.1004, 0.5, "TO92" },
        { "BC557", "AMP", "PNP", 45, 0.1, 0.5, "TO92" },
        { "BD139", "AMP", "NPN", 80, 1.5, 12.5, "TO126" },
        { "BD140", "AMP", "PNP", 80, 1.5, 12.5, "SEMFIGURA" },
        { "MJE340", "AMP", "NPN", 80, 1.5, 12.5, "TO220" },
        { "TIP31", "SW", "NPN", 40, 3, 40, "TO220" },
        { "X\"1", "AMP \"Q\"", "NPN", 45, 0.1, 0.5, "TO92" },
    };
    d.diodosR = {
        { "1N4001", 50, 1000, 3000, "DO41" },
        { "1N4002", 100, 1000, 3000, " DO41" },
        { "1N4004", 400, 1000, 3000, "DO41" },
        { "1N4007", 1000, 1000, 3000, "DO41" },
        { "1N5408", 1000, 3000, 6250, "DO201" },
    };
    d.diodosZ = {
        { "1N4728", 3.3, 76, 1, "DO41" },
        { "1N4733", 5.1, 49, 1, "DO41" },
        { "1N4742", 12, 21, 1, "DO41" },
        { "BZX55C5V1", 5.1, 5, 0.5, "DO35" },
        { "BZX55C5V6", 5.6, 5, 0.5, "DO35" },
    };
    d.figuras = { { "abertura", 0x2060a0 }, { "cap_poli", 0xa0a020 }, { "resistor", 0xc08040 }, { "TO3", 0x808080 },
        { "TO92", 0x202020 }, { "TO126", 0x404080 }, { "TO220", 0x408040 }, { "DO41", 0x800000 }, { "DO201", 0x008000 },
        { "DO35", 0xff8000 } };
    const std::string solucao = "Replace the capacitor.";
    d.reparos = { { "ACME", "TV", "T100", "No picture", { solucao.begin(), solucao.end() } } };
    return d;
}

void EscreveProduto(const std::filesystem::path& pasta, const TDados& d)
{
    const auto dados = pasta / "data";
    std::filesystem::create_directories(dados);

    paradox::Table t;
    t.keyFieldCount = 1;
    t.fields = { { "Identificacao", FieldType::Alpha, 20 }, { "Uso", FieldType::Alpha, 20 },
        { "Polaridade", FieldType::Alpha, 3 }, { "Vceo", FieldType::Number, 8 }, { "Vcbo", FieldType::Number, 8 },
        { "Vebo", FieldType::Number, 8 }, { "Ic", FieldType::Number, 8 }, { "Pd", FieldType::Number, 8 },
        { "Tpd", FieldType::Alpha, 10 }, { "Hfe1", FieldType::Alpha, 10 }, { "Ichfe1", FieldType::Alpha, 10 },
        { "Hfe2", FieldType::Alpha, 10 }, { "Ichfe2", FieldType::Alpha, 10 }, { "Vcesat", FieldType::Alpha, 10 },
        { "Icib", FieldType::Alpha, 10 }, { "Toff", FieldType::Alpha, 10 }, { "Ictoff", FieldType::Alpha, 10 },
        { "Ft", FieldType::Alpha, 10 }, { "Ftip", FieldType::Alpha, 10 }, { "Fftip", FieldType::Alpha, 10 },
        { "Fabricante", FieldType::Alpha, 20 }, { "Observacoes", FieldType::Memo, 10 },
        { d.semEncapsulamento ? "Pacote" : "Encapsulamento", FieldType::Alpha, 15 } };
    for (const auto& p : d.transistores)
        t.records.push_back({ Texto(p.id), Texto(p.uso), Texto(p.polaridade), Numero(p.vceo), Numero(p.vceo + 10), 5.0,
            Numero(p.ic), Numero(p.pd),
            Texto("25C"), Texto("100"), Texto("2"), Texto("-"), Texto("-"), Texto("0.3"), Texto("10"), Texto("-"),
            Texto("-"), Texto("300"), Texto("-"), Texto("-"), Texto(p.fabricante), Texto("Comments of " + p.id),
            Texto(p.encapsulamento) });
    paradox::writeTable(dados / "transistores.DB", t);

    paradox::Table r;
    r.keyFieldCount = 1;
    r.fields = { { "Identificacao", FieldType::Alpha, 20 }, { "Uso", FieldType::Alpha, 20 },
        { "Vrm", FieldType::Number, 8 }, { "Vr", FieldType::Number, 8 }, { "Io", FieldType::Number, 8 },
        { "Ifsm", FieldType::Number, 8 }, { "Pd", FieldType::Number, 8 }, { "Fabricante", FieldType::Alpha, 20 },
        { "Nota", FieldType::Alpha, 40 }, { "Encapsulamento", FieldType::Alpha, 15 } };
    for (const auto& p : d.diodosR)
        r.records.push_back({ Texto(p.id), Texto("Rectifier"), Numero(p.r1 * 1.2), Numero(p.r1), Numero(p.r2), 30.0,
            Numero(p.pd), Texto("ACME"),
            Texto("Note of " + p.id), Texto(p.encapsulamento) });
    paradox::writeTable(dados / "diodosr.DB", r);

    paradox::Table z;
    z.keyFieldCount = 1;
    z.fields = { { "Identificacao", FieldType::Alpha, 20 }, { "Marca", FieldType::Alpha, 10 },
        { "Tn", FieldType::Number, 8 }, { "Iz", FieldType::Number, 8 }, { "Pd", FieldType::Number, 8 },
        { "Tj", FieldType::Alpha, 8 }, { "Rij", FieldType::Alpha, 8 }, { "Tolerancia", FieldType::Alpha, 8 },
        { "Fabricante", FieldType::Alpha, 20 }, { "Nota", FieldType::Alpha, 40 },
        { "Encapsulamento", FieldType::Alpha, 15 } };
    for (const auto& p : d.diodosZ)
        z.records.push_back({ Texto(p.id), Texto("M" + p.id.substr(0, 3)), Numero(p.r1), Numero(p.r2), Numero(p.pd),
            Texto("200"), Texto("-"),
            Texto("5"), Texto("ACME"), Texto("Note of " + p.id), Texto(p.encapsulamento) });
    paradox::writeTable(dados / "diodosz.DB", z);

    paradox::Table b;
    b.fields = { { "Fabricante", FieldType::Alpha, 15 }, { "Equipamento", FieldType::Alpha, 15 },
        { "Modelo", FieldType::Alpha, 15 }, { "Defeito", FieldType::Alpha, 60 }, { "Descricao", FieldType::Blob, 10 } };
    b.keyFieldCount = 4;
    for (const auto& reparo : d.reparos)
        b.records.push_back({ Texto(reparo.fabricante), Texto(reparo.equipamento), Texto(reparo.modelo),
            Texto(reparo.defeito), reparo.descricao });
    paradox::writeTable(dados / "Reparos.DB", b);

    paradox::Table g;
    g.keyFieldCount = 1;
    g.fields = { { "Identificacao", FieldType::Alpha, 20 }, { "Figura", FieldType::Graphic, 10 } };
    std::vector<std::pair<std::string, paradox::Blob>> figuras;
    for (const auto& [nome, cor] : d.figuras)
        figuras.emplace_back(nome, JpegSolido(cor));
    for (const auto& nome : d.figurasRuins)
        figuras.emplace_back(nome, paradox::Blob { 'n', 'o', 't', ' ', 'j', 'p', 'e', 'g' });
    for (auto& [nome, bytes] : figuras)
        g.records.push_back({ Texto(nome), std::move(bytes) });
    paradox::writeTable(dados / "graficos.DB", g);
}

} // namespace crossref::teste
