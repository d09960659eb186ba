#pragma once

// The translator: the install library's interface language. Each of 20
// languages holds text lines "GLID;Text" and memo blocks; a text is
// translated by finding its GLID in the source language and the GLID's text
// in the target language. The first translator created is the global one
// that TranslateText and the exceptions use.

#include "setup/installlib/component.h"

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace installlib {

enum TQrleLanguage : int {
    qgChineseSimplified,
    qgChineseTraditional,
    qgCzech,
    qgDanish,
    qgDutch,
    qgEnglish,
    qgFrench,
    qgGerman,
    qgGreek,
    qgHebrew,
    qgItalian,
    qgJapanese,
    qgKorean,
    qgNorwegianBokmal,
    qgNorwegianNynorsk,
    qgPolish,
    qgPortugese,
    qgRussian,
    qgSpanish,
    qgUser,
    qgVietnamese,
};

// The languages that have an object, in the translator's list order.
inline constexpr TQrleLanguage kTranslatorLanguages[] = {
    qgChineseSimplified,
    qgChineseTraditional,
    qgCzech,
    qgDanish,
    qgDutch,
    qgEnglish,
    qgFrench,
    qgGerman,
    qgGreek,
    qgHebrew,
    qgItalian,
    qgJapanese,
    qgKorean,
    qgNorwegianBokmal,
    qgNorwegianNynorsk,
    qgPolish,
    qgPortugese,
    qgRussian,
    qgSpanish,
    qgVietnamese,
};

// A font as forms store it. Height is in pixels at 96 dots per inch,
// negative for a character height (the stored form); Size is in points.
struct TFont {
    std::string Name = "MS Sans Serif";
    int Height = -11;
    std::uint8_t Charset = 1; // DEFAULT_CHARSET
    std::uint32_t Color = 0x80000008; // clWindowText
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    int Size() const;
    void SetSize(int points);
    bool operator==(const TFont&) const = default;
};

class TLanguage;

struct TLanguageElement {
    int GLID = 0;
    TLanguage* Language = nullptr;
    int LineNumber = 0; // 0-based index of the entry's line in Strings
};

struct TLanguageString : TLanguageElement {
    std::string Text; // at most 255 characters
};

struct TLanguageMemo : TLanguageElement {
    std::vector<std::string> Lines;
};

// A language's text lines. Every change that adds or rearranges lines parses
// the language again (when its auto parse is on), so the entries always match
// the text; a line that does not parse raises and leaves the language without
// entries.
class TLangFormatStrings {
public:
    explicit TLangFormatStrings(TLanguage& language)
        : language_(language)
    {
    }

    int Count() const { return static_cast<int>(lines_.size()); }
    const std::string& operator[](int index) const { return lines_.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& Lines() const { return lines_; }
    std::string Text() const; // lines joined with "\r\n" after each

    int Add(std::string_view line);
    void AddStrings(const std::vector<std::string>& lines);
    void Clear();
    void Insert(int index, std::string_view line);
    void Move(int currentIndex, int newIndex);
    // Reads lines ended by CR LF, LF or CR.
    void LoadFromStream(std::istream& in);
    // Assign and LoadFromFile fill the list with auto parse off and parse once
    // at the end.
    void Assign(const std::vector<std::string>& lines);
    void LoadFromFile(const std::filesystem::path& file);
    // Does not parse; single-line entries below the line move up by one.
    void Delete(int index);

private:
    void changed();
    void fillThenParse(const std::vector<std::string>& lines);

    TLanguage& language_;
    std::vector<std::string> lines_;
};

class TLanguage {
public:
    explicit TLanguage(TQrleLanguage ident)
        : ident_(ident)
    {
    }
    TLanguage(const TLanguage&) = delete;
    TLanguage& operator=(const TLanguage&) = delete;

    TFont Font;
    bool FontOverride = false;
    bool AutoParse = true;

    TQrleLanguage LanguageIdent() const { return ident_; }
    TLangFormatStrings& Strings() { return strings_; }
    const TLangFormatStrings& Strings() const { return strings_; }
    const std::vector<TLanguageString>& TextLines() const { return texts_; }
    const std::vector<TLanguageMemo>& Memos() const { return memos_; }

    // Copies font, override flag and lines (not the identity).
    void Assign(const TLanguage& other);

    // Replaces all entries from Strings. A bad line raises Exception naming its
    // 0-based index and leaves no entries.
    void Parse();

    const TLanguageString* FindText(std::string_view text) const; // case-insensitive, first match
    const TLanguageString* FindGLID(int glid) const;
    const TLanguageMemo* FindMemo(const std::vector<std::string>& lines) const; // exact
    const TLanguageMemo* FindMemoGLID(int glid) const;

private:
    friend class TLangFormatStrings;
    void clearEntries();

    TQrleLanguage ident_;
    TLangFormatStrings strings_ { *this };
    std::vector<TLanguageString> texts_;
    std::vector<TLanguageMemo> memos_;
};

// The language of a Windows language identifier (primary = low 10 bits,
// sublanguage = the next 6). Norwegian with another sublanguage than 1 or 2
// is taken as Bokmal; unknown primaries are English.
TQrleLanguage LanguageFromLangId(std::uint16_t langId);

class TTranslator : public TComponent {
public:
    explicit TTranslator(TComponent* Owner = nullptr);
    ~TTranslator() override;

    TLanguage& lgChineseSimplified() { return Language(qgChineseSimplified); }
    TLanguage& lgChineseTraditional() { return Language(qgChineseTraditional); }
    TLanguage& lgCzech() { return Language(qgCzech); }
    TLanguage& lgDanish() { return Language(qgDanish); }
    TLanguage& lgDutch() { return Language(qgDutch); }
    TLanguage& lgEnglish() { return Language(qgEnglish); }
    TLanguage& lgFrench() { return Language(qgFrench); }
    TLanguage& lgGerman() { return Language(qgGerman); }
    TLanguage& lgGreek() { return Language(qgGreek); }
    TLanguage& lgHebrew() { return Language(qgHebrew); }
    TLanguage& lgItalian() { return Language(qgItalian); }
    TLanguage& lgJapanese() { return Language(qgJapanese); }
    TLanguage& lgKorean() { return Language(qgKorean); }
    TLanguage& lgNorwegianBokmal() { return Language(qgNorwegianBokmal); }
    TLanguage& lgNorwegianNynorsk() { return Language(qgNorwegianNynorsk); }
    TLanguage& lgPolish() { return Language(qgPolish); }
    TLanguage& lgPortugese() { return Language(qgPortugese); }
    TLanguage& lgRussian() { return Language(qgRussian); }
    TLanguage& lgSpanish() { return Language(qgSpanish); }
    TLanguage& lgVietnamese() { return Language(qgVietnamese); }

    // The object of a language other than qgUser (which has none: it raises
    // std::out_of_range, as does a value outside the enumeration).
    TLanguage& Language(TQrleLanguage which);
    const TLanguage& Language(TQrleLanguage which) const;
    // Assigns into the owned object.
    void SetLanguage(TQrleLanguage which, const TLanguage& value) { Language(which).Assign(value); }
    // The 20 languages in list order.
    int LanguageCount() const { return static_cast<int>(languages_.size()); }
    TLanguage& Languages(int index) { return *languages_.at(static_cast<std::size_t>(index)); }

    TQrleLanguage TranslateIntoLanguage = qgUser;

    // The language object for a value; qgUser is mapped from the Windows
    // user's default language. Null when there is none.
    TLanguage* FindLanguage(TQrleLanguage which);
    const TLanguage* FindLanguage(TQrleLanguage which) const;

    std::string TranslateString(TQrleLanguage SourceLanguage, std::string_view Text) const;
    std::string TranslateGLID(int GLID, std::string_view Default) const;
    void TranslateMemo(
        TQrleLanguage SourceLanguage, const std::vector<std::string>& Lines, std::vector<std::string>& Result) const;

    // The language a translated form is in: the target language when it has
    // at least one text line, else SourceLanguage.
    TQrleLanguage ResultLanguage(TQrleLanguage SourceLanguage) const;

private:
    std::vector<std::unique_ptr<TLanguage>> languages_;
};

// The first translator created and not yet destroyed; null when none.
TTranslator* GlobalTranslator();

// TranslateString(qgEnglish, Text) on the global translator; Text when there
// is none.
std::string TranslateText(std::string_view Text);

// The Windows user's default language identifier, as the user-language
// mapping reads it; empty when it cannot be determined.
std::optional<std::uint16_t> UserDefaultLangId();

} // namespace installlib
