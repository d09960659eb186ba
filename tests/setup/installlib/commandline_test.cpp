#include "setup/installlib/commandline.h"
#include "setup/installlib/exceptions.h"

#include <gtest/gtest.h>

using namespace installlib;

namespace {

std::string parseError(const std::vector<std::string>& arguments)
{
    TInstallCommandLine line;
    try {
        line.Parse(arguments);
    } catch (const IException& e) {
        return e.Message();
    }
    return {};
}

// The command line: a flag misread means building instead of installing, or
// an install that never cleans up; a bad argument must be refused by name.
TEST(InstallCommandLine, FlagsValuesAndRefusals)
{
    TInstallCommandLine line;
    line.Parse({ "-sC:\\My Build", "*TODISK", "-C", "-eSetup.exe", "-s" });
    EXPECT_TRUE(line.Has(clSource));
    EXPECT_EQ(line.Value(clSource), ""); // the last -s wins, even empty
    EXPECT_TRUE(line.Has(clCleanup));
    EXPECT_EQ(line.Value(clSelfExtract), "Setup.exe");
    EXPECT_FALSE(line.Has(clBuild));
    EXPECT_FALSE(line.Has(clFloppies)); // *TODISK names no flag letter of ours
    line.Parse({ "*b", "-rX", "-D", "-F" });
    EXPECT_TRUE(line.Has(clBuild));
    EXPECT_EQ(line.Value(clReboot), "X");
    EXPECT_TRUE(line.Has(clDebug));
    EXPECT_TRUE(line.Has(clFloppies));
    EXPECT_FALSE(line.Has(clSource)); // cleared by the new parse

    EXPECT_EQ(parseError({ "-x" }),
        "Invalid parameter <-x>. Valid command line parameters are: -b (Build), -d (Debug), -f (Transfer to floppies), "
        "-e (Called by self-extractor), -r (After reboot)");
    EXPECT_NE(parseError({ "-" }), "");
    EXPECT_NE(parseError({ "b" }), "");
    EXPECT_NE(parseError({ "/b" }), "");
    EXPECT_EQ(parseError({ "*" }),
        "Invalid parameter <*>. Valid command line parameters are: -b (Build), -d (Debug), "
        "-f (Transfer to floppies), -e (Called by self-extractor), -r (After reboot)");
}

} // namespace
