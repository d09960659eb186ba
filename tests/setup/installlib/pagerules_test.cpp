// The pages' rules without windows: which destinations and program folder
// names are taken, and how the status window is sized for a message.

#include "setup/installlib/pagerules.h"

#include <gtest/gtest.h>

using namespace installlib;

namespace {

// Catches a destination taken that no install could write to, or a sound
// one refused.
TEST(PageRules, DestinationPaths)
{
    for (const char* good : { "C:\\", "C:\\Program Files\\Tavixsoft", "d:\\Apps\\Tavix 1.01a\\", "C:\\A.B\\c d" })
        EXPECT_EQ(DestinationPathError(good), "") << good;
    const std::string longest = "C:\\" + std::string(MaxDestinationLength - 3, 'a');
    EXPECT_EQ(DestinationPathError(longest), "");
    struct Bad {
        std::string path, says;
    };
    for (const Bad& bad : std::vector<Bad> {
             { "", "Please enter the directory" },
             { "   ", "Please enter the directory" },
             { "Program Files\\Tavix", "is not a full path" },
             { "\\Program Files", "is not a full path" },
             { "C:Tavix", "is not a full path" },
             { "1:\\Tavix", "is not a full path" },
             { "\\\\server\\share", "is not a full path" },
             { longest + "a", "longer than 247" },
             { "C:\\Apps\\\\Tavix", "empty folder name" },
             { "C:\\Apps\\Ta?vix", "cannot contain" },
             { "C:\\Apps\\Ta:vix", "cannot contain" },
             { "C:\\Apps/Tavix", "separates its folders with /" },
             { "C:/Fwd/Slash", "separates its folders with /" },
             { "C:\\Apps\\Tavix\t", "blank" },
             { "C:\\Apps\\Tavix ", "blank" },
             { " C:\\Apps", "is not a full path" },
             { "C:\\Apps\\..\\Windows", "is not a folder name" },
             { "C:\\Apps\\CON\\Tavix", "reserved device name" },
             { "C:\\Apps \\Tavix", "blank" },
             { "C:\\Apps.\\Tavix", "ends with a dot" },
         })
        EXPECT_NE(DestinationPathError(bad.path).find(bad.says), std::string::npos)
            << bad.path << ": " << DestinationPathError(bad.path);
}

// Catches a program folder name taken that breaks the Program Manager's
// commands or leaves the Programs menu, or a sound one refused.
TEST(PageRules, ProgramFolderNames)
{
    for (const char* good : { "Tools", "Tavix Electronics 1.01a - Demo", "Tavixsoft\\Tavix Electronics", "A&B" })
        EXPECT_EQ(ProgramFolderError(good), "") << good;
    for (const char* bad : { "", "  ", "..", ".", "\\Tools", "Tools\\", "Tavix\\\\Demo", "Tavix (Demo)", "Tavix, Demo",
             "[Tavix]", "Say \"hi\"", "Ta*vix", "Ta/vix", "C:Tavix", "Tavix\\..\\..\\Windows", "NUL", "Tavix\tDemo",
             " Tools" })
        EXPECT_NE(ProgramFolderError(bad), "") << bad;
}

// Catches a status window wider than the screen, a message that is not
// centred in it, or a short message wrapped.
TEST(PageRules, StatusWindowSize)
{
    // Eight pixels a character on one line; wrapped, as many lines as needed.
    auto text = [](int length) {
        return [length](int wrap) {
            if (wrap <= 0)
                return TTextSize { length * 8, 13 };
            int perLine = std::max(1, wrap / 8);
            return TTextSize { wrap, 13 * ((length + perLine - 1) / perLine) };
        };
    };
    // As wide as the text plus the frame, centred, the label in the middle.
    EXPECT_EQ(LayoutStatusWindow(text(30), 84, 58, 1024), (TStatusLayout { 350, 324, 58, 22, 240, 13, false }));
    // Halves go to the even neighbour: 1025 / 2 - 332 / 2 = 346.5 gives 346.
    EXPECT_EQ(LayoutStatusWindow(text(31), 84, 58, 1025).Left, 346);
    // Too wide for the screen: wrapped within it, 16 pixels from each edge.
    EXPECT_EQ(LayoutStatusWindow(text(200), 84, 58, 1024), (TStatusLayout { 16, 992, 58, 16, 908, 26, true }));
    // Many lines make the window taller, the message still centred.
    EXPECT_EQ(LayoutStatusWindow(text(1000), 84, 58, 1024), (TStatusLayout { 16, 992, 137, 10, 908, 117, true }));
}

} // namespace
