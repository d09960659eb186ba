#include "machine_fixture.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/pathmacros.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/translator.h"

using namespace installlib;

namespace {

// Stands in for the install objects and the engine.
class FakeSource : public TMetaVariableSource {
public:
    std::string ObjectDirectory(const TComponent& c) const override { return "C:\\Obj\\" + c.Name() + "\\"; }
    std::optional<std::string> ContainerDirectory(const TComponent& c) const override
    {
        if (c.Name() == "Orphan")
            return std::nullopt;
        return std::string("C:\\Container");
    }
    std::optional<std::string> InstallDirectory() const override { return engine; }
    std::optional<std::string> engine = std::string("C:\\Setup\\");
};

class PathMacros : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        SetMetaVariableSource(&source);
        object.SetName("File1");
        registry().writeString(win::RootKey::CurrentUser, kFolders, "Start Menu", "C:\\Start\\");
        registry().writeString(win::RootKey::CurrentUser, kFolders, "Programs", "C:\\Start\\Programs");
        registry().writeString(win::RootKey::CurrentUser, kFolders, "Desktop", "C:\\Desk");
        registry().writeString(win::RootKey::LocalMachine, kCurrent, "ProgramFilesDir", "C:\\PF");
        registry().writeString(win::RootKey::LocalMachine, kCurrent, "CommonFilesDir", "C:\\PF\\Common");
    }
    void TearDown() override
    {
        SetMetaVariableSource(nullptr);
        MachineTest::TearDown();
    }
    static constexpr const char* kFolders = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    static constexpr const char* kCurrent = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    FakeSource source;
    TComponent object;
};

std::string messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EAI& e) {
        return e.Message();
    }
    return "no error";
}

} // namespace

// Every letter must give its own directory, in either case and without a
// trailing backslash: a wrong letter installs files into the wrong folder.
TEST_F(PathMacros, EveryLetter)
{
    EXPECT_EQ(ExpandMetaVariables("%a", &object), "C:\\Obj\\File1");
    EXPECT_EQ(ExpandMetaVariables("%b", &object), "C:\\Start\\Programs");
    EXPECT_EQ(ExpandMetaVariables("%c", &object), "C:\\Container");
    EXPECT_EQ(ExpandMetaVariables("%d", &object), "C:\\Desk");
    EXPECT_EQ(ExpandMetaVariables("%f", &object), "C:\\PF\\Common");
    EXPECT_EQ(ExpandMetaVariables("%i", &object), "C:\\Setup");
    EXPECT_EQ(ExpandMetaVariables("%m", &object), "C:\\Start");
    EXPECT_EQ(ExpandMetaVariables("%p", nullptr), "C:\\PF");
    EXPECT_EQ(ExpandMetaVariables("%P", nullptr), "C:\\PF");
    EXPECT_EQ(ExpandMetaVariables("%s", nullptr), GetSystemDir());
    EXPECT_EQ(ExpandMetaVariables("%W", nullptr), GetWindowsDir());
    EXPECT_EQ(
        ExpandMetaVariables("%s\\x.dll;%w\\y.ini", nullptr), GetSystemDir() + "\\x.dll;" + GetWindowsDir() + "\\y.ini");
}

TEST_F(PathMacros, PercentRulesAndUnknownLetters)
{
    EXPECT_EQ(ExpandMetaVariables("100%%", nullptr), "100%");
    EXPECT_EQ(ExpandMetaVariables("a%xb", nullptr), "ab");
    EXPECT_EQ(ExpandMetaVariables("a%", nullptr), "a");
    EXPECT_EQ(ExpandMetaVariables("%", nullptr), "");
    EXPECT_EQ(ExpandMetaVariables("%%%%p", nullptr), "%%p");
    EXPECT_EQ(ExpandMetaVariables("%%%p", nullptr), "%C:\\PF");
    EXPECT_EQ(ExpandMetaVariables("%1%", nullptr), "");
    EXPECT_EQ(ExpandMetaVariables("plain text", nullptr), "plain text");
    // A directory that itself holds a macro is not expanded again.
    registry().writeString(win::RootKey::LocalMachine, kCurrent, "ProgramFilesDir", "C:\\100%w");
    EXPECT_EQ(ExpandMetaVariables("%p\\a", nullptr), "C:\\100%w\\a");
}

TEST_F(PathMacros, MissingObjectsRaiseTranslatedErrors)
{
    EXPECT_EQ(messageOf([] { ExpandMetaVariables("%a", nullptr); }),
        "Cannot expand the %a meta variable because the component is Nil");
    EXPECT_EQ(messageOf([] { ExpandMetaVariables("x%C", nullptr); }),
        "Cannot expand the %c meta variable because the component is Nil");
    TComponent orphan;
    orphan.SetName("Orphan");
    EXPECT_EQ(messageOf([&] { ExpandMetaVariables("%c", &orphan); }),
        "Cannot expand the %c meta variable because the Container property is Nil");
    source.engine.reset();
    EXPECT_THROW(ExpandMetaVariables("%i", &object), EAICannotExpandInstallDirMV);

    TTranslator t;
    t.TranslateIntoLanguage = qgGerman;
    t.lgEnglish().Strings().Add("1;Cannot expand the %i meta variable because there is no TInstall component");
    t.lgGerman().Strings().Add("1;Das Makro %i kann ohne TInstall nicht ersetzt werden");
    EXPECT_EQ(
        messageOf([&] { ExpandMetaVariables("%i", &object); }), "Das Makro %i kann ohne TInstall nicht ersetzt werden");
}
