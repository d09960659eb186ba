#pragma once

// The sample product folder of the cross-reference program.

#include <filesystem>

namespace sampledata {

// Writes into `productFolder` (created when missing):
//   data/transistores.DB, diodosr.DB, diodosz.DB, Reparos.DB, graficos.DB with their .PX and .MB
//   library/readme.rtf      a short rich-text note on reading the tables
//   Help/*.html             the 14 help pages (samplehelp.h), visao_geral.html first
//   Help/Imagens/           their 19 JPEG pictures and the GIF logo
// Every file goes to a temporary file renamed into place. Throws
// paradox::Error or std::runtime_error naming the file that failed.
// Needs a QGuiApplication (the pictures are drawn with fonts).
void writeSampleProduct(const std::filesystem::path& productFolder);

} // namespace sampledata
