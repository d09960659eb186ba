#pragma once

// The lines of the legend box, which explains the abbreviations of the part
// pages.

#include <QStringList>

namespace crossref {

// The entries in order, an empty line after every one but the last, and a
// second after each heading and after the last entry of the transistor and
// rectifier groups.
QStringList LinhasDaLegenda();

} // namespace crossref
