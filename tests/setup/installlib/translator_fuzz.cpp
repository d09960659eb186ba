// libFuzzer target over the translator's language files. The input is two
// files split at the first NUL byte: English, loaded from a file, and
// French, loaded from a stream. A file that does not parse raises the
// library's Exception and leaves its language empty; one that parses reads
// back the same from its own text, and every English text and memo can be
// translated into French.
//
//   clang builds only:  installlib_translator_fuzz -runs=20000 corpus/

#include "setup/installlib/exceptions.h"
#include "setup/installlib/translator.h"
#include "tests/support/fuzz_seeds.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace installlib;

namespace {

tavix::fuzzing::TScratchFolder& folder()
{
    static tavix::fuzzing::TScratchFolder f("translator_fuzz");
    return f;
}

using tavix::fuzzing::check;

bool load(TLanguage& language, const std::string& text, bool fromFile)
{
    try {
        if (fromFile) {
            const std::filesystem::path file = folder().dir / "english.txt";
            {
                std::ofstream out(file, std::ios::binary | std::ios::trunc);
                out << text;
            }
            language.Strings().LoadFromFile(file);
        } else {
            std::istringstream in(text);
            language.Strings().LoadFromStream(in);
        }
        return true;
    } catch (const Exception&) {
        check(language.TextLines().empty() && language.Memos().empty());
        return false;
    }
}

// The same GLIDs in both languages: texts, a memo, comment lines.
std::vector<tavix::fuzzing::Seed> seeds()
{
    TTranslator translator;
    TLanguage& en = translator.lgEnglish();
    TLanguage& fr = translator.lgFrench();
    en.Strings().AddStrings({ "* Setup texts", "1;Cannot open file %s", "2;Install", "#3;", "Read this first.",
        "It has two lines.", "#", "10;&Next >" });
    fr.Strings().AddStrings({ "1;Impossible d'ouvrir le fichier %s", "2;Installer", "#3;", "Lisez ceci.",
        "Il a deux lignes.", "#", "10;&Suivant >" });
    std::vector<tavix::fuzzing::Seed> out;
    out.push_back({ "both", en.Strings().Text() + std::string(1, '\0') + fr.Strings().Text() });
    out.push_back({ "english", en.Strings().Text() });
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tavix::fuzzing::writeSeedsIfAsked(seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string english = input.substr(0, nul);
    const std::string french = nul == std::string::npos ? std::string() : input.substr(nul + 1);

    TTranslator translator;
    translator.TranslateIntoLanguage = qgFrench;
    TLanguage& en = translator.lgEnglish();
    TLanguage& fr = translator.lgFrench();
    if (load(en, english, true)) {
        TLanguage copy(qgEnglish);
        check(load(copy, en.Strings().Text(), false));
        check(copy.Strings().Lines() == en.Strings().Lines());
        check(copy.TextLines().size() == en.TextLines().size());
        check(copy.Memos().size() == en.Memos().size());
    }
    load(fr, french, false);

    for (const TLanguageString& t : en.TextLines()) {
        check(t.LineNumber >= 0 && t.LineNumber < en.Strings().Count());
        check(t.Text.size() <= 255);
        const TLanguageString* to = fr.FindGLID(en.FindText(t.Text)->GLID);
        check(translator.TranslateString(qgEnglish, t.Text) == (to ? to->Text : t.Text));
    }
    for (const TLanguageMemo& m : en.Memos()) {
        std::vector<std::string> result;
        translator.TranslateMemo(qgEnglish, m.Lines, result);
    }
    return 0;
}
