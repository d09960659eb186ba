#pragma once

// TVersionResource reads the version resource of an executable into display
// strings (TVersionInfo); on top of it the overwrite decision tells whether a
// file about to be written over an existing one replaces it.

#include "platform/rtl/datetime.h"
#include "setup/installlib/component.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace installlib {

// The language and code page of the string table to read. In a namespace of
// their own: the translator has a TLanguage class of its own.
namespace versionres {

enum TLanguage : int {
    lnArabic,
    lnBulgarian,
    lnCatalan,
    lnTraditionalChinese,
    lnCzech,
    lnDanish,
    lnGerman,
    lnGreek,
    lnUSEnglish,
    lnCastilianSpanish,
    lnFinnish,
    lnFrench,
    lnHebrew,
    lnHungarian,
    lnIcelandic,
    lnItalian,
    lnJapanese,
    lnKorean,
    lnDutch,
    lnNorwegianBokmal,
    lnPolish,
    lnBrazilianPortuguese,
    lnRhaetoRomanic,
    lnRomanian,
    lnRussian,
    lnCroatoSerbian,
    lnSlovak,
    lnAlbanian,
    lnSwedish,
    lnThai,
    lnTurkish,
    lnUrdu,
    lnBahasa,
    lnSimplifiedChinese,
    lnSwissGerman,
    lnUKEnglish,
    lnMexicanSpanish,
    lnBelgianFrench,
    lnSwissItalian,
    lnBelgianDutch,
    lnNorwegianNynorsk,
    lnPortuguese,
    lnSerboCroatian,
    lnCanadianFrench,
    lnSwissFrench,
};

enum TCharacterSet : int {
    csASCII,
    csJapan,
    csKorea,
    csTaiwan,
    csUnicode,
    csLatin2,
    csCyrillic,
    csMultilingual,
    csGreek,
    csTurkish,
    csHebrew,
    csArabic,
};

// Windows language identifier and code page; a value outside the
// enumeration raises Exception with an empty message.
std::uint16_t LanguageId(TLanguage language);
std::uint16_t CodePage(TCharacterSet characterSet);

} // namespace versionres

// The values read from one file; each is empty when the file has none.
class TVersionInfo {
public:
    std::string Comment;
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyright;
    std::string LegalTradeMarks;
    std::string OriginalFileName;
    std::string PrivateBuild;
    std::string ProductName;
    std::string ProductVersion;
    std::string SpecialBuild;
    std::string FileOS;
    std::string FileType;
    std::string FileSubType;
    // Low 10 bits of the first language of the translation table; 0 when absent.
    int PrimaryLanguage = 0;

    void Clear() { *this = TVersionInfo(); }
};

enum TOverwriteType : int { owAlways, owNever, owVersion, owDate, owVersionDate };

// Results of the overwrite decision (one byte).
using TOverwriteResult = std::uint8_t;
inline constexpr TOverwriteResult orFailed = 0; // the comparison failed
inline constexpr TOverwriteResult orSame = 1; // keep the existing file
inline constexpr TOverwriteResult orReplace = 2;
inline constexpr TOverwriteResult orKeep = 3; // the existing file is newer, or owNever

class TVersionResource : public TComponent {
public:
    explicit TVersionResource(TComponent* Owner = nullptr);

    // Setting any of these three reads the file again at once. Files are
    // Windows paths on win::Machine::current(); without a machine, or for a
    // file without version information, every value is empty.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string_view FileName);
    versionres::TLanguage Language() const { return language_; }
    void SetLanguage(versionres::TLanguage Language);
    versionres::TCharacterSet CharacterSet() const { return characterSet_; }
    void SetCharacterSet(versionres::TCharacterSet CharacterSet);

    const TVersionInfo& VersionInfo() const { return info_; }

    // 0 when the dotted versions are equal, 1 when A is newer, 2 when B is.
    // Fields that are both numbers compare as numbers, others byte by byte;
    // the version that still has a field where the other has none is newer.
    static int CompareVersions(std::string_view A, std::string_view B);

    // The overwrite decision with version and date read from the source file.
    static TOverwriteResult IsFileNewerByName(
        std::string_view SourcePath, std::string_view TargetPath, TOverwriteType OverwriteType);

private:
    void Read();

    std::string fileName_;
    versionres::TLanguage language_ = versionres::lnUSEnglish;
    versionres::TCharacterSet characterSet_ = versionres::csMultilingual;
    TVersionInfo info_;
};

// The reader the decisions (and the archive) share; made on first use and
// re-pointed at each file examined.
TVersionResource& SharedVersionResource();

// The decision for a file whose version and date are known (an archive
// member) against the file at TargetPath: owAlways 2; owNever 3 when the
// target exists, else 2; owVersion 1 same, 2 new is newer, 3 target is newer;
// owDate by modification time (0 when the target cannot be opened);
// owVersionDate by version, by date when the versions are equal.
TOverwriteResult CompareForOverwrite(
    std::string_view NewVersion, std::string_view TargetPath, TOverwriteType OverwriteType, rtl::TDateTime NewDate);

} // namespace installlib
