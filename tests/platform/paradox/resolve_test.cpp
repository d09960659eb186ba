#include "platform/paradox/paradox.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

using paradox::resolveNoCase;
using tavix::testing::TempDir;
using tavix::testing::writeFile;

// Catches table paths written for a case-blind file system that miss files
// whose names differ only in case, per folder and per extension.
TEST(ParadoxResolveNoCase, FindsEveryComponentWithoutCase)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "Data");
    writeFile(dir / "Data" / "transistores.DB", "x");
    writeFile(dir / "Data" / "Reparos.db", "x");

    auto found = resolveNoCase(dir.path(), "data\\Transistores.db");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, dir / "Data" / "transistores.DB");
    found = resolveNoCase(dir.path(), "DATA/reparos.DB");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, dir / "Data" / "Reparos.db");
    // Repeated and trailing separators are harmless.
    found = resolveNoCase(dir.path(), "data\\\\");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, dir / "Data");

    EXPECT_FALSE(resolveNoCase(dir.path(), "data\\diodosr.db"));
    EXPECT_FALSE(resolveNoCase(dir.path(), "dados\\transistores.db"));
    EXPECT_FALSE(resolveNoCase(dir / "missing", "x.db"));
}

// Catches a lookup that picks another file when the exact name exists, or
// one whose choice depends on directory order.
TEST(ParadoxResolveNoCase, PrefersTheExactNameThenTheFirstInNameOrder)
{
    TempDir dir;
    writeFile(dir / "graficos.DB", "a");
    writeFile(dir / "Graficos.db", "b");
    EXPECT_EQ(*resolveNoCase(dir.path(), "Graficos.db"), dir / "Graficos.db");
    EXPECT_EQ(*resolveNoCase(dir.path(), "graficos.DB"), dir / "graficos.DB");
    EXPECT_EQ(*resolveNoCase(dir.path(), "GRAFICOS.DB"), dir / "Graficos.db");
}

// Catches a reader that only finds the table or its blob file under one spelling.
TEST(ParadoxResolveNoCase, ReaderFindsTheBlobFileWithoutCase)
{
    TempDir dir;
    paradox::Table t;
    t.fields = { { "Texto", paradox::FieldType::Memo, 1 } };
    t.records = { { std::string(500, 'z') } };
    writeTable(dir / "notas.DB", t);
    std::filesystem::rename(dir / "notas.MB", dir / "NOTAS.mb");
    EXPECT_EQ(paradox::readTable(dir / "notas.DB").records[0][0], paradox::Value(std::string(500, 'z')));
    EXPECT_EQ(paradox::readTable(dir / "Notas.db").records.size(), 1u);
    EXPECT_THROW(paradox::readTable(dir / "outras.db"), paradox::Error);
}
