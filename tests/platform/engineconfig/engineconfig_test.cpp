// The engine configuration's text form: damaged text is refused with the
// line it is about (a merge must never read half a configuration), and a
// merge keeps what the existing configuration says.

#include "platform/engineconfig/engineconfig.h"

#include <gtest/gtest.h>

namespace {

using namespace engineconfig;

TEST(EngineConfigText, RefusesDamagedText)
{
    std::string error;
    for (const auto& [text, line] : { std::pair { "ENGINE CONFIG\r\n", "line 1" },
             std::pair { "ENGINE CONFIGURATION 1\r\n  PATH=C:\\\r\n", "line 2" },
             std::pair { "ENGINE CONFIGURATION 1\r\nALIAS\r\n", "line 2" },
             std::pair { "ENGINE CONFIGURATION 1\r\nALIAS A\r\n  =x\r\n", "line 3" },
             std::pair { "ENGINE CONFIGURATION 1\r\nALIAS A\r\n  P=1\r\n  p=2\r\n", "line 4" },
             std::pair { "ENGINE CONFIGURATION 1\r\nALIAS A\r\n; note\r\nalias a\r\n", "line 4" } }) {
        EXPECT_FALSE(Parse(text, error).has_value()) << text;
        EXPECT_EQ(error.rfind(line, 0), 0u) << error;
    }
}

TEST(EngineConfigText, MergeKeepsExistingValuesAndRoundTrips)
{
    std::string error;
    const auto existing = Parse("ENGINE CONFIGURATION 1\r\nDRIVER PARADOX\r\n  LEVEL=4\r\nALIAS PARTS\r\n"
                                "  PATH=C:\\Parts = old\r\n",
        error);
    const auto fresh = Parse("ENGINE CONFIGURATION 1\r\nSYSTEM\r\n  LANGUAGE=0007\r\nDRIVER paradox\r\n  LEVEL=7\r\n"
                             "  BLOCK SIZE=4096\r\nALIAS PARTS\r\n  PATH=C:\\New\r\n",
        error);
    ASSERT_TRUE(existing && fresh) << error;
    const Configuration merged = Merge(*fresh, *existing, "0009");
    EXPECT_EQ(*merged.Find("DRIVER", "PARADOX")->Value("LEVEL"), "4");
    EXPECT_EQ(*merged.Find("DRIVER", "PARADOX")->Value("BLOCK SIZE"), "4096");
    EXPECT_EQ(*merged.Find("ALIAS", "parts")->Value("PATH"), "C:\\Parts = old");
    EXPECT_EQ(*merged.Find("SYSTEM", "")->Value("LANGUAGE"), "0009");
    const auto again = Parse(Format(merged), error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(Format(*again), Format(merged));
}

} // namespace
