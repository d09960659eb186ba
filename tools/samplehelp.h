#pragma once

// The HTML help of the cross-reference program: 14 pages (the first
// visao_geral.html, the page the program and its help link open) and their
// pictures in Imagens: 19 JPEG pictures and the GIF logo. A
// QGuiApplication must exist (the pictures are drawn with fonts).

#include <QImage>

#include <filesystem>
#include <string>
#include <vector>

namespace sampledata {

// The page file names in the order of the contents, visao_geral.html first.
const std::vector<std::string>& helpPageNames();
// The picture file names below Imagens: the JPEG pictures, then "logo.gif".
const std::vector<std::string>& helpPictureNames();

// Writes the pages into helpFolder and the pictures into helpFolder/Imagens
// (both created when missing), each through a temporary file renamed into
// place. Throws std::runtime_error naming the file that failed.
void writeHelp(const std::filesystem::path& helpFolder);

// A whole GIF file of image (its colours reduced to at most 256), written
// with giflib. Throws std::runtime_error when giflib fails.
std::string encodeGif(const QImage& image);

// Writes bytes as the whole of file, through a temporary file renamed into
// place, so that a failure leaves the old file as it was. Throws
// std::runtime_error naming the file that failed.
void writeReplacing(const std::filesystem::path& file, const std::string& bytes);

} // namespace sampledata
