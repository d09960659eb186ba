#include "setup/installlib/versionresource.h"

#include "platform/win/dosdate.h"
#include "platform/win/file.h"
#include "platform/win/machine.h"
#include "platform/win/version_resource.h"
#include "setup/installlib/routines.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

namespace installlib {

namespace versionres {

std::uint16_t LanguageId(TLanguage language)
{
    static constexpr std::uint16_t kTail[]
        = { 0x0804, 0x0807, 0x0809, 0x080A, 0x080C, 0x0810, 0x0813, 0x0814, 0x0816, 0x081A, 0x0C0C, 0x100C };
    int n = static_cast<int>(language);
    if (n >= lnArabic && n <= lnBahasa)
        return static_cast<std::uint16_t>(0x0401 + n);
    if (n >= lnSimplifiedChinese && n <= lnSwissFrench)
        return kTail[n - lnSimplifiedChinese];
    throw Exception("");
}

std::uint16_t CodePage(TCharacterSet characterSet)
{
    static constexpr std::uint16_t kPages[] = { 0, 932, 949, 950, 1200, 1250, 1251, 1252, 1253, 1254, 1255, 1256 };
    int n = static_cast<int>(characterSet);
    if (n < csASCII || n > csArabic)
        throw Exception("");
    return kPages[n];
}

} // namespace versionres

namespace {

std::string dotted(std::uint32_t ms, std::uint32_t ls)
{
    char text[48];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
    return text;
}

std::string fileOSText(std::uint32_t os)
{
    switch (os) {
    case 1:
        return "Windows 3.0 or later";
    case 2:
        return "16 bit OS/2 Presentation Manager";
    case 3:
        return "32 bit OS/2 Presentation Manager";
    case 4:
        return "32 bit Windows";
    case 0x10000:
        return "MS-Dos";
    case 0x10001:
        return "Windows 3.0 or later with MS-Dos";
    case 0x10004:
        return "32 bit Windows with MS-Dos";
    case 0x20000:
        return "16 bit OS/2";
    case 0x20002:
        return "16 bit OS/2 with Presentation Manager";
    case 0x30000:
        return "32 bit OS/2";
    case 0x30003:
        return "32 bit OS/2 with Presentation Manager";
    case 0x40000:
        return "Windows NT";
    case 0x40004:
        return "Windows NT with 32 bit Windows";
    default:
        return "Unknown";
    }
}

std::string fileTypeText(std::uint32_t type)
{
    switch (type) {
    case 1:
        return "Application";
    case 2:
        return "Dynamic-Link Library";
    case 3:
        return "Device Driver";
    case 4:
        return "Font";
    case 5:
        return "Virtual Device Driver";
    case 7:
        return "Static-Link Library";
    default:
        return "Unknown";
    }
}

std::string fileSubTypeText(std::uint32_t type, std::uint32_t sub)
{
    static const char* const kDrivers[] = { "Printer", "Keyboard", "Language", "Display", "Mouse", "Network", "System",
        "Installable", "Sound", "Communications" };
    static const char* const kFonts[] = { "Raster", "Vector", "TrueType" };
    if (type == 3)
        return sub >= 1 && sub <= 10 ? kDrivers[sub - 1] : "Unknown";
    if (type == 4)
        return sub >= 1 && sub <= 3 ? kFonts[sub - 1] : "Unknown";
    return {};
}

// The modification time of a file opened for shared reading; empty when it
// cannot be opened.
std::optional<rtl::TDateTime> fileDate(std::string_view path)
{
    if (!win::Machine::hasCurrent())
        return std::nullopt;
    win::File f;
    if (!f.open(win::Machine::current(), std::string(path), win::GENERIC_READ,
            win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING))
        return std::nullopt;
    std::optional<std::uint32_t> stamp = f.dosDateTime();
    if (!stamp)
        return std::nullopt;
    return win::dosDateTimeToDateTime(*stamp);
}

std::string fileVersionOf(std::string_view path)
{
    TVersionResource& reader = SharedVersionResource();
    reader.SetFileName(path);
    return reader.VersionInfo().FileVersion;
}

bool blank(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    return true;
}

TOverwriteResult decide(std::string_view newVersion, std::string_view target, TOverwriteType type,
    const std::function<std::optional<rtl::TDateTime>()>& newDate)
{
    auto byVersion = [&](int compared) -> TOverwriteResult {
        return compared == 0 ? orSame : compared == 1 ? orReplace : orKeep;
    };
    auto byDate = [&]() -> TOverwriteResult {
        std::optional<rtl::TDateTime> targetDate = fileDate(target);
        if (!targetDate)
            return orFailed;
        std::optional<rtl::TDateTime> date = newDate();
        if (!date)
            return orFailed;
        // Both sides come from 2-second DOS stamps; the tolerance only absorbs
        // the rounding of the day-count conversion.
        constexpr double kSameInstant = 1e-8;
        if (*date > *targetDate + kSameInstant)
            return orReplace;
        if (*date < *targetDate - kSameInstant)
            return orKeep;
        return orSame;
    };
    switch (type) {
    case owAlways:
        return orReplace;
    case owNever:
        return !blank(target) && win::Machine::hasCurrent() && win::Machine::current().fileExists(std::string(target))
            ? orKeep
            : orReplace;
    case owVersion:
        return byVersion(TVersionResource::CompareVersions(newVersion, fileVersionOf(target)));
    case owDate:
        return byDate();
    case owVersionDate: {
        int compared = TVersionResource::CompareVersions(newVersion, fileVersionOf(target));
        return compared != 0 ? byVersion(compared) : byDate();
    }
    }
    return orFailed;
}

} // namespace

TVersionResource::TVersionResource(TComponent* Owner)
    : TComponent(Owner)
{
}

void TVersionResource::SetFileName(std::string_view FileName)
{
    fileName_ = std::string(FileName);
    Read();
}

void TVersionResource::SetLanguage(versionres::TLanguage Language)
{
    versionres::LanguageId(Language); // refuses a value outside the range
    language_ = Language;
    Read();
}

void TVersionResource::SetCharacterSet(versionres::TCharacterSet CharacterSet)
{
    versionres::CodePage(CharacterSet);
    characterSet_ = CharacterSet;
    Read();
}

void TVersionResource::Read()
{
    info_.Clear();
    if (fileName_.empty() || !win::Machine::hasCurrent())
        return;
    win::VersionResource resource;
    if (!win::Machine::current().fileVersionInfo(fileName_, resource))
        return;
    std::string root;
    if (!resource.queryValue("\\", root))
        return;
    std::optional<win::FixedFileInfo> fixed = resource.fixedInfo();
    if (!fixed)
        return;
    info_.FileVersion = dotted(fixed->fileVersionMS, fixed->fileVersionLS);
    info_.ProductVersion = dotted(fixed->productVersionMS, fixed->productVersionLS);

    std::string translation;
    if (resource.queryValue("\\VarFileInfo\\Translation", translation) && translation.size() == 4) {
        unsigned word = static_cast<unsigned char>(translation[0]) | static_cast<unsigned char>(translation[1]) << 8;
        info_.PrimaryLanguage = static_cast<int>(word & 0x3FF);
    }

    info_.FileOS = fileOSText(fixed->fileOS);
    info_.FileType = fileTypeText(fixed->fileType);
    info_.FileSubType = fileSubTypeText(fixed->fileType, fixed->fileSubtype);

    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", versionres::LanguageId(language_),
        versionres::CodePage(characterSet_));
    struct Key {
        const char* name;
        std::string TVersionInfo::*field;
    };
    static const Key kKeys[] = {
        { "Comments", &TVersionInfo::Comment },
        { "CompanyName", &TVersionInfo::CompanyName },
        { "FileDescription", &TVersionInfo::FileDescription },
        { "InternalName", &TVersionInfo::InternalName },
        { "LegalCopyright", &TVersionInfo::LegalCopyright },
        { "LegalTradeMarks", &TVersionInfo::LegalTradeMarks },
        { "OriginalFileName", &TVersionInfo::OriginalFileName },
        { "PrivateBuild", &TVersionInfo::PrivateBuild },
        { "ProductName", &TVersionInfo::ProductName },
        { "ProductVersion", &TVersionInfo::ProductVersion },
        { "SpecialBuild", &TVersionInfo::SpecialBuild },
    };
    for (const Key& key : kKeys) {
        std::string value;
        bool isText = false;
        if (resource.queryValue(std::string(prefix) + key.name, value, &isText))
            info_.*key.field = value;
    }
}

