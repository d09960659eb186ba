#include "tools/samplepictures.h"

#include "tools/sampledata.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <stdexcept>

namespace sampledata {

namespace {

constexpr int kW = 240;
constexpr int kH = 180;

const QColor kBlack(30, 30, 30);
const QColor kMetal(190, 190, 200);
const QColor kLead(150, 150, 155);

QImage canvas(int w = kW, int h = kH)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

void caption(QPainter& p, const QString& text)
{
    QFont f("DejaVu Sans");
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kBlack);
    p.drawText(QRect(0, kH - 24, kW, 22), Qt::AlignCenter, text);
}

void label(QPainter& p, int x, int y, const QString& text)
{
    QFont f("DejaVu Sans");
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(kBlack);
    p.drawText(QRect(x - 15, y, 30, 16), Qt::AlignCenter, text);
}

// Straight leads hanging down from `top`, labelled at their ends.
void leads(QPainter& p, const std::vector<int>& xs, int top, int bottom, const QStringList& names)
{
    for (std::size_t i = 0; i < xs.size(); ++i) {
        p.setPen(QPen(kLead, 4, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(xs[i], top, xs[i], bottom);
        if (static_cast<qsizetype>(i) < names.size())
            label(p, xs[i], bottom + 2, names[static_cast<qsizetype>(i)]);
    }
}

void metalCan(QPainter& p, int pins, const QString& name, int diameter)
{
    const int cx = 120, top = 20;
    p.setPen(QPen(kBlack, 2));
    QLinearGradient g(cx - diameter / 2, 0, cx + diameter / 2, 0);
    g.setColorAt(0, kMetal.darker(130));
    g.setColorAt(0.5, kMetal.lighter(120));
    g.setColorAt(1, kMetal.darker(130));
    p.setBrush(g);
    p.drawRect(cx - diameter / 2, top + 8, diameter, 60);
    p.drawEllipse(QPoint(cx, top + 8), diameter / 2, 8);
    p.drawRect(cx - diameter / 2 - 6, top + 62, diameter + 12, 8); // flange
    p.setBrush(kMetal);
    p.drawRect(cx + diameter / 2 + 2, top + 62, 10, 8); // tab beside the emitter
    std::vector<int> xs;
    for (int i = 0; i < pins; ++i)
        xs.push_back(cx - 30 + i * 60 / (pins - 1));
    leads(p, xs, top + 70, 135, pins == 4 ? QStringList { "E", "B", "C", "S" } : QStringList { "E", "B", "C" });
    caption(p, name);
}

void tabPackage(QPainter& p, const QString& name, int bodyW, int bodyH, bool metalTab, const QStringList& pins)
{
    const int cx = 120, top = 14;
    p.setPen(QPen(kBlack, 2));
    int y = top;
    if (metalTab) {
        p.setBrush(kMetal);
        p.drawRect(cx - bodyW / 2, y, bodyW, 34);
        p.setBrush(Qt::white);
        p.drawEllipse(QPoint(cx, y + 16), 8, 8);
        y += 34;
    }
    p.setBrush(kBlack);
    p.drawRect(cx - bodyW / 2, y, bodyW, bodyH);
    if (!metalTab) {
        p.setBrush(Qt::white);
        p.drawEllipse(QPoint(cx, y + bodyH / 3), 7, 7);
    }
    const int step = bodyW / 3;
    leads(p, { cx - step, cx, cx + step }, y + bodyH, 135, pins);
    caption(p, name);
}

void axial(QPainter& p, const QString& name, int bodyW, int bodyH, const QColor& body, const QColor& band)
{
    const int cx = 120, cy = 70;
    p.setPen(QPen(kLead, 4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(15, cy, 225, cy);
    p.setPen(QPen(kBlack, 2));
    p.setBrush(body);
    p.drawRoundedRect(cx - bodyW / 2, cy - bodyH / 2, bodyW, bodyH, bodyH / 4, bodyH / 4);
    p.setBrush(band);
    p.setPen(Qt::NoPen);
    p.drawRect(cx + bodyW / 2 - bodyW / 5, cy - bodyH / 2 + 1, bodyW / 8, bodyH - 2);
    label(p, 25, cy + 10, "A");
    label(p, 215, cy + 10, "K");
    caption(p, name);
}

} // namespace

QImage drawPackage(const std::string& key)
{
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QString name = QString::fromStdString(key);
    if (key == "TO-92") {
        QPainterPath body;
        body.moveTo(85, 90);
        body.lineTo(85, 50);
        body.arcTo(QRectF(85, 20, 70, 60), 180, -180);
        body.lineTo(155, 90);
        body.closeSubpath();
        p.setPen(QPen(kBlack, 2));
        p.setBrush(kBlack);
        p.drawPath(body);
        leads(p, { 100, 120, 140 }, 90, 135, { "E", "B", "C" });
        caption(p, name);
    } else if (key == "TO-18") {
        metalCan(p, 3, name, 50);
    } else if (key == "TO-72") {
        metalCan(p, 4, name, 50);
    } else if (key == "TO-39") {
        metalCan(p, 3, name, 80);
    } else if (key == "TO-126") {
        tabPackage(p, name, 70, 80, false, { "E", "C", "B" });
    } else if (key == "TO-220") {
        tabPackage(p, name, 80, 55, true, { "B", "C", "E" });
    } else if (key == "TO-3P") {
        tabPackage(p, name, 110, 85, false, { "B", "C", "E" });
    } else if (key == "TO-218") {
        tabPackage(p, name, 100, 62, true, { "B", "C", "E" });
    } else if (key == "TO-3") {
        QPainterPath flange;
        flange.addEllipse(QPointF(120, 75), 105, 52);
        p.setPen(QPen(kBlack, 2));
        p.setBrush(kMetal);
        p.drawPath(flange);
        p.setBrush(kMetal.lighter(115));
        p.drawEllipse(QPointF(120, 75), 42, 42);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(35, 75), 9, 9);
        p.drawEllipse(QPointF(205, 75), 9, 9);
        p.setBrush(kBlack);
        p.drawEllipse(QPointF(110, 98), 4, 4);
        p.drawEllipse(QPointF(130, 52), 4, 4);
        label(p, 96, 100, "B");
        label(p, 146, 44, "E");
        p.drawText(QRect(70, 130, 100, 16), Qt::AlignCenter, "Case: C");
        caption(p, name);
    } else if (key == "SOT-23") {
        p.setPen(QPen(kBlack, 2));
        p.setBrush(kLead);
        p.drawRect(84, 110, 14, 25);
        p.drawRect(142, 110, 14, 25);
        p.drawRect(113, 25, 14, 25);
        p.setBrush(kBlack);
        p.drawRect(70, 50, 100, 60);
        label(p, 91, 137, "B");
        label(p, 149, 137, "E");
        label(p, 140, 26, "C");
        caption(p, name);
    } else if (key == "DO-35") {
        axial(p, name, 60, 24, QColor(230, 140, 60), kBlack);
    } else if (key == "DO-41") {
        axial(p, name, 80, 34, kBlack, QColor(200, 200, 200));
    } else if (key == "DO-201") {
        axial(p, name, 110, 50, kBlack, QColor(200, 200, 200));
    } else if (key == "SOD-57") {
        axial(p, name, 70, 36, QColor(120, 120, 130), kBlack);
    } else if (key == "P600") {
        axial(p, name, 76, 64, kBlack, QColor(200, 200, 200));
    } else {
        p.setPen(QPen(kBlack, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(60, 30, 120, 90);
        caption(p, name);
    }
    return img;
}

QImage drawAbout()
{
    QImage img = canvas(360, 220);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 220);
    g.setColorAt(0, QColor(20, 60, 120));
    g.setColorAt(1, QColor(10, 25, 50));
    p.fillRect(img.rect(), g);
    // A transistor symbol: base bar, collector and emitter with its arrow.
    p.setPen(QPen(Qt::white, 4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(90, 100), 55, 55);
    p.drawLine(40, 100, 75, 100);
    p.drawLine(75, 70, 75, 130);
    p.drawLine(75, 85, 115, 55);
    p.drawLine(115, 55, 115, 35);
    p.drawLine(75, 115, 115, 145);
    p.drawLine(115, 145, 115, 165);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({ QPointF(115, 145), QPointF(98, 142), QPointF(106, 130) }));
    QFont f("DejaVu Sans");
    f.setPixelSize(28);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(160, 60, 190, 40), Qt::AlignLeft | Qt::AlignVCenter, "Tavix");
    f.setPixelSize(18);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(160, 100, 190, 30), Qt::AlignLeft | Qt::AlignVCenter, "Electronics");
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(QColor(180, 200, 230));
    p.drawText(QRect(160, 135, 190, 24), Qt::AlignLeft | Qt::AlignVCenter, "Semiconductor cross-reference");
    return img;
}

namespace {

void bandLetters(QPainter& p, const std::vector<int>& xs, int y)
{
    const char* letters[] = { "a", "b", "c", "d", "e" };
    for (std::size_t i = 0; i < xs.size() && i < 5; ++i) {
        p.setPen(QPen(kBlack, 1));
        p.drawLine(xs[i], y - 14, xs[i], y - 2);
        label(p, xs[i], y, letters[i]);
    }
}

} // namespace

QImage drawResistor()
{
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kLead, 4));
    p.drawLine(10, 70, 230, 70);
    p.setPen(QPen(kBlack, 2));
    p.setBrush(QColor(225, 200, 150));
    p.drawRoundedRect(45, 45, 150, 50, 20, 20);
    const QColor bands[] = { QColor(150, 75, 0), Qt::black, Qt::red, QColor(212, 175, 55), QColor(150, 75, 0) };
    const int xs[] = { 70, 92, 114, 140, 172 };
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        p.setBrush(bands[i]);
        p.drawRect(xs[i] - 5, 46, 10, 48);
    }
    bandLetters(p, { 70, 92, 114, 140, 172 }, 112);
    caption(p, "Resistor colour code");
    return img;
}

