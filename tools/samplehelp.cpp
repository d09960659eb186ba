#include "tools/samplehelp.h"

#include "tools/sampledata.h"
#include "tools/samplepictures.h"

#include <QPainter>

#include <gif_lib.h>

#include <cctype>
#include <fstream>
#include <stdexcept>

namespace sampledata {

namespace {

struct Page {
    const char* file;
    const char* title;
    const char* body; // HTML of the page's body below its heading
};

// The pages, visao_geral.html first; the contents list links every page.
const Page kPages[] = {
    { "visao_geral.html", "Overview",
        "<p><img src=\"Imagens/logo.gif\" alt=\"Tavix Electronics\"></p>\n"
        "<p>Tavix Electronics finds replacements for bipolar transistors, rectifier diodes and zener diodes, decodes "
        "resistor and polyester capacitor colour codes and keeps a small database of repair hints.</p>\n"
        "<p><img src=\"Imagens/abertura.jpg\" alt=\"Tavix Electronics\"></p>\n" },
    { "instalacao.html", "Installing and uninstalling",
        "<p>Run setup.exe and follow the pages: welcome, licence agreement, readme, destination folder and "
        "program folder. The program, its tables and this help go to the destination folder; the database engine "
        "goes to its own shared folder.</p>\n"
        "<p>To remove the program, choose <em>Uninstall Tavix Electronics - Demo</em> in its program folder. The "
        "database engine stays, since other programs may use it.</p>\n" },
    { "transistores.html", "Bipolar transistors",
        "<p>Pick the original transistor in the left grid or type its code in the quick-search box. The package "
        "picture follows the selected part.</p>\n<p><img src=\"Imagens/tela_transistores.jpg\" alt=\"Transistor "
        "page\"></p>\n<p>Vceo, Vcbo and Vebo are given in volts, Ic in amperes and Pd in watts.</p>\n" },
    { "diodos.html", "Rectifier diodes",
        "<p>The rectifier page lists diodes by reverse voltage Vr (V), forward current If (mA) and power Pd "
        "(mW).</p>\n<p><img src=\"Imagens/tela_diodos.jpg\" alt=\"Diode page\"></p>\n" },
    { "zeners.html", "Zener diodes",
        "<p>Zener diodes are listed by zener voltage Vz (V), zener current Iz (mA) and power Pd (W).</p>\n" },
    { "pesquisa_similar.html", "Similar and nearest parts",
        "<p>Choose for each of the three ratings how far above the original a replacement may go and press "
        "<em>Fetch similar/nearest</em>. At 0% only parts with the same three ratings are listed.</p>\n" },
    { "encapsulamentos.html", "Packages",
        "<p>The package pictures show the outline and the pin-out as seen from below.</p>\n"
        "<p><img src=\"Imagens/to92.jpg\" alt=\"TO-92\"> <img src=\"Imagens/to220.jpg\" alt=\"TO-220\"> "
        "<img src=\"Imagens/to3.jpg\" alt=\"TO-3\"> <img src=\"Imagens/do41.jpg\" alt=\"DO-41\"></p>\n" },
    { "codigos_de_cores.html", "Colour codes",
        "<p>Choose the colour of each band and press <em>=</em> to read the value.</p>\n"
        "<p><img src=\"Imagens/resistor.jpg\" alt=\"Resistor\"> <img src=\"Imagens/cap_poli.jpg\" "
        "alt=\"Polyester capacitor\"></p>\n" },
    { "reparos.html", "Repairs and hints",
        "<p>The repair page keeps faults and their solutions by company, equipment and model.</p>\n"
        "<p><img src=\"Imagens/tela_reparos.jpg\" alt=\"Repair page\"></p>\n" },
    { "textos_tecnicos.html", "Technical texts",
        "<p>The notes page shows rich-text notes such as <code>library\\readme.rtf</code> with a ruler and a "
        "status line.</p>\n" },
    { "historico.html", "History",
        "<dl>\n<dt>1.0</dt><dd>First release: transistors, rectifiers and zeners.</dd>\n"
        "<dt>1.01</dt><dd>Colour-code calculators and the repair database.</dd>\n"
        "<dt>1.01a</dt><dd>Package pictures for every part, the technical texts page and this help.</dd>\n</dl>\n" },
    { "requisitos.html", "System requirements",
        "<p>Windows 95, 98 or NT 4, 8 MB of memory, 10 MB of free disk space and a screen of 640 x 480 or "
        "more.</p>\n" },
    { "perguntas.html", "Frequently asked questions",
        "<dl>\n<dt>Why does a part have no picture?</dt><dd>Its package has no picture in the picture "
        "table.</dd>\n<dt>Can I add my own parts?</dt><dd>Not in this demo: the tables are only read.</dd>\n"
        "</dl>\n" },
    { "contato.html", "Questions and suggestions",
        "<p>Send questions and suggestions to Tavixsoft. Please name the version (1.01a) and the part you were "
        "looking for.</p>\n" },
};

constexpr const char* kScreens[] = { "tela_transistores", "tela_diodos", "tela_reparos" };

std::string fileKey(const std::string& package)
{
    std::string key;
    for (char c : package)
        if (c != '-')
            key += char(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

std::string pageHtml(const Page& page)
{
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Tavix "
                       "Electronics - ";
    html += page.title;
    html += "</title>\n<style>\nbody { font-family: sans-serif; margin: 2em; max-width: 48em; }\nh1 { color: "
            "#1a3c78; }\nnav a { margin-right: 0.8em; }\n</style>\n</head>\n<body>\n<nav>";
    for (const Page& other : kPages)
        html += std::string("<a href=\"") + other.file + "\">" + other.title + "</a>";
    html += "</nav>\n<h1>";
    html += page.title;
    html += "</h1>\n";
    html += page.body;
    html += "</body>\n</html>\n";
    return html;
}

// A sketch of one page of the program's main window.
QImage drawScreen(const std::string& name)
{
    QImage img(320, 220, QImage::Format_RGB32);
    img.fill(QColor(212, 208, 200));
    QPainter p(&img);
    p.fillRect(0, 0, 320, 20, QColor(10, 36, 106));
    QFont f("DejaVu Sans");
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(6, 0, 300, 20), Qt::AlignVCenter, "Tavix Electronics");
    const char* tabs[] = { "Transistors", "Diodes", "Other", "Repairs", "Texts" };
    const int active = name == "tela_diodos" ? 1 : name == "tela_reparos" ? 3 : 0;
    f.setBold(false);
    p.setFont(f);
    for (int i = 0; i < 5; ++i) {
        QRect tab(6 + i * 62, 26, 60, 18);
        p.fillRect(tab, i == active ? QColor(240, 240, 240) : QColor(190, 186, 178));
        p.setPen(Qt::black);
        p.drawRect(tab);
        p.drawText(tab, Qt::AlignCenter, tabs[i]);
    }
    p.fillRect(6, 48, 308, 164, Qt::white);
    p.setPen(QColor(160, 160, 160));
    for (int y = 48; y <= 212; y += 16)
        p.drawLine(6, y, 314, y);
    for (int x : { 6, 90, 150, 210, 314 })
        p.drawLine(x, 48, x, 212);
    return img;
}

// The product's logo, in few flat colours as GIF pictures are.
QImage drawLogo()
{
    QImage img(200, 60, QImage::Format_RGB32);
    img.fill(QColor(26, 60, 120));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(QColor(240, 200, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRect(8, 8, 44, 44));
    QFont f("DejaVu Sans");
    f.setPixelSize(22);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(60, 0, 140, 60), Qt::AlignVCenter, "Tavix");
    return img;
}

int writeToString(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), size_t(length));
    return length;
}

std::string gifError(const char* step, int code)
{
    const char* text = GifErrorString(code);
    return std::string("GIF ") + step + ": " + (text ? text : "unknown error");
}

} // namespace

