#pragma once

// A reader for the rich text the notes page shows: paragraphs with
// alignment, indents and spacing, bullets, bold, italic, underline, font
// face and size, the colour table, \uN and \'hh escapes (code page of
// \ansicpg, 1252 by default). Pictures, objects, fields' instructions and
// other destinations are skipped; unknown control words are ignored, as
// rich-text readers do.

#include <QTextDocument>

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace crossref {

class ERtf : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True when the bytes begin (after blanks) with "{\rtf".
bool PareceRtf(std::string_view bytes);

// Replaces the content of `documento` with the rich text `rtf`. Raises ERtf
// when the text is not rich text or nests groups deeper than the reader
// allows; `documento` may then hold part of the text.
void LeRtf(std::string_view rtf, QTextDocument& documento);

// Reads the notes file into `documento`: rich text when it is rich text,
// otherwise plain text (UTF-8 or code page 1252). Errors name the file.
void CarregaArquivoDeNotas(const std::filesystem::path& arquivo, QTextDocument& documento);

} // namespace crossref
