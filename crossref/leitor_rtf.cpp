#include "crossref/leitor_rtf.h"

#include "crossref/texto_legado.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

namespace crossref {

namespace {

// Word nests a few dozen groups; anything far deeper is a damaged file.
constexpr int kProfundidadeMaxima = 1000;

enum class TDestino {
    dsTexto, // document text
    dsIgnorar, // skipped destination
    dsFontes, // \fonttbl
    dsCores, // \colortbl
    dsMarcador, // \pn: only its bullet flag counts
};

struct TParagrafo {
    Qt::Alignment alinhamento = Qt::AlignLeft;
    int esquerda = 0; // \li, twips
    int primeira = 0; // \fi, twips, relative to \li
    int direita = 0; // \ri
    int antes = 0; // \sb
    int depois = 0; // \sa
    bool marcador = false;
};

struct TEstado {
    TDestino destino = TDestino::dsTexto;
    bool negrito = false;
    bool italico = false;
    bool sublinhado = false;
    int meiosPontos = 24; // \fs
    int cor = 0; // \cf; 0 is the automatic colour
    int fonte = -1; // \f; -1: the default font
    int pularUnicode = 1; // \uc
    TParagrafo paragrafo;
};

double TwipsParaPixels(int twips)
{
    // 20 twips a point, 4/3 pixels a point.
    return twips / 15.0;
}

class TLeitor {
public:
    TLeitor(std::string_view rtf, QTextDocument& documento)
        : rtf_(rtf)
        , documento_(documento)
        , cursor_(&documento)
    {
    }

    void Le();

private:
    void PalavraDeControle(const std::string& palavra, std::optional<int> parametro);
    void SimboloDeControle(char c);
    void Caractere(char c);
    void Byte(std::uint8_t byte);
    void Texto(const QString& texto);
    void Unicode(int codigo);
    void DescarregaBytes();
    void FimDeParagrafo();
    void FechaGrupo();
    void Conclui();
    void DefineCodigoDePagina(int pagina);
    QTextCharFormat FormatoDoCaractere() const;
    QTextBlockFormat FormatoDoParagrafo() const;
    bool Pulando();

