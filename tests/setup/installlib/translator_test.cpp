#include "setup/installlib/exceptions.h"
#include "setup/installlib/languagefonts.h"
#include "setup/installlib/translator.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <sstream>

using namespace installlib;

namespace {

std::string parseError(TLanguage& language, const std::vector<std::string>& lines)
{
    try {
        language.Strings().Assign(lines);
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

} // namespace

// The text format: a wrong split of "GLID;Text" or of memo blocks shows the
// user wrong or missing texts.
TEST(TranslatorParsing, SingleLineEntries)
{
    TTranslator t;
    TLanguage& de = t.lgGerman();
    de.Strings().Assign({ "100;Hello;World", "  101; Hello  ", "", "* a comment", "102;Tschüss" });
    ASSERT_EQ(de.TextLines().size(), 3u);
    EXPECT_EQ(de.TextLines()[0].GLID, 100);
    EXPECT_EQ(de.TextLines()[0].Text, "Hello");
    EXPECT_EQ(de.TextLines()[1].Text, " Hello"); // trimmed line, untrimmed field
    EXPECT_EQ(de.TextLines()[1].LineNumber, 1);
    EXPECT_EQ(de.TextLines()[2].LineNumber, 4);
    EXPECT_EQ(de.TextLines()[0].Language, &de);
}

TEST(TranslatorParsing, MemoBlocks)
{
    TTranslator t;
    TLanguage& fr = t.lgFrench();
    fr.Strings().Assign(
        { "#7;", "  first line ", "* skipped", "", "#not a marker", "#", "8;After", "#9;", "never closed" });
    ASSERT_EQ(fr.Memos().size(), 1u);
    EXPECT_EQ(fr.Memos()[0].GLID, 7);
    EXPECT_EQ(fr.Memos()[0].LineNumber, 0);
    EXPECT_EQ(fr.Memos()[0].Lines, (std::vector<std::string> { "first line", "#not a marker" }));
    ASSERT_EQ(fr.TextLines().size(), 1u);
    EXPECT_EQ(fr.TextLines()[0].Text, "After");
}

TEST(TranslatorParsing, BadLinesNameTheirLineAndLeaveNoEntries)
{
    TTranslator t;
    TLanguage& es = t.lgSpanish();
    EXPECT_EQ(parseError(es, { "1;ok", "x;bad" }),
        "The 1'th string (x;bad) does not have the proper format of GLID;Text or .GLID;");
    EXPECT_TRUE(es.TextLines().empty());
    EXPECT_EQ(
        parseError(es, { "1;ok", "", "  2;   " }), "The 2'th string (2;) does not have the proper format of GLID;Text");
    EXPECT_EQ(parseError(es, { ";text" }), "The 0'th string (;text) does not have the proper format of GLID;Text");
    EXPECT_EQ(parseError(es, { "1;a", "#" }), "Found the end of memo marker # at line 1. Was not in a memo however");
    EXPECT_EQ(parseError(es, { "#;x" }), "The 0'th string (#;x) does not have the proper format of GLID;Text");
    EXPECT_EQ(
        parseError(es, { "#q;" }), "The 0'th string (#q;) does not have the proper format of GLID;Text or .GLID;");
    EXPECT_EQ(parseError(es, { "100" }), "The 0'th string (100) does not have the proper format of GLID;Text");
    EXPECT_TRUE(es.TextLines().empty());
    EXPECT_TRUE(es.Memos().empty());
    // The list keeps the lines, and parsing on goes on after a failure.
    EXPECT_EQ(es.Strings().Count(), 1);
    es.Strings().Clear();
    es.Strings().Add("5;Cinco");
    EXPECT_EQ(es.TextLines().size(), 1u);
}

// Every list change must re-parse (or, for Delete, shift line numbers), or
// the entries no longer match the text.
TEST(TranslatorParsing, ListChangesKeepEntriesInStep)
{
    TTranslator t;
    TLanguage& it = t.lgItalian();
    it.Strings().Add("1;Uno");
    it.Strings().Add("2;Due");
    it.Strings().Insert(0, "3;Tre");
    ASSERT_EQ(it.TextLines().size(), 3u);
    EXPECT_EQ(it.FindGLID(1)->LineNumber, 1);
    it.Strings().Move(0, 2);
    EXPECT_EQ(it.FindGLID(3)->LineNumber, 2);
    it.Strings().Delete(0);
    EXPECT_EQ(it.Strings().Count(), 2);
    EXPECT_EQ(it.FindGLID(2)->LineNumber, 0);
    EXPECT_EQ(it.FindGLID(3)->LineNumber, 1);
    it.Strings().AddStrings({ "4;Quattro" });
    EXPECT_NE(it.FindGLID(4), nullptr);
    std::istringstream in("10;Dieci\r\n#11;\r\nriga\r\n#\r\n");
    it.Strings().LoadFromStream(in);
    EXPECT_EQ(it.Strings().Count(), 4);
    EXPECT_EQ(it.TextLines().size(), 1u);
    EXPECT_EQ(it.Memos().size(), 1u);
}

TEST(TranslatorParsing, LoadFromFileRoundTripsTheText)
{
    tavix::testing::TempDir dir;
    TTranslator t;
    TLanguage& nl = t.lgDutch();
    nl.Strings().Assign({ "* Dutch", "1;Welkom", "#2;", "regel een", "regel twee", "#" });
    tavix::testing::writeFile(dir / "nl.txt", nl.Strings().Text());
    TTranslator t2;
    t2.lgDutch().Strings().LoadFromFile(dir / "nl.txt");
    EXPECT_EQ(t2.lgDutch().Strings().Lines(), nl.Strings().Lines());
    EXPECT_EQ(t2.lgDutch().FindGLID(1)->Text, "Welkom");
    EXPECT_EQ(t2.lgDutch().FindMemoGLID(2)->Lines.size(), 2u);
    EXPECT_THROW(t2.lgDutch().Strings().LoadFromFile(dir / "missing.txt"), Exception);
    EXPECT_TRUE(t2.lgDutch().AutoParse);
}

// Whatever a translator file holds, parsing ends with entries or with an
// error naming a line: never a crash, a hang or entries from a bad file.
TEST(TranslatorParsing, MutatedFilesNeverCrash)
{
    const std::string base = "* header\r\n1;One\r\n2;Two;extra\r\n#3;\r\nmemo ; line\r\n#4;\r\n#\r\n  5 ; Five\r\n"
                             "$1F;Hex\r\n-6;Minus\r\n";
    const std::string alphabet = std::string("#;*$-+0123456789 \t\r\nabcXYZ") + std::string("\0\x80\xff", 3);
    std::mt19937 rng(20261208);
    TTranslator t;
    TLanguage& pl = t.lgPolish();
    int failures = 0;
    const std::regex namesLine("^(The [0-9]+'th string|Found the end of memo marker # at line [0-9]+)");
    for (int round = 0; round < 3000; ++round) {
        std::string text = base;
        int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            std::size_t pos = text.empty() ? 0 : rng() % text.size();
            char c = alphabet[rng() % alphabet.size()];
            switch (rng() % 3) {
            case 0:
                text.insert(pos, 1, c);
                break;
            case 1:
                if (!text.empty())
                    text.erase(pos, 1 + rng() % 4);
                break;
            default:
                if (!text.empty())
                    text[pos] = c;
            }
        }
        std::istringstream in(text);
        try {
            pl.Strings().LoadFromStream(in);
            for (const auto& s : pl.TextLines()) {
                EXPECT_LT(s.LineNumber, pl.Strings().Count());
                EXPECT_LE(s.Text.size(), 255u);
            }
        } catch (const Exception& e) {
            ++failures;
            EXPECT_TRUE(std::regex_search(e.Message(), namesLine)) << e.Message();
            EXPECT_TRUE(pl.TextLines().empty());
            EXPECT_TRUE(pl.Memos().empty());
        }
    }
    EXPECT_GT(failures, 0);
}

TEST(TranslatorParsing, LongTextsAreCutTo255WithoutSplittingACharacter)
{
    TTranslator t;
    std::string text(254, 'a');
    text += "é and more";
    t.lgFrench().Strings().Assign({ "1;" + text });
    EXPECT_EQ(t.lgFrench().FindGLID(1)->Text, std::string(254, 'a'));
}

// Lookups: a text must go through its GLID into the target language, and
// fall back to itself whenever any step is missing.
class TranslatorLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        t.TranslateIntoLanguage = qgGerman;
        t.lgEnglish().Strings().Assign(
            { "1;Next >", "2;Cancel", "3;Only English", "#10;", "Line one", "Line two", "#" });
        t.lgGerman().Strings().Assign({ "1;Weiter >", "2;Abbrechen", "#10;", "Zeile eins", "#" });
    }
    TTranslator t;
};

