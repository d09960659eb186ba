#include "setup/installlib/languagefonts.h"

#include "setup/installlib/format.h"

namespace installlib {

namespace {

// Big5 name of PMingLiU without its last byte, as the forms have always set it.
const std::string kBig5Face = "\xB7\x73\xB2\xD3\xA9\xFA\xC5";
// Shift-JIS name of MS PGothic.
const std::string kJapaneseFace = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
// Code page 949 name of Batang.
const std::string kKoreanFace = "\xB9\xD9\xC5\xC1";

} // namespace

TLanguageFontRule LanguageFontRule(TQrleLanguage language)
{
    switch (language) {
    case qgChineseSimplified:
        return { 134, kBig5Face, 9 };
    case qgChineseTraditional:
        return { 136, kBig5Face, 9 };
    case qgCzech:
    case qgPolish:
    case qgPortugese:
        return { 238, "Arial", 8 };
    case qgGerman:
        return { 0, "MS Sans Serif", 8 };
    case qgGreek:
        return { 0, "SGreek", 8 };
    case qgHebrew:
        return { 177, "Arial", 8 };
    case qgJapanese:
        return { 128, kJapaneseFace, 9 };
    case qgKorean:
        return { 129, kKoreanFace, 9 };
    case qgRussian:
        return { 204, "Arial", 8 };
    case qgVietnamese:
        return { 163, "Arial", 8 };
    case qgDanish:
    case qgDutch:
    case qgEnglish:
    case qgFrench:
    case qgItalian:
    case qgNorwegianBokmal:
    case qgNorwegianNynorsk:
    case qgSpanish:
        return { 0, "Arial", 8 };
    default:
        throw Exception(TranslateText("Unrecognized language"));
    }
}

const TLanguage* FontLanguage(const TTranslator& translator, TQrleLanguage Target, bool KeepWithoutText)
{
    const TLanguage* language = translator.FindLanguage(Target);
    if (!language)
        return nullptr;
    if (language->TextLines().empty() && !KeepWithoutText)
        return translator.FindLanguage(qgEnglish);
    return language;
}

void ApplyLanguageFontTo(TFont& Font, const TLanguage& language)
{
    if (language.FontOverride) {
        Font = language.Font;
        return;
    }
    TLanguageFontRule rule = LanguageFontRule(language.LanguageIdent());
    Font.Charset = rule.Charset;
    Font.Name = rule.Face;
    if (Font.Size() < rule.MinSize)
        Font.SetSize(rule.MinSize);
}

} // namespace installlib
