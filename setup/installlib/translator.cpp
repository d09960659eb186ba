#include "setup/installlib/translator.h"

#include "platform/win/text.h"
#include "setup/installlib/format.h"
#include "setup/installlib/routines.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace installlib {

namespace {

TTranslator* gTranslator = nullptr;

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Stored texts are short strings of at most 255 bytes; a UTF-8 character is
// not cut in two.
std::string limitText(std::string s)
{
    if (s.size() <= 255)
        return s;
    std::size_t n = 255;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    s.resize(n);
    return s;
}

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t j = i;
        while (j < text.size() && text[j] != '\r' && text[j] != '\n')
            ++j;
        lines.emplace_back(text.substr(i, j - i));
        if (j < text.size() && text[j] == '\r')
            ++j;
        if (j < text.size() && text[j] == '\n')
            ++j;
        i = j;
    }
    return lines;
}

} // namespace

// --- TFont ------------------------------------------------------------------

int TFont::Size() const
{
    // Points from a 96-dpi pixel height, rounded as the old MulDiv did.
    int h = Height < 0 ? -Height : Height;
    return -((h * 72 + 48) / 96) * (Height < 0 ? -1 : 1);
}

void TFont::SetSize(int points)
{
    Height = -((points * 96 + 36) / 72);
}

// --- TLangFormatStrings -----------------------------------------------------

std::string TLangFormatStrings::Text() const
{
    std::string t;
    for (const auto& l : lines_)
        t += l + "\r\n";
    return t;
}

void TLangFormatStrings::changed()
{
    if (language_.AutoParse)
        language_.Parse();
}

int TLangFormatStrings::Add(std::string_view line)
{
    lines_.emplace_back(line);
    int index = Count() - 1;
    changed();
    return index;
}

void TLangFormatStrings::AddStrings(const std::vector<std::string>& lines)
{
    lines_.insert(lines_.end(), lines.begin(), lines.end());
    changed();
}

void TLangFormatStrings::Clear()
{
    lines_.clear();
    changed();
}

void TLangFormatStrings::Insert(int index, std::string_view line)
{
    if (index < 0 || index > Count())
        throw Exception(Format("List index out of bounds (%d)", { index }));
    lines_.insert(lines_.begin() + index, std::string(line));
    changed();
}

void TLangFormatStrings::Move(int currentIndex, int newIndex)
{
    if (currentIndex == newIndex)
        return;
    if (currentIndex < 0 || currentIndex >= Count() || newIndex < 0 || newIndex >= Count())
        throw Exception(Format("List index out of bounds (%d)",
            { currentIndex < 0 || currentIndex >= Count() ? currentIndex : newIndex }));
    std::string s = std::move(lines_[static_cast<std::size_t>(currentIndex)]);
    lines_.erase(lines_.begin() + currentIndex);
    lines_.insert(lines_.begin() + newIndex, std::move(s));
    changed();
}

void TLangFormatStrings::LoadFromStream(std::istream& in)
{
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    lines_ = splitLines(all);
    changed();
}

void TLangFormatStrings::fillThenParse(const std::vector<std::string>& lines)
{
    bool was = language_.AutoParse;
    language_.AutoParse = false;
    try {
        lines_ = lines;
        language_.AutoParse = was;
        if (was)
            language_.Parse();
    } catch (...) {
        language_.AutoParse = was;
        throw;
    }
}

void TLangFormatStrings::Assign(const std::vector<std::string>& lines)
{
    fillThenParse(lines);
}

void TLangFormatStrings::LoadFromFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw Exception(TranslateFormat("Cannot open file %s", { file.string() }));
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fillThenParse(splitLines(all));
}

void TLangFormatStrings::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw Exception(Format("List index out of bounds (%d)", { index }));
    lines_.erase(lines_.begin() + index);
    for (auto& t : language_.texts_)
        if (t.LineNumber > index)
            --t.LineNumber;
}

