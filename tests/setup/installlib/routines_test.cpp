#include "setup/installlib/component.h"
#include "setup/installlib/exceptions.h"
#include "setup/installlib/format.h"
#include "setup/installlib/routines.h"

#include <gtest/gtest.h>

#include <random>

using namespace installlib;

// Field counting and access: an off-by-one here shifts every field of the
// archive file list and the link entries.
TEST(DelimitedText, CountsFieldsAsTheListsStoreThem)
{
    EXPECT_EQ(CountDelimitedItems("", ';'), 0);
    EXPECT_EQ(CountDelimitedItems("a", ';'), 1);
    EXPECT_EQ(CountDelimitedItems("a;b;", ';'), 2);
    EXPECT_EQ(CountDelimitedItems("a;;b", ';'), 3);
    EXPECT_EQ(CountDelimitedItems(";", ';'), 1);
    EXPECT_EQ(CountDelimitedItems("a,b", ','), 2);
}

TEST(DelimitedText, FieldsAreOneBasedAndUntrimmed)
{
    EXPECT_EQ(GetDelimitedItem("a;;b", 2), "");
    EXPECT_EQ(GetDelimitedItem("a;;b", 3), "b");
    EXPECT_EQ(GetDelimitedItem("a;b", 5), "");
    EXPECT_EQ(GetDelimitedItem("a;b", 0), "a");
    EXPECT_EQ(GetDelimitedItem("a;b", -3), "a");
    EXPECT_EQ(GetDelimitedItem(" x ; y ", 2), " y ");
    EXPECT_EQ(GetDelimitedItem("a;b;", 3), "");
    EXPECT_EQ(GetDelimitedItem("", 1), "");

    std::vector<std::string> list { "old" };
    SplitDelimited("c:\\a.txt;12;;x", ';', list);
    EXPECT_EQ(list, (std::vector<std::string> { "c:\\a.txt", "12", "", "x" }));
    SplitDelimited("a;b;", ';', list);
    EXPECT_EQ(list, (std::vector<std::string> { "a", "b" }));
    SplitDelimited("", ';', list);
    EXPECT_TRUE(list.empty());
}

// Directory joins: a doubled or missing backslash breaks every path built
// from an expansion.
TEST(Backslashes, AddAndRemoveOnlyOne)
{
    EXPECT_EQ(AddBackslash(""), "");
    EXPECT_EQ(AddBackslash("C:\\A"), "C:\\A\\");
    EXPECT_EQ(AddBackslash("C:\\A\\"), "C:\\A\\");
    EXPECT_EQ(RemoveBackslash("C:\\A\\\\"), "C:\\A\\");
    EXPECT_EQ(RemoveBackslash("C:\\A"), "C:\\A");
    EXPECT_EQ(RemoveBackslash(""), "");
    EXPECT_EQ(RemoveBackslash("\\"), "");
}

// Catches a path split that loses a drive-root directory or keeps a separator in the name.
TEST(PathParts, SplitAtTheLastSeparator)
{
    EXPECT_EQ(ExtractFilePath("C:\\A\\b.txt"), "C:\\A\\");
    EXPECT_EQ(ExtractFileName("C:\\A\\b.txt"), "b.txt");
    EXPECT_EQ(RemoveBackslash(ExtractFilePath("C:\\b.txt")), "C:");
    EXPECT_EQ(ExtractFileName("D:b.txt"), "b.txt");
    EXPECT_EQ(ExtractFileName("dir/sub/b.txt"), "b.txt");
    EXPECT_EQ(ExtractFilePath("b.txt"), "");
    EXPECT_EQ(ExtractFileName("C:\\A\\"), "");
}

TEST(TextAfterColonTest, LeavesResultWithoutColon)
{
    std::string r = "kept";
    TextAfterColon("no colon", r);
    EXPECT_EQ(r, "kept");
    TextAfterColon("Error: a: b", r);
    EXPECT_EQ(r, " a: b");
    TextAfterColon("end:", r);
    EXPECT_EQ(r, "");
}

// File names made from dates and captions: a reserved character left in
// makes the file impossible to create.
TEST(MakeValidFileNameTest, DropsReservedCharacters)
{
    EXPECT_EQ(MakeValidFileName("12/31/99"), "12-31-99");
    EXPECT_EQ(MakeValidFileName("A:B"), "AB");
    EXPECT_EQ(MakeValidFileName("a\"*:;<>?\\|b"), "ab");
    EXPECT_EQ(MakeValidFileName(std::string("x\x01\xE9y", 4)), std::string("x\x01\xE9y", 4));
}