int TVersionResource::CompareVersions(std::string_view A, std::string_view B)
{
    for (int i = 1;; ++i) {
        std::string a = GetDelimitedItem(A, i, '.');
        std::string b = GetDelimitedItem(B, i, '.');
        if (a.empty() || b.empty()) {
            if (a.empty() && b.empty())
                return 0;
            return b.empty() ? 1 : 2;
        }
        int na = 0, nb = 0;
        if (TryStrToInt(a, na) && TryStrToInt(b, nb)) {
            if (na != nb)
                return na > nb ? 1 : 2;
            continue;
        }
        int c = a.compare(b);
        if (c != 0)
            return c < 0 ? 2 : 1;
    }
}

TOverwriteResult TVersionResource::IsFileNewerByName(
    std::string_view SourcePath, std::string_view TargetPath, TOverwriteType OverwriteType)
{
    std::string newVersion = fileVersionOf(SourcePath);
    return decide(newVersion, TargetPath, OverwriteType, [&] { return fileDate(SourcePath); });
}

TVersionResource& SharedVersionResource()
{
    static std::unique_ptr<TVersionResource> shared = std::make_unique<TVersionResource>();
    return *shared;
}

TOverwriteResult CompareForOverwrite(
    std::string_view NewVersion, std::string_view TargetPath, TOverwriteType OverwriteType, rtl::TDateTime NewDate)
{
    return decide(NewVersion, TargetPath, OverwriteType, [&] { return std::optional<rtl::TDateTime>(NewDate); });
}

} // namespace installlib
