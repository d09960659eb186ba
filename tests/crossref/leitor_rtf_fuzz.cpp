// libFuzzer target over the rich-text reader of the notes page. The input is
// the notes file; it is read into a document (ERtf for text that is not rich
// text or nests too deep) and the document's text is taken.
//
//   clang builds only:  crossref_rtf_fuzz -runs=20000 corpus/

#include "crossref/leitor_rtf.h"
#include "tests/support/fuzz_seeds.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Notes with what the reader knows: fonts, colours, paragraph formats,
// bullets, escapes and a skipped picture.
std::vector<tavix::fuzzing::Seed> seeds()
{
    return {
        { "formats",
            "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}\r\n"
            "{\\colortbl;\\red0\\green0\\blue128;\\red200\\green10\\blue0;}\r\n"
            "\\pard\\qc\\sa120\\sb60\\cf1\\b\\f0\\fs32 Title\\b0\\fs20\\par\r\n"
            "\\pard\\li360\\fi-360\\qj{\\pntext\\f1 -\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb -}}\\i bullet\\i0\\par\r\n"
            "\\pard\\qr\\ul S\\'e3o Paulo \\u8364? \\ulnone\\cf2 red\\cf0\\line next\\par\r\n"
            "{\\pict\\wmetafile8\\picw100\\pich100 0102030405}{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}\\par}" },
        { "codepage", "{\\rtf1\\ansi\\ansicpg1251 {\\f0\\fcharset204 \\'cf\\'f0\\'e8}\\uc2\\u1055\\'3f\\'3f end\\par}" },
        { "plain", "{\\rtf1 text \\{braces\\} \\\\ back\\~space\\-hyphen\\_dash}" },
    };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    tavix::fuzzing::writeSeedsIfAsked(seeds);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QTextDocument document;
    try {
        crossref::LeRtf(std::string_view(reinterpret_cast<const char*>(data), size), document);
    } catch (const crossref::ERtf&) {
    }
    document.toPlainText();
    return 0;
}
