#pragma once

// Text stored by the old Windows program: code page 1252 bytes in blobs and
// rich-text escapes. Newer files may hold UTF-8 already.

#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

namespace crossref {

// One byte of Windows code page 1252 as a character (the five bytes the
// page leaves undefined map to the C1 control of the same number).
QChar CaractereCp1252(std::uint8_t byte);

// Bytes of code page 1252 as text.
QString DecodificaCp1252(std::string_view bytes);

// A blob holding plain text: UTF-8 when the bytes are valid UTF-8, else code
// page 1252, so that neither old nor new records show broken characters.
QString TextoDoBlob(const std::vector<std::uint8_t>& bytes);

} // namespace crossref