// --- TLanguage --------------------------------------------------------------

void TLanguage::Assign(const TLanguage& other)
{
    if (&other == this)
        return;
    Font = other.Font;
    FontOverride = other.FontOverride;
    strings_.Assign(other.strings_.Lines());
}

void TLanguage::clearEntries()
{
    texts_.clear();
    memos_.clear();
}

void TLanguage::Parse()
{
    clearEntries();
    auto fail = [&](std::string_view format, const FormatArgs& args) {
        clearEntries();
        throw Exception(TranslateFormat(format, args));
    };
    static constexpr std::string_view kBadText = "The %d'th string (%s) does not have the proper format of GLID;Text";
    static constexpr std::string_view kBadNumber
        = "The %d'th string (%s) does not have the proper format of GLID;Text or .GLID;";

    std::vector<TLanguageString> texts;
    std::vector<TLanguageMemo> memos;
    std::optional<TLanguageMemo> memo;
    const auto& lines = strings_.Lines();
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const int index = static_cast<int>(n);
        std::string_view line = trim(lines[n]);
        if (line.empty())
            continue;
        if (line == "#") {
            if (!memo)
                fail("Found the end of memo marker # at line %d. Was not in a memo however", { index });
            memos.push_back(std::move(*memo));
            memo.reset();
            continue;
        }
        if (line.front() == '*')
            continue;
        if (memo) {
            memo->Lines.emplace_back(line);
            continue;
        }
        if (line.front() == '#') {
            if (line.size() < 2)
                fail("The %d'th string (%s) does not have the proper format of .GLID;", { index, line });
            std::string first = GetDelimitedItem(line.substr(1), 1, ';');
            if (first.empty())
                fail(kBadText, { index, line });
            int glid = 0;
            if (!TryStrToInt(first, glid))
                fail(kBadNumber, { index, line });
            memo.emplace();
            memo->GLID = glid;
            memo->Language = this;
            memo->LineNumber = index;
            continue;
        }
        std::string first = GetDelimitedItem(line, 1, ';');
        if (first.empty())
            fail(kBadText, { index, line });
        int glid = 0;
        if (!TryStrToInt(first, glid))
            fail(kBadNumber, { index, line });
        std::string text = GetDelimitedItem(line, 2, ';');
        if (trim(text).empty())
            fail(kBadText, { index, line });
        TLanguageString entry;
        entry.GLID = glid;
        entry.Language = this;
        entry.LineNumber = index;
        entry.Text = limitText(std::move(text));
        texts.push_back(std::move(entry));
    }
    // A memo still open at the end is dropped.
    texts_ = std::move(texts);
    memos_ = std::move(memos);
}

const TLanguageString* TLanguage::FindText(std::string_view text) const
{
    for (const auto& t : texts_)
        if (win::text::equalsNoCase(t.Text, text))
            return &t;
    return nullptr;
}

const TLanguageString* TLanguage::FindGLID(int glid) const
{
    for (const auto& t : texts_)
        if (t.GLID == glid)
            return &t;
    return nullptr;
}

const TLanguageMemo* TLanguage::FindMemo(const std::vector<std::string>& lines) const
{
    for (const auto& m : memos_)
        if (m.Lines == lines)
            return &m;
    return nullptr;
}

const TLanguageMemo* TLanguage::FindMemoGLID(int glid) const
{
    for (const auto& m : memos_)
        if (m.GLID == glid)
            return &m;
    return nullptr;
}

// --- user language ----------------------------------------------------------