    std::string_view rtf_;
    size_t pos_ = 0;
    QTextDocument& documento_;
    QTextCursor cursor_;
    TEstado estado_;
    std::vector<TEstado> pilha_;
    bool asterisco_ = false; // "\*": an unknown destination that follows is skipped
    int pular_ = 0; // characters still to skip after a \uN
    std::string bytes_; // code-page bytes not yet decoded
    int codigoDePagina_ = 1252;
    std::optional<QStringDecoder> decodificador_; // other code pages than 1252
    int fontePadrao_ = -1;
    std::map<int, QString> fontes_;
    int fonteAtual_ = -1; // entry of the font table being read
    QString nomeDaFonte_;
    std::vector<std::optional<QColor>> cores_;
    int vermelho_ = 0, verde_ = 0, azul_ = 0;
    bool temCor_ = false;
    bool paragrafoAberto_ = false; // text or a \par since the last block was made
    bool algumParagrafo_ = false;
    bool concluido_ = false;
    QTextList* lista_ = nullptr;
};

bool TLeitor::Pulando()
{
    if (pular_ > 0) {
        --pular_;
        return true;
    }
    return false;
}

void TLeitor::Le()
{
    documento_.clear();
    cursor_ = QTextCursor(&documento_);
    while (pos_ < rtf_.size()) {
        const char c = rtf_[pos_++];
        switch (c) {
        case '{':
            DescarregaBytes();
            if (static_cast<int>(pilha_.size()) >= kProfundidadeMaxima)
                throw ERtf("groups nested deeper than " + std::to_string(kProfundidadeMaxima) + " at byte "
                    + std::to_string(pos_ - 1));
            pilha_.push_back(estado_);
            pular_ = 0;
            break;
        case '}':
            DescarregaBytes();
            if (pilha_.size() == 1)
                Conclui(); // with the last paragraph's format, before the group's end drops it
            FechaGrupo();
            pular_ = 0;
            if (pilha_.empty())
                pos_ = rtf_.size(); // the document's group ended: what follows is not text
            break;
        case '\\': {
            if (pos_ >= rtf_.size())
                break;
            const char d = rtf_[pos_];
            if ((d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z')) {
                std::string palavra;
                while (pos_ < rtf_.size() && palavra.size() < 32
                    && ((rtf_[pos_] >= 'a' && rtf_[pos_] <= 'z') || (rtf_[pos_] >= 'A' && rtf_[pos_] <= 'Z')))
                    palavra += rtf_[pos_++];
                std::optional<int> parametro;
                bool negativo = false;
                if (pos_ < rtf_.size() && rtf_[pos_] == '-') {
                    negativo = true;
                    ++pos_;
                }
                long long valor = 0;
                int digitos = 0;
                while (pos_ < rtf_.size() && rtf_[pos_] >= '0' && rtf_[pos_] <= '9') {
                    if (digitos < 10)
                        valor = valor * 10 + (rtf_[pos_] - '0');
                    ++digitos;
                    ++pos_;
                }
                if (digitos > 0) {
                    valor = std::min<long long>(valor, 0x7FFFFFFF);
                    parametro = static_cast<int>(negativo ? -valor : valor);
                }
                if (pos_ < rtf_.size() && rtf_[pos_] == ' ')
                    ++pos_; // the delimiter belongs to the control word
                PalavraDeControle(palavra, parametro);
            } else {
                ++pos_;
                SimboloDeControle(d);
            }
            break;
        }
        case '\r':
        case '\n':
            break;
        default:
            Caractere(c);
            break;
        }
    }
    DescarregaBytes();
    Conclui(); // a document whose groups were never closed
}

void TLeitor::Conclui()
{
    if (concluido_)
        return;
    concluido_ = true;
    // Text after the last \par is a paragraph of its own; a final \par
    // leaves no empty paragraph behind.
    if (paragrafoAberto_ || !algumParagrafo_) {
        cursor_.setBlockFormat(FormatoDoParagrafo());
        if (estado_.paragrafo.marcador && lista_)
            lista_->add(cursor_.block());
        else if (estado_.paragrafo.marcador)
            cursor_.createList(QTextListFormat::ListDisc);
    } else if (cursor_.block().length() <= 1 && cursor_.block().previous().isValid()) {
        cursor_.deletePreviousChar();
    }
}

void TLeitor::FechaGrupo()
{
    if (pilha_.empty())
        return;
    if (estado_.destino == TDestino::dsFontes && fonteAtual_ >= 0 && !nomeDaFonte_.trimmed().isEmpty()
        && !fontes_.count(fonteAtual_))
        fontes_[fonteAtual_] = nomeDaFonte_.trimmed(); // an entry without its ';'
    const TDestino anterior = estado_.destino;
    estado_ = pilha_.back();
    pilha_.pop_back();
    if (anterior == TDestino::dsFontes && estado_.destino != TDestino::dsFontes) {
        fonteAtual_ = -1;
        nomeDaFonte_.clear();
    }
    asterisco_ = false;
}

void TLeitor::DefineCodigoDePagina(int pagina)
{
    DescarregaBytes();
    codigoDePagina_ = pagina;
    decodificador_.reset();
    if (pagina != 1252) {
        QStringDecoder d(("windows-" + std::to_string(pagina)).c_str());
        if (!d.isValid())
            d = QStringDecoder(("cp" + std::to_string(pagina)).c_str());
        if (d.isValid())
            decodificador_.emplace(std::move(d));
    }
}

void TLeitor::PalavraDeControle(const std::string& p, std::optional<int> parametro)
{
    const int n = parametro.value_or(1);
    const bool eraAsterisco = asterisco_;
    asterisco_ = false;
    DescarregaBytes();

    if (p == "bin") {
        // Binary data of a skipped picture or object.
        pos_ = std::min(rtf_.size(), pos_ + static_cast<size_t>(std::max(0, n)));
        return;
    }
    if (estado_.destino == TDestino::dsIgnorar)
        return;

    // Destinations.
    if (p == "fonttbl") {
        estado_.destino = TDestino::dsFontes;
        return;
    }
    if (p == "colortbl") {
        estado_.destino = TDestino::dsCores;
        return;
    }
    if (p == "pn") {
        estado_.destino = TDestino::dsMarcador;
        return;
    }
    static const char* const ignorados[] = { "stylesheet", "info", "pict", "object", "header", "headerl", "headerr",
        "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "fldinst", "pntext", "listtable",
        "listoverridetable", "rsidtbl", "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl",
        "generator", "filetbl", "revtbl", "bkmkstart", "bkmkend", "txe", "annotation", "atnid", "atnauthor" };
    for (const char* nome : ignorados)
        if (p == nome) {
            estado_.destino = TDestino::dsIgnorar;
            return;
        }
    if (eraAsterisco) {
        estado_.destino = TDestino::dsIgnorar;
        return;
    }
    if (estado_.destino == TDestino::dsMarcador) {
        // The bullet flag belongs to the paragraph around the \pn group.
        if (p == "pnlvlblt" && !pilha_.empty())
            pilha_.back().paragrafo.marcador = true;
        return;
    }
    if (estado_.destino == TDestino::dsFontes) {
        if (p == "f") {
            fonteAtual_ = n;
            nomeDaFonte_.clear();
        }
        return;
    }
    if (estado_.destino == TDestino::dsCores) {
        if (p == "red")
            vermelho_ = n, temCor_ = true;
        else if (p == "green")
            verde_ = n, temCor_ = true;
        else if (p == "blue")
            azul_ = n, temCor_ = true;
        return;
    }

    // Document properties.
    if (p == "ansicpg") {
        DefineCodigoDePagina(n);
        return;
    }
    if (p == "deff") {
        fontePadrao_ = n;
        return;
    }

    // Special characters count as one character of a \uN's replacement.
    static const std::map<std::string, char16_t> especiais = { { "emdash", 0x2014 }, { "endash", 0x2013 },
        { "bullet", 0x2022 }, { "lquote", 0x2018 }, { "rquote", 0x2019 }, { "ldblquote", 0x201C },
        { "rdblquote", 0x201D }, { "emspace", 0x2003 }, { "enspace", 0x2002 } };
    if (auto it = especiais.find(p); it != especiais.end()) {
        if (!Pulando())
            Texto(QString(QChar(it->second)));
        return;
    }
    if (p == "u") {
        if (parametro)
            Unicode(*parametro);
        return;
    }
    if (Pulando())
        return;

    if (p == "par" || p == "row") {
        FimDeParagrafo();
    } else if (p == "line") {
        Texto(QString(QChar::LineSeparator));
    } else if (p == "tab" || p == "cell") {
        Texto(QStringLiteral("\t"));
    } else if (p == "pard") {
        estado_.paragrafo = TParagrafo();
    } else if (p == "plain") {
        const TParagrafo paragrafo = estado_.paragrafo;
        const TDestino destino = estado_.destino;
        const int uc = estado_.pularUnicode;
        estado_ = TEstado();
        estado_.paragrafo = paragrafo;
        estado_.destino = destino;
        estado_.pularUnicode = uc;
    } else if (p == "b") {
        estado_.negrito = n != 0;
    } else if (p == "i") {
        estado_.italico = n != 0;
    } else if (p == "ul" || p == "uld" || p == "uldb" || p == "ulw" || p == "ulth" || p == "uldash") {
        estado_.sublinhado = n != 0;
    } else if (p == "ulnone") {
        estado_.sublinhado = false;
    } else if (p == "fs") {
        if (n > 0)
            estado_.meiosPontos = std::min(n, 3276);
    } else if (p == "cf") {
        estado_.cor = n;
    } else if (p == "f") {
        estado_.fonte = n;
    } else if (p == "uc") {
        estado_.pularUnicode = std::max(0, n);
    } else if (p == "ql") {
        estado_.paragrafo.alinhamento = Qt::AlignLeft;
    } else if (p == "qr") {
        estado_.paragrafo.alinhamento = Qt::AlignRight;
    } else if (p == "qc") {
        estado_.paragrafo.alinhamento = Qt::AlignHCenter;
    } else if (p == "qj") {
        estado_.paragrafo.alinhamento = Qt::AlignJustify;
    } else if (p == "li") {
        estado_.paragrafo.esquerda = n;
    } else if (p == "fi") {
        estado_.paragrafo.primeira = n;
    } else if (p == "ri") {
        estado_.paragrafo.direita = n;
    } else if (p == "sb") {
        estado_.paragrafo.antes = n;
    } else if (p == "sa") {
        estado_.paragrafo.depois = n;
    }
}

void TLeitor::SimboloDeControle(char c)
{
    switch (c) {
    case '*':
        asterisco_ = true;
        return;
    case '\'': {
        // \'hh: one code-page byte.
        auto hex = [](char h) -> int {
            if (h >= '0' && h <= '9')
                return h - '0';
            if (h >= 'a' && h <= 'f')
                return h - 'a' + 10;
            if (h >= 'A' && h <= 'F')
                return h - 'A' + 10;
            return -1;
        };
        int valor = 0;
        int lidos = 0;
        while (lidos < 2 && pos_ < rtf_.size() && hex(rtf_[pos_]) >= 0) {
            valor = valor * 16 + hex(rtf_[pos_++]);
            ++lidos;
        }
        if (lidos > 0)
            Byte(static_cast<std::uint8_t>(valor));
        return;
    }
    case '\r':
    case '\n':
        DescarregaBytes();
        if (estado_.destino == TDestino::dsTexto && !Pulando())
            FimDeParagrafo();
        return;
    case '\\':
    case '{':
    case '}':
        Caractere(c);
        return;
    default:
        break;
    }
    DescarregaBytes();
    if (estado_.destino != TDestino::dsTexto || Pulando())
        return;
    if (c == '~')
        Texto(QString(QChar(0x00A0)));
    else if (c == '_')
        Texto(QString(QChar(0x2011)));
    else if (c == '-')
        Texto(QString(QChar(0x00AD)));
}

void TLeitor::Caractere(char c)
{
    if (estado_.destino == TDestino::dsCores) {
        if (c == ';') {
            if (temCor_)
                cores_.emplace_back(QColor(vermelho_ & 0xFF, verde_ & 0xFF, azul_ & 0xFF));
            else
                cores_.emplace_back(std::nullopt); // the automatic colour
            vermelho_ = verde_ = azul_ = 0;
            temCor_ = false;
        }
        return;
    }
    Byte(static_cast<std::uint8_t>(c));
}

void TLeitor::Byte(std::uint8_t byte)
{
    if (estado_.destino == TDestino::dsFontes) {
        if (byte == ';') {
            if (fonteAtual_ >= 0)
                fontes_[fonteAtual_] = nomeDaFonte_.trimmed();
            nomeDaFonte_.clear();
        } else {
            nomeDaFonte_.append(CaractereCp1252(byte));
        }
        return;
    }
    if (estado_.destino != TDestino::dsTexto || Pulando())
        return;
    bytes_.push_back(static_cast<char>(byte));
}

void TLeitor::DescarregaBytes()
{
    if (bytes_.empty())
        return;
    QString texto;
    if (decodificador_)
        texto = decodificador_->decode(QByteArrayView(bytes_.data(), static_cast<qsizetype>(bytes_.size())));
    else
        texto = DecodificaCp1252(bytes_);
    bytes_.clear();
    Texto(texto);
}

void TLeitor::Unicode(int codigo)
{
    if (Pulando())
        return;
    if (codigo < -32768 || codigo > 65535)
        codigo = 0xFFFD; // no such UTF-16 unit
    const char16_t unidade = static_cast<char16_t>(codigo < 0 ? codigo + 65536 : codigo);
    Texto(QString(QChar(unidade))); // surrogate halves join in the document
    pular_ = estado_.pularUnicode;
}

void TLeitor::Texto(const QString& texto)
{
    if (estado_.destino != TDestino::dsTexto || texto.isEmpty())
        return;
    if (!paragrafoAberto_) {
        cursor_.setBlockFormat(FormatoDoParagrafo());
        paragrafoAberto_ = true;
    }
    cursor_.insertText(texto, FormatoDoCaractere());
}

void TLeitor::FimDeParagrafo()
{
    if (estado_.destino != TDestino::dsTexto)
        return;
    const TParagrafo& p = estado_.paragrafo;
    cursor_.setBlockFormat(FormatoDoParagrafo());
    if (p.marcador) {
        if (lista_)
            lista_->add(cursor_.block());
        else
            lista_ = cursor_.createList(QTextListFormat::ListDisc);
    } else {
        lista_ = nullptr;
    }
    // The next paragraph starts with the character format in effect.
    cursor_.insertBlock(FormatoDoParagrafo(), FormatoDoCaractere());
    paragrafoAberto_ = false;
    algumParagrafo_ = true;
}

QTextCharFormat TLeitor::FormatoDoCaractere() const
{
    QTextCharFormat f;
    f.setFontWeight(estado_.negrito ? QFont::Bold : QFont::Normal);
    f.setFontItalic(estado_.italico);
    f.setFontUnderline(estado_.sublinhado);
    f.setFontPointSize(estado_.meiosPontos / 2.0);
    const int fonte = estado_.fonte >= 0 ? estado_.fonte : fontePadrao_;
    if (auto it = fontes_.find(fonte); it != fontes_.end() && !it->second.isEmpty())
        f.setFontFamilies(QStringList { it->second });
    if (estado_.cor > 0 && estado_.cor < static_cast<int>(cores_.size()) && cores_[static_cast<size_t>(estado_.cor)])
        f.setForeground(*cores_[static_cast<size_t>(estado_.cor)]);
    return f;
}

QTextBlockFormat TLeitor::FormatoDoParagrafo() const
{
    const TParagrafo& p = estado_.paragrafo;
    QTextBlockFormat f;
    f.setAlignment(p.alinhamento);
    f.setLeftMargin(TwipsParaPixels(p.esquerda));
    f.setTextIndent(TwipsParaPixels(p.primeira));
    f.setRightMargin(TwipsParaPixels(p.direita));
    f.setTopMargin(TwipsParaPixels(p.antes));
    f.setBottomMargin(TwipsParaPixels(p.depois));
    return f;
}

} // namespace

bool PareceRtf(std::string_view bytes)
{
    size_t i = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        i = 3;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.substr(i, 5) == "{\\rtf";
}

void LeRtf(std::string_view rtf, QTextDocument& documento)
{
    if (!PareceRtf(rtf))
        throw ERtf("not a rich-text file (it does not begin with {\\rtf)");
    TLeitor leitor(rtf, documento);
    leitor.Le();
}

void CarregaArquivoDeNotas(const std::filesystem::path& arquivo, QTextDocument& documento)
{
    std::ifstream entrada(arquivo, std::ios::binary);
    if (!entrada)
        throw std::runtime_error(arquivo.string() + ": cannot open the file");
    const std::string bytes((std::istreambuf_iterator<char>(entrada)), std::istreambuf_iterator<char>());
    if (entrada.bad())
        throw std::runtime_error(arquivo.string() + ": cannot read the file");
    if (!PareceRtf(bytes)) {
        documento.setPlainText(TextoDoBlob(std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
        return;
    }
    try {
        LeRtf(bytes, documento);
    } catch (const ERtf& e) {
        throw ERtf(arquivo.string() + ": " + e.what());
    }
}

} // namespace crossref