QImage drawPolyesterCapacitor()
{
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kLead, 4));
    p.drawLine(100, 120, 100, 150);
    p.drawLine(140, 120, 140, 150);
    p.setPen(QPen(kBlack, 2));
    p.setBrush(QColor(90, 130, 200));
    p.drawRoundedRect(85, 10, 70, 112, 10, 10);
    const QColor bands[] = { QColor(150, 75, 0), Qt::black, QColor(255, 165, 0), Qt::white, Qt::red };
    const int ys[] = { 22, 42, 62, 82, 102 };
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        p.setBrush(bands[i]);
        p.drawRect(86, ys[i] - 6, 68, 12);
    }
    const char* letters[] = { "a", "b", "c", "d", "e" };
    for (int i = 0; i < 5; ++i) {
        p.setPen(QPen(kBlack, 1));
        p.drawLine(160, ys[i], 175, ys[i]);
        label(p, 186, ys[i] - 8, letters[i]);
    }
    caption(p, "Polyester capacitor");
    return img;
}

namespace {

struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jumpOut(j_common_ptr c)
{
    auto* e = reinterpret_cast<JpegErrors*>(c->err);
    (*c->err->format_message)(c, e->message);
    std::longjmp(e->jump, 1);
}

} // namespace

std::vector<std::uint8_t> encodeJpeg(const QImage& image, int quality)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo {};
    JpegErrors errors {};
    cinfo.err = jpeg_std_error(&errors.pub);
    // The encoder fails only on bad parameters or exhausted memory; it must
    // not end the process, so its error exit jumps back here.
    errors.pub.error_exit = jumpOut;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(out);
        throw std::runtime_error(std::string("JPEG encoder: ") + errors.message);
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> bytes(out, out + outSize);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

paradox::Table pictures()
{
    paradox::Table t = pictureStructure();
    for (const std::string& key : usedPackages())
        t.records.push_back({ key, encodeJpeg(drawPackage(key)) });
    t.records.push_back({ std::string("abertura"), encodeJpeg(drawAbout()) });
    t.records.push_back({ std::string("resistor"), encodeJpeg(drawResistor()) });
    t.records.push_back({ std::string("cap_poli"), encodeJpeg(drawPolyesterCapacitor()) });
    return t;
}

} // namespace sampledata
