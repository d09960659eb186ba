// libFuzzer target over the version resource reader. The first byte picks
// what the rest is: a PE image (even) or a bare VS_VERSIONINFO block (odd).
// Whatever the bytes, the reader gives a resource or none; a resource found
// in an image reads the same from its block alone, and every value it names
// can be asked for.
//
//   clang builds only:  win_version_resource_fuzz -runs=20000 corpus/

#include "platform/win/version_resource.h"
#include "tests/support/fuzz_seeds.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace win;

namespace {

using tavix::fuzzing::check;

void query(const VersionResource& v)
{
    std::string value;
    bool isText = false;
    v.queryValue("\\", value, &isText);
    v.queryValue("\\VarFileInfo\\Translation", value, &isText);
    v.queryValue("\\StringFileInfo", value, &isText);
    v.queryValue("\\\\", value, &isText);
    v.fixedInfo();
    for (const auto& [language, codePage] : v.translations()) {
        char table[16];
        std::snprintf(table, sizeof table, "%04x%04X", unsigned(language), unsigned(codePage));
        for (const char* name : { "CompanyName", "FileVersion", "ProductName", "FileDescription", "" })
            v.stringValue(table, name);
        v.queryValue(std::string("\\StringFileInfo\\") + table, value, &isText);
    }
    v.stringValue("040904E4", "CompanyName");
    v.stringValue("", "");
}

// Blocks and images the project's own writer makes.
std::vector<tavix::fuzzing::Seed> seeds()
{
    VersionSpec wanted;
    wanted.fileVersion[0] = 2;
    wanted.fileVersion[2] = 7;
    wanted.stringTables.push_back({ "040904E4",
        { { "CompanyName", "Tavix Instruments" }, { "FileVersion", "2.0.7.0" }, { "ProductName", "Setup" } } });
    wanted.stringTables.push_back({ "040704E4", { { "FileDescription", "Einrichtung \xC3\xBC" } } });
    wanted.translations.push_back({ 0x0407, 1252 });
    VersionSpec bare;
    bare.translations.clear();
    std::vector<tavix::fuzzing::Seed> out;
    out.push_back({ "image", std::string(1, '\0') + buildPeImage(buildVersionBlock(wanted)) });
    out.push_back({ "image-bare", std::string(1, '\0') + buildPeImage(buildVersionBlock(bare), 0x0407) });
    out.push_back({ "image-none", std::string(1, '\0') + buildPeImage({}) });
    out.push_back({ "block", std::string(1, '\1') + buildVersionBlock(wanted) });
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
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        std::optional<VersionResource> v = VersionResource::fromPeImage(bytes);
        if (v) {
            query(*v);
            std::optional<VersionResource> again = VersionResource::fromBlock(v->block());
            check(again.has_value() && again->block() == v->block());
        }
    } else if (std::optional<VersionResource> v = VersionResource::fromBlock(bytes)) {
        query(*v);
    }
    return 0;
}
