#pragma once

// Pictures of the sample picture table, drawn here: package outlines, the
// About picture "abertura" and the colour-code pictures "resistor" and
// "cap_poli". A QGuiApplication must exist (text is drawn with fonts).

#include "platform/paradox/paradox.h"

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

namespace sampledata {

QImage drawPackage(const std::string& key);
QImage drawAbout();
QImage drawResistor();
QImage drawPolyesterCapacitor();

// A whole JPEG file image of `image`.
std::vector<std::uint8_t> encodeJpeg(const QImage& image, int quality = 85);

// The graficos table: every package the sample parts use plus "abertura",
// "resistor" and "cap_poli".
paradox::Table pictures();

} // namespace sampledata
