#include "platform/help/help_file.h"

#include <gtest/gtest.h>

using help::THelpFile;

// Catches contexts mapped to the wrong page, pages not taken from the help
// file's folder, and an unknown context that shows nothing.
TEST(THelpFile, MapsContextsToPagesBesideIt)
{
    std::string error;
    const auto file = THelpFile::Parse("; the viewer\r\n[Options]\r\nTitle = Viewer Help\r\n\r\n[MAP]\r\n"
                                       "1=help/contents.html\r\n 11 = help/page setup.html \r\n",
        "/opt/viewer", error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->Title(), "Viewer Help");
    EXPECT_EQ(file->PageFor(1), "/opt/viewer/help/contents.html");
    EXPECT_EQ(file->PageFor(11), "/opt/viewer/help/page setup.html");
    EXPECT_TRUE(file->HasContext(11));
    EXPECT_FALSE(file->HasContext(3));
    EXPECT_EQ(file->PageFor(3), "/opt/viewer/help/contents.html");
}

// Catches damaged lines taken as topics and pages that reach outside the
// help's folder.
TEST(THelpFile, RefusesDamagedFiles)
{
    std::string error;
    for (const char* text : { "[Map]\n1=a.html\nnot a line\n", "[Map]\nx=a.html\n", "[Map]\n1=\n",
             "[Map]\n1=../../etc/passwd\n", "[Map]\n1=/etc/passwd\n", "[Options]\nTitle=x\n" }) {
        error.clear();
        EXPECT_FALSE(THelpFile::Parse(text, "/opt", error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    EXPECT_FALSE(THelpFile::Open("/nonexistent/viewer.hlp", error));
    EXPECT_NE(error.find("/nonexistent/viewer.hlp"), std::string::npos);
}