const std::vector<std::string>& helpPageNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const Page& page : kPages)
            out.emplace_back(page.file);
        return out;
    }();
    return names;
}

const std::vector<std::string>& helpPictureNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const auto& package : picturedPackages())
            out.push_back(fileKey(package) + ".jpg");
        for (const char* name : { "abertura", "resistor", "cap_poli" })
            out.push_back(std::string(name) + ".jpg");
        for (const char* screen : kScreens)
            out.push_back(std::string(screen) + ".jpg");
        out.emplace_back("logo.gif");
        return out;
    }();
    return names;
}

std::string encodeGif(const QImage& image)
{
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    const QList<QRgb> table = indexed.colorTable();
    if (table.isEmpty() || table.size() > 256)
        throw std::runtime_error("GIF: the picture has no usable palette");
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, writeToString, &error);
    if (!gif)
        throw std::runtime_error(gifError("open", error));
    // giflib wants a palette of a power of two entries.
    int size = 2;
    while (size < table.size())
        size *= 2;
    ColorMapObject* map = GifMakeMapObject(size, nullptr);
    if (!map) {
        EGifCloseFile(gif, &error);
        throw std::runtime_error("GIF: cannot make the palette");
    }
    for (int i = 0; i < size; ++i) {
        const QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
        map->Colors[i] = { GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c)) };
    }
    const int width = indexed.width(), height = indexed.height();
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK
        && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < height; ++y)
        ok = EGifPutLine(gif, const_cast<GifPixelType*>(indexed.constScanLine(y)), width) == GIF_OK;
    const int writeError = ok ? 0 : gif->Error;
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK && ok)
        throw std::runtime_error(gifError("close", error));
    if (!ok)
        throw std::runtime_error(gifError("write", writeError));
    return out;
}

void writeHelp(const std::filesystem::path& helpFolder)
{
    const std::filesystem::path pictures = helpFolder / "Imagens";
    std::error_code ec;
    std::filesystem::create_directories(pictures, ec);
    if (ec)
        throw std::runtime_error(pictures.string() + ": cannot create the folder: " + ec.message());
    for (const Page& page : kPages)
        writeReplacing(helpFolder / page.file, pageHtml(page));

    auto jpeg = [&](const std::string& name, const QImage& image) {
        const auto bytes = encodeJpeg(image);
        writeReplacing(pictures / (name + ".jpg"), std::string(bytes.begin(), bytes.end()));
    };
    for (const auto& package : picturedPackages())
        jpeg(fileKey(package), drawPackage(package));
    jpeg("abertura", drawAbout());
    jpeg("resistor", drawResistor());
    jpeg("cap_poli", drawPolyesterCapacitor());
    for (const char* screen : kScreens)
        jpeg(screen, drawScreen(screen));
    writeReplacing(pictures / "logo.gif", encodeGif(drawLogo()));
}

void writeReplacing(const std::filesystem::path& file, const std::string& bytes)
{
    const std::filesystem::path temp = file.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << bytes;
        out.flush();
        if (!out)
            throw std::runtime_error(temp.string() + ": cannot write the file");
    }
    std::error_code ec;
    std::filesystem::rename(temp, file, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        throw std::runtime_error(file.string() + ": cannot replace the file");
    }
}

} // namespace sampledata
