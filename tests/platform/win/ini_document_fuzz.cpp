// libFuzzer target over the INI file reader. The input is the file. Its
// text reads back as the same lines; every key it lists is found with its
// value, and a value set, a key removed or a section removed shows at once
// in what is read next.
//
//   clang builds only:  win_ini_document_fuzz -runs=20000 corpus/

#include "platform/win/ini_document.h"
#include "tests/support/fuzz_seeds.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace win;

namespace {

using tavix::fuzzing::check;

std::size_t countKey(const IniDocument& doc, const std::string& section, const std::string& key)
{
    std::size_t n = 0;
    for (const auto& k : doc.keyNames(section))
        n += k.size() == key.size()
            && std::equal(k.begin(), k.end(), key.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               });
    return n;
}

// Files written through the document itself.
std::vector<tavix::fuzzing::Seed> seeds()
{
    IniDocument doc("; settings\r\n\r\n");
    doc.setValue("Options", "Units", "GHz");
    doc.setValue("Options", "Digits", " 5 ");
    doc.setValue("Recent", "file0", "C:\\Data\\amp.s2p");
    doc.setValue("Drivers", "Bench", "\"C:\\Program Files\\bench.dll\"");
    IniDocument small;
    small.setValue("boot", "shell", "progman.exe");
    return { { "options", doc.text() }, { "small", small.text() } };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tavix::fuzzing::writeSeedsIfAsked(seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    IniDocument doc(std::string(reinterpret_cast<const char*>(data), size));
    check(IniDocument(doc.text()).lines() == doc.lines());

    const std::vector<std::string> sections = doc.sectionNames();
    for (const std::string& s : sections)
        for (const auto& [key, value] : doc.entries(s)) {
            check(doc.lineOf(s, key) > 0);
            check(doc.value(s, key).has_value());
        }

    if (!sections.empty()) {
        const std::string& s = sections[size % sections.size()];
        const std::vector<std::string> keys = doc.keyNames(s);
        if (!keys.empty()) {
            const std::string& key = keys[size % keys.size()];
            IniDocument changed = doc;
            changed.setValue(s, key, "fuzz value");
            check(changed.value(s, key) == "fuzz value");
            const std::size_t before = countKey(changed, s, key);
            check(changed.removeKey(s, key));
            check(countKey(changed, s, key) == before - 1);
        }
        IniDocument removed = doc;
        check(removed.removeSection(s));
        check(removed.sectionNames().size() == sections.size() - 1);
    }
    doc.setValue("Fuzz Section", "Fuzz Key", "fuzz value");
    check(doc.value("Fuzz Section", "Fuzz Key") == "fuzz value");
    check(IniDocument(doc.text()).value("fuzz section", "fuzz key") == "fuzz value");
    return 0;
}