TEST_F(TranslatorLookup, ByTextGlidAndMemo)
{
    EXPECT_EQ(t.TranslateString(qgEnglish, "CANCEL"), "Abbrechen");
    EXPECT_EQ(t.TranslateString(qgEnglish, "Only English"), "Only English");
    EXPECT_EQ(t.TranslateString(qgEnglish, "Unknown"), "Unknown");
    EXPECT_EQ(t.TranslateString(qgFrench, "Cancel"), "Cancel"); // French has no entries
    EXPECT_EQ(t.TranslateGLID(1, "x"), "Weiter >");
    EXPECT_EQ(t.TranslateGLID(99, "default"), "default");

    std::vector<std::string> result;
    t.TranslateMemo(qgEnglish, { "Line one", "Line two" }, result);
    EXPECT_EQ(result, (std::vector<std::string> { "Zeile eins" }));
    t.TranslateMemo(qgEnglish, { "line one", "Line two" }, result); // memos match exactly
    EXPECT_EQ(result, (std::vector<std::string> { "line one", "Line two" }));
}

TEST_F(TranslatorLookup, ResultLanguageNeedsTextLines)
{
    EXPECT_EQ(t.ResultLanguage(qgEnglish), qgGerman);
    t.TranslateIntoLanguage = qgFrench;
    EXPECT_EQ(t.ResultLanguage(qgEnglish), qgEnglish);
}

