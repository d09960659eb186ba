#include "machine_fixture.h"

using namespace win;

// Catches INI reads that ignore the profile rules (case, blanks, quotes, buffer size).
TEST_F(MachineTest, ProfileReadRules)
{
    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\TEST.INI",
        "; comment\r\n[IDAPI]\r\n  CONFIGFILE01 =  C:\\IDAPI\\IDAPI.CFG  \r\nQuoted=\"  spaced  "
        "\"\r\nlong=0123456789\r\n"
        "[Other]\r\nkey=other\r\n"));
    EXPECT_EQ(machine->getPrivateProfileString("idapi", "configfile01", "", 1024, "test.ini"), "C:\\IDAPI\\IDAPI.CFG");
    EXPECT_EQ(machine->getPrivateProfileString("IDAPI", "quoted", "", 1024, "TEST.INI"), "  spaced  ");
    EXPECT_EQ(machine->getPrivateProfileString("IDAPI", "long", "", 5, "TEST.INI"), "0123");
    EXPECT_EQ(machine->getPrivateProfileString("IDAPI", "missing", "dflt  ", 1024, "TEST.INI"), "dflt");
    EXPECT_EQ(machine->getPrivateProfileString("Nope", "key", "d", 1024, "TEST.INI"), "d");
    EXPECT_EQ(machine->getPrivateProfileString("Other", "key", "d", 1024, "C:\\WINNT\\test.ini"), "other");
    EXPECT_EQ(machine->getPrivateProfileString("Other", "key", "d", 1024, "C:\\nofile.ini"), "d");
    EXPECT_EQ(machine->getPrivateProfileInt("IDAPI", "long", 7, "TEST.INI"), 123456789);
    EXPECT_EQ(machine->getPrivateProfileInt("IDAPI", "nothing", 7, "TEST.INI"), 7);
    EXPECT_EQ(machine->profileSectionNames("TEST.INI"), (std::vector<std::string> { "IDAPI", "Other" }));
    EXPECT_EQ(
        machine->profileKeyNames("idapi", "TEST.INI"), (std::vector<std::string> { "CONFIGFILE01", "Quoted", "long" }));
}

// Catches INI writes that lose comments or other lines, or handle null values and keys wrongly.
TEST_F(MachineTest, ProfileWriteRules)
{
    ASSERT_TRUE(
        machine->writeFile("C:\\WINNT\\WIN.INI", "; keep me\r\n[windows]\r\nload=\r\n\r\n[Ports]\r\nCOM1:=9600\r\n"));
    ASSERT_TRUE(machine->writePrivateProfileString("Windows", "Run", std::string("tavix.exe"), "WIN.INI"));
    ASSERT_TRUE(machine->writePrivateProfileString("ports", "com1:", std::string("19200"), "WIN.INI"));
    ASSERT_TRUE(machine->writePrivateProfileString("IDAPI", "CONFIGFILE01", std::string("C:\\x.cfg"), "WIN.INI"));
    std::string text;
    ASSERT_TRUE(machine->readFile("C:\\WINNT\\WIN.INI", text));
    EXPECT_EQ(text,
        "; keep me\r\n[windows]\r\nload=\r\nRun=tavix.exe\r\n\r\n[Ports]\r\ncom1:=19200\r\n"
        "[IDAPI]\r\nCONFIGFILE01=C:\\x.cfg\r\n");

    ASSERT_TRUE(machine->writePrivateProfileString("WINDOWS", "run", std::nullopt, "WIN.INI"));
    ASSERT_TRUE(machine->writePrivateProfileString("Ports", std::nullopt, std::nullopt, "WIN.INI"));
    ASSERT_TRUE(machine->writePrivateProfileString("Gone", "nothing", std::nullopt, "WIN.INI"));
    ASSERT_TRUE(machine->readFile("C:\\WINNT\\WIN.INI", text));
    EXPECT_EQ(text, "; keep me\r\n[windows]\r\nload=\r\n\r\n[IDAPI]\r\nCONFIGFILE01=C:\\x.cfg\r\n");

    // WININIT.INI is made on first write; deleting from a missing file makes none.
    ASSERT_TRUE(machine->writePrivateProfileString(
        "Rename", "C:\\WINNT\\APP.DLL", std::string("C:\\WINNT\\APP.1"), "WININIT.INI"));
    EXPECT_TRUE(machine->fileExists("C:\\WINNT\\WININIT.INI"));
    ASSERT_TRUE(machine->writePrivateProfileString("X", std::nullopt, std::nullopt, "C:\\none.ini"));
    EXPECT_FALSE(machine->fileExists("C:\\none.ini"));
    // An internet shortcut in a folder that does not exist cannot be written.
    EXPECT_FALSE(
        machine->writePrivateProfileString("InternetShortcut", "URL", std::string("http://x"), "C:\\no\\x.url"));
    EXPECT_EQ(lastError(), ERROR_PATH_NOT_FOUND);
}