TQrleLanguage LanguageFromLangId(std::uint16_t langId)
{
    const int primary = langId & 0x3FF;
    const int sub = langId >> 10;
    switch (primary) {
    case 4:
        return sub == 1 ? qgChineseTraditional : qgChineseSimplified;
    case 5:
        return qgCzech;
    case 6:
        return qgDanish;
    case 7:
        return qgGerman;
    case 8:
        return qgGreek;
    case 10:
        return qgSpanish;
    case 12:
        return qgFrench;
    case 13:
        return qgHebrew;
    case 16:
        return qgItalian;
    case 17:
        return qgJapanese;
    case 18:
        return qgKorean;
    case 19:
        return qgDutch;
    case 20:
        return sub == 2 ? qgNorwegianNynorsk : qgNorwegianBokmal;
    case 21:
        return qgPolish;
    case 22:
        return qgPortugese;
    case 25:
        return qgRussian;
    case 42:
        return qgVietnamese;
    default:
        return qgEnglish;
    }
}

// --- TTranslator ------------------------------------------------------------

TTranslator::TTranslator(TComponent* Owner)
    : TComponent(Owner)
{
    for (TQrleLanguage q : kTranslatorLanguages)
        languages_.push_back(std::make_unique<TLanguage>(q));
    if (!gTranslator)
        gTranslator = this;
}

TTranslator::~TTranslator()
{
    if (gTranslator == this)
        gTranslator = nullptr;
}

TLanguage& TTranslator::Language(TQrleLanguage which)
{
    for (const auto& l : languages_)
        if (l->LanguageIdent() == which)
            return *l;
    throw std::out_of_range("no language object for this value");
}

const TLanguage& TTranslator::Language(TQrleLanguage which) const
{
    return const_cast<TTranslator*>(this)->Language(which);
}

TLanguage* TTranslator::FindLanguage(TQrleLanguage which)
{
    if (which == qgUser) {
        std::optional<std::uint16_t> id;
        try {
            id = UserDefaultLangId();
        } catch (...) {
            id.reset();
        }
        if (!id)
            return nullptr;
        which = LanguageFromLangId(*id);
    }
    for (const auto& l : languages_)
        if (l->LanguageIdent() == which)
            return l.get();
    return nullptr;
}

const TLanguage* TTranslator::FindLanguage(TQrleLanguage which) const
{
    return const_cast<TTranslator*>(this)->FindLanguage(which);
}

std::string TTranslator::TranslateString(TQrleLanguage SourceLanguage, std::string_view Text) const
{
    const TLanguage* source = FindLanguage(SourceLanguage);
    const TLanguage* target = FindLanguage(TranslateIntoLanguage);
    if (!source || !target)
        return std::string(Text);
    const TLanguageString* from = source->FindText(Text);
    if (!from)
        return std::string(Text);
    const TLanguageString* to = target->FindGLID(from->GLID);
    return to ? to->Text : std::string(Text);
}

std::string TTranslator::TranslateGLID(int GLID, std::string_view Default) const
{
    const TLanguage* target = FindLanguage(TranslateIntoLanguage);
    const TLanguageString* to = target ? target->FindGLID(GLID) : nullptr;
    return to ? to->Text : std::string(Default);
}

void TTranslator::TranslateMemo(
    TQrleLanguage SourceLanguage, const std::vector<std::string>& Lines, std::vector<std::string>& Result) const
{
    Result = Lines;
    const TLanguage* source = FindLanguage(SourceLanguage);
    const TLanguage* target = FindLanguage(TranslateIntoLanguage);
    if (!source || !target)
        return;
    const TLanguageMemo* from = source->FindMemo(Lines);
    if (!from)
        return;
    if (const TLanguageMemo* to = target->FindMemoGLID(from->GLID))
        Result = to->Lines;
}

TQrleLanguage TTranslator::ResultLanguage(TQrleLanguage SourceLanguage) const
{
    const TLanguage* target = FindLanguage(TranslateIntoLanguage);
    if (target && !target->TextLines().empty())
        return target->LanguageIdent();
    return SourceLanguage;
}

TTranslator* GlobalTranslator()
{
    return gTranslator;
}

std::string TranslateText(std::string_view Text)
{
    return gTranslator ? gTranslator->TranslateString(qgEnglish, Text) : std::string(Text);
}

} // namespace installlib
