#pragma once

// The version resource (VS_VERSIONINFO) of a PE file, read as version.dll's
// GetFileVersionInfo and VerQueryValue do. Every offset is checked against
// the data, so a corrupt or hostile file gives "no version", never a crash.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace win {

// VS_FIXEDFILEINFO.
struct FixedFileInfo {
    uint32_t signature = 0xFEEF04BD;
    uint32_t structVersion = 0x00010000;
    uint32_t fileVersionMS = 0, fileVersionLS = 0;
    uint32_t productVersionMS = 0, productVersionLS = 0;
    uint32_t fileFlagsMask = 0x3F, fileFlags = 0;
    uint32_t fileOS = 0x40004; // VOS_NT_WINDOWS32
    uint32_t fileType = 1; // VFT_APP
    uint32_t fileSubtype = 0;
    uint32_t fileDateMS = 0, fileDateLS = 0;
};

class VersionResource {
public:
    VersionResource() = default;

    // The version block of a PE image (the whole file's bytes); empty when the
    // image has no version resource or is no PE image.
    static std::optional<VersionResource> fromPeImage(std::string_view image);
    // A VS_VERSIONINFO block as it stands in the resource.
    static std::optional<VersionResource> fromBlock(std::string_view block);

    const std::string& block() const { return block_; }

    // VerQueryValue: "\" gives the fixed info (binary), "\VarFileInfo\Translation"
    // the language and code-page pairs (binary), "\StringFileInfo\040904E4\CompanyName"
    // a text (UTF-8, without the NUL). Names match without case. False when missing.
    bool queryValue(const std::string& subBlock, std::string& value, bool* isText = nullptr) const;

    std::optional<FixedFileInfo> fixedInfo() const;
    // (language, code page) pairs of \VarFileInfo\Translation.
    std::vector<std::pair<uint16_t, uint16_t>> translations() const;
    // A string of the table "llllcccc" (hex, any case).
    std::optional<std::string> stringValue(const std::string& table, const std::string& name) const;

private:
    std::string block_;
};

// Writes version resources and minimal PE images that hold one, so tests can
// make version-stamped files without a resource compiler.
struct VersionSpec {
    uint16_t fileVersion[4] = { 1, 0, 0, 0 };
    uint16_t productVersion[4] = { 1, 0, 0, 0 };
    uint32_t fileFlags = 0;
    uint32_t fileOS = 0x40004;
    uint32_t fileType = 1;
    uint32_t fileSubtype = 0;
    struct StringTable {
        std::string key = "040904E4";
        std::vector<std::pair<std::string, std::string>> strings; // name, UTF-8 text
    };
    std::vector<StringTable> stringTables;
    // US English, Windows Latin 1 unless set.
    std::vector<std::pair<uint16_t, uint16_t>> translations = usEnglishTranslation();
    static std::vector<std::pair<uint16_t, uint16_t>> usEnglishTranslation();
};

std::string buildVersionBlock(const VersionSpec& stamp);
// A PE32 image for i386 whose resource section holds the block as
// RT_VERSION, name 1, the given language. An empty block gives an image
// without resources.
std::string buildPeImage(const std::string& versionBlock, uint16_t language = 0x0409);

} // namespace win