TEST(TryStrToIntTest, ReadsDecimalAndHexWithinThirtyTwoBits)
{
    int v = 0;
    EXPECT_TRUE(TryStrToInt("2147483647", v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(TryStrToInt("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    EXPECT_TRUE(TryStrToInt("$FF", v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(TryStrToInt("+7", v));
    EXPECT_EQ(v, 7);
    for (const char* bad : { "", "-", "2147483648", "1 ", " 1", "1a", "$", "99999999999999999999" })
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
}

// The formatter runs translated format strings: a bad one must fail
// cleanly, never read a missing argument or crash.
TEST(FormatTest, FormatsTheConversionsMessagesUse)
{
    EXPECT_EQ(Format("Tried to access the %dth file", { 3 }), "Tried to access the 3th file");
    EXPECT_EQ(Format("%s <%s> %d%%", { "a", std::string("b"), -12 }), "a <b> -12%");
    EXPECT_EQ(Format("%u %x %X", { -1, 255, 4096u }), "4294967295 FF 1000");
    EXPECT_EQ(Format("[%5d|%-5s|%.3d|%.2s]", { 42, "ab", 7, "xyz" }), "[   42|ab   |007|xy]");
    EXPECT_EQ(Format("%1:s %0:s %s", { "a", "b" }), "b a b");
    EXPECT_EQ(Format("%d", { static_cast<long long>(INT64_MIN) }), "-9223372036854775808");
    EXPECT_EQ(Format("no args", {}), "no args");
    EXPECT_EQ(Format("one of two: %s", { "x", 2 }), "one of two: x");
}

TEST(FormatTest, RefusesFormatsThatDoNotFitTheArguments)
{
    std::string out;
    for (const char* bad :
        { "%s", "%d %d", "%n", "%p", "%f", "%", "abc %", "%-", "%5", "%.s", "%2000d", "%9:s", "%*d" })
        EXPECT_FALSE(TryFormat(bad, { 1 }, out)) << bad;
    EXPECT_FALSE(TryFormat("%s", { 1 }, out));
    EXPECT_FALSE(TryFormat("%d", { "text" }, out));
    EXPECT_THROW(Format("%d", { "text" }), EConvertError);
}

// Exceptions: the abort text is fixed, the class tree is what the engine
// catches by.
TEST(Exceptions, ClassTreeAndFixedTexts)
{
    EAIUserAbort abort;
    EXPECT_STREQ(abort.what(), "Installation aborted by the user");
    EXPECT_NE(dynamic_cast<const EAI*>(&abort), nullptr);
    EqcDiskFull full("The disk is full");
    EXPECT_NE(dynamic_cast<const EQrleCompress*>(&full), nullptr);
    EXPECT_NE(dynamic_cast<const EQuorleAbnormal*>(&full), nullptr);
    EAPIRoutines api("x");
    EXPECT_NE(dynamic_cast<const ECustomQuorleAbnormal*>(&api), nullptr);
    IException ie("The %s failed after %d tries", { "copy", 3 });
    EXPECT_EQ(ie.Message(), "The copy failed after 3 tries");
    EXPECT_NE(dynamic_cast<const ECustomQuorleAbnormal*>(&ie), nullptr);
    // A caller's mismatched format still gives a message, not a crash.
    IException wrong("Count %d", { "not a number" });
    EXPECT_EQ(wrong.Message(), "Count %d");
}

// Component names: a clash or a bad name must be refused, ownership frees.
TEST(Components, NamesAreCheckedAndUniquePerOwner)
{
    auto* owner = new TComponent;
    auto* a = new TComponent(owner);
    auto* b = new TComponent(owner);
    a->SetName("Label1");
    EXPECT_THROW(b->SetName("label1"), EComponentNameClash);
    EXPECT_THROW(b->SetName("1abc"), EComponentError);
    EXPECT_THROW(b->SetName("a b"), EComponentError);
    b->SetName("Label2");
    EXPECT_EQ(owner->FindComponent("LABEL2"), b);
    EXPECT_EQ(owner->ComponentCount(), 2);
    delete b;
    EXPECT_EQ(owner->ComponentCount(), 1);
    delete owner; // frees a
}

// Any format string a translator file may carry: formatting either fits or
// fails, and never reads an argument that is not there.
TEST(FormatTest, MutatedFormatsNeverReadPastTheArguments)
{
    const std::string alphabet = "%%%sdDuUxX0123456789:-.*ab ";
    std::mt19937 rng(4103);
    const FormatArgs args { "text", 42, -7 };
    int fitted = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string format;
        int length = static_cast<int>(rng() % 12);
        for (int i = 0; i < length; ++i)
            format += alphabet[rng() % alphabet.size()];
        std::string out;
        if (TryFormat(format, args, out)) {
            ++fitted;
            EXPECT_LE(out.size(), format.size() * 1100 + 64) << format;
        }
        EXPECT_NO_THROW(TranslateFormat(format, args));
    }
    EXPECT_GT(fitted, 0);
}