TEST_F(TranslatorLookup, FirstTranslatorIsGlobalUntilDestroyed)
{
    ASSERT_EQ(GlobalTranslator(), &t);
    {
        TTranslator second;
        EXPECT_EQ(GlobalTranslator(), &t);
    }
    EXPECT_EQ(TranslateText("Next >"), "Weiter >");
    IException e("Cancel");
    EXPECT_EQ(e.Message(), "Abbrechen");
}

// A translated format that does not fit its arguments must fall back to
// the English format instead of crashing or printing garbage.
TEST_F(TranslatorLookup, TranslatedFormatsFallBackToEnglish)
{
    t.lgEnglish().Strings().Add("20;Please insert disk #%d");
    t.lgEnglish().Strings().Add("21;File %s of %s");
    t.lgEnglish().Strings().Add("22;Copying %s");
    t.lgGerman().Strings().Add("20;Bitte Diskette %s einlegen"); // wrong conversion
    t.lgGerman().Strings().Add("21;Datei %1:s von %0:s"); // reordered
    t.lgGerman().Strings().Add("22;Kopiere %s %s %s %s"); // reads past the arguments
    EXPECT_EQ(IException("Please insert disk #%d", { 2 }).Message(), "Please insert disk #2");
    EXPECT_EQ(IException("File %s of %s", { "a", "b" }).Message(), "Datei b von a");
    EXPECT_EQ(TranslateFormat("Copying %s", { "x.dll" }), "Copying x.dll");
}

TEST(TranslatorGlobal, WithoutTranslatorTextsStay)
{
    ASSERT_EQ(GlobalTranslator(), nullptr);
    EXPECT_EQ(TranslateText("Cancel"), "Cancel");
    EXPECT_EQ(IException("Disk %d", { 1 }).Message(), "Disk 1");
}

// The Windows user language decides qgUser; a wrong table gives the user
// another language than his own.
TEST(UserLanguage, MapsPrimaryAndSubLanguage)
{
    EXPECT_EQ(LanguageFromLangId(0x0416), qgPortugese); // Brazilian Portuguese
    EXPECT_EQ(LanguageFromLangId(0x0816), qgPortugese);
    EXPECT_EQ(LanguageFromLangId(0x0404), qgChineseTraditional);
    EXPECT_EQ(LanguageFromLangId(0x0804), qgChineseSimplified);
    EXPECT_EQ(LanguageFromLangId(0x0414), qgNorwegianBokmal);
    EXPECT_EQ(LanguageFromLangId(0x0814), qgNorwegianNynorsk);
    EXPECT_EQ(LanguageFromLangId(0x0C14), qgNorwegianBokmal);
    EXPECT_EQ(LanguageFromLangId(0x0407), qgGerman);
    EXPECT_EQ(LanguageFromLangId(0x042A), qgVietnamese);
    EXPECT_EQ(LanguageFromLangId(0x040D), qgHebrew);
    EXPECT_EQ(LanguageFromLangId(0x041D), qgEnglish); // Swedish has no language here
}

// Font rules: the wrong character set or face makes a form unreadable in
// its language.
TEST(LanguageFonts, RulesPerLanguage)
{
    EXPECT_EQ(LanguageFontRule(qgPortugese).Charset, 238);
    EXPECT_EQ(LanguageFontRule(qgJapanese).Face.size(), 15u);
    EXPECT_EQ(LanguageFontRule(qgJapanese).MinSize, 9);
    EXPECT_EQ(LanguageFontRule(qgChineseSimplified).Face, "\xB7\x73\xB2\xD3\xA9\xFA\xC5");
    EXPECT_EQ(LanguageFontRule(qgChineseTraditional).Charset, 136);
    EXPECT_EQ(LanguageFontRule(qgGreek).Face, "SGreek");
    EXPECT_EQ(LanguageFontRule(qgHebrew).Charset, 177);
    EXPECT_THROW(LanguageFontRule(qgUser), Exception);
    EXPECT_THROW(LanguageFontRule(static_cast<TQrleLanguage>(21)), Exception);
}

TEST(LanguageFonts, ApplyRaisesOnlyTooSmallSizesAndHonoursOverride)
{
    TTranslator t;
    t.TranslateIntoLanguage = qgRussian;
    TFont font;
    font.SetSize(12);
    const TLanguage* lang = FontLanguage(t, qgRussian, false);
    ASSERT_NE(lang, nullptr);
    EXPECT_EQ(lang->LanguageIdent(), qgEnglish); // Russian has no text lines
    ApplyLanguageFontTo(font, *FontLanguage(t, qgRussian, true));
    EXPECT_EQ(font.Charset, 204);
    EXPECT_EQ(font.Name, "Arial");
    EXPECT_EQ(font.Size(), 12);
    TFont small;
    small.SetSize(6);
    ApplyLanguageFontTo(small, t.lgKorean());
    EXPECT_EQ(small.Size(), 9);
    t.lgKorean().FontOverride = true;
    t.lgKorean().Font.Name = "Gulim";
    ApplyLanguageFontTo(small, t.lgKorean());
    EXPECT_EQ(small, t.lgKorean().Font);
    TFont fresh;
    EXPECT_EQ(fresh.Size(), 8); // height -11 at 96 dpi
}
