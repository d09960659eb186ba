#include "platform/win/errors.h"
#include "platform/win/registry.h"
#include "tests/support/rename_count.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>

#include <sys/inotify.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace win;
namespace fs = std::filesystem;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    std::unique_ptr<Registry> open() { return std::make_unique<Registry>(dir / "registry.reg", dir / "registry.lock"); }
    tavix::testing::TempDir dir { "winreg" };
};

} // namespace

// Catches values, types or key names lost or reordered between runs (the resume run reads them back).
TEST_F(RegistryTest, PersistsAcrossReopeningInInsertionOrder)
{
    {
        auto reg = open();
        RegKey key;
        ASSERT_EQ(reg->createKey(RootKey::LocalMachine, "\\SOFTWARE\\Quorle\\Install\\Install0", key), ERROR_SUCCESS);
        ASSERT_EQ(reg->setValue(key, RegValue::string("Path", "C:\\T\\setup.exe")), ERROR_SUCCESS);
        ASSERT_EQ(reg->setValue(key, RegValue::dword("Size", 123456)), ERROR_SUCCESS);
        double when = 36000.5;
        std::vector<uint8_t> raw(8);
        std::memcpy(raw.data(), &when, 8);
        ASSERT_EQ(reg->setValue(key, RegValue::binary("CreationDate", raw)), ERROR_SUCCESS);
        ASSERT_EQ(reg->setValue(key, RegValue::string("Expand", "%SystemRoot%\\x", true)), ERROR_SUCCESS);
        ASSERT_EQ(reg->setValue(key, RegValue::multiString("Multi", { "a", "b c" })), ERROR_SUCCESS);
        ASSERT_EQ(reg->setValue(key, RegValue::string("", "default \"quoted\" \\ back")), ERROR_SUCCESS);
        ASSERT_EQ(reg->setValue(key, RegValue::string("Lines", "one\r\ntwo")), ERROR_SUCCESS);
        // Writing an existing value keeps its place.
        ASSERT_EQ(reg->setValue(key, RegValue::string("PATH", "C:\\U\\setup.exe")), ERROR_SUCCESS);
        ASSERT_EQ(reg->setValue(key, RegValue::binary("Long", std::vector<uint8_t>(100, 0xAB))), ERROR_SUCCESS);
    }
    auto reg = open();
    RegKey key;
    ASSERT_EQ(reg->openKey(RootKey::LocalMachine, "software\\QUORLE\\install\\install0", false, key), ERROR_SUCCESS);
    EXPECT_EQ(key.path, "SOFTWARE\\Quorle\\Install\\Install0");
    std::vector<RegValue> values;
    ASSERT_EQ(reg->enumValues(key, values), ERROR_SUCCESS);
    std::vector<std::string> names;
    for (const auto& v : values)
        names.push_back(v.name);
    EXPECT_EQ(
        names, (std::vector<std::string> { "Path", "Size", "CreationDate", "Expand", "Multi", "", "Lines", "Long" }));
    EXPECT_EQ(values[0].text(), "C:\\U\\setup.exe");
    EXPECT_EQ(values[1].type, REG_DWORD);
    EXPECT_EQ(values[1].dwordValue(), 123456u);
    double when = 0;
    ASSERT_EQ(values[2].data.size(), 8u);
    std::memcpy(&when, values[2].data.data(), 8);
    EXPECT_EQ(when, 36000.5);
    EXPECT_EQ(values[3].type, REG_EXPAND_SZ);
    EXPECT_EQ(values[3].text(), "%SystemRoot%\\x");
    EXPECT_EQ(values[4].strings(), (std::vector<std::string> { "a", "b c" }));
    EXPECT_EQ(values[5].text(), "default \"quoted\" \\ back");
    EXPECT_EQ(values[6].text(), "one\r\ntwo");
    EXPECT_EQ(values[7].data, std::vector<uint8_t>(100, 0xAB));

    std::string text = tavix::testing::readFile(dir / "registry.reg");
    EXPECT_EQ(text.rfind("REGEDIT4\r\n\r\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorle\\Install\\Install0]\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Size\"=dword:0001e240\r\n"), std::string::npos);
    EXPECT_NE(text.find("@=\"default \\\"quoted\\\" \\\\ back\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Path\"=\"C:\\\\U\\\\setup.exe\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Multi\"=hex(7):61,00,62,20,63,00,00\r\n"), std::string::npos);
}

// Catches keys matched with case, deletes that leave subkeys behind or remove non-empty keys.
TEST_F(RegistryTest, KeysCaseAndDeletion)
{
    auto reg = open();
    RegKey a, b;
    bool created = false;
    ASSERT_EQ(reg->createKey(RootKey::CurrentUser, "Software\\Tavix", a, &created), ERROR_SUCCESS);
    EXPECT_TRUE(created);
    ASSERT_EQ(reg->createKey(RootKey::CurrentUser, "SOFTWARE\\TAVIX", b, &created), ERROR_SUCCESS);
    EXPECT_FALSE(created);
    EXPECT_EQ(b.path, "Software\\Tavix");
    RegKey sub;
    ASSERT_EQ(reg->createKey(a, "zeta\\deep\\deeper", sub), ERROR_SUCCESS);
    ASSERT_EQ(reg->createKey(a, "Alpha", sub), ERROR_SUCCESS);
    ASSERT_EQ(reg->createKey(a, "beta", sub), ERROR_SUCCESS);
    std::vector<std::string> names;
    ASSERT_EQ(reg->enumKeys(a, names), ERROR_SUCCESS);
    EXPECT_EQ(names, (std::vector<std::string> { "Alpha", "beta", "zeta" }));

    EXPECT_EQ(reg->deleteKey(a, "Zeta"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg->deleteTree(a, "Zeta"), ERROR_SUCCESS);
    EXPECT_FALSE(reg->keyExists(RootKey::CurrentUser, "Software\\Tavix\\zeta\\deep"));
    EXPECT_EQ(reg->deleteKey(a, "ALPHA"), ERROR_SUCCESS);
    EXPECT_EQ(reg->deleteKey(a, "alpha"), ERROR_FILE_NOT_FOUND);
    RegValue v;
    EXPECT_EQ(reg->queryValue(a, "missing", v), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg->deleteValue(a, "missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg->deleteTree(RootKey::CurrentUser, "Software\\Tavix"), ERROR_SUCCESS);
    EXPECT_EQ(reg->setValue(a, RegValue::dword("x", 1)), ERROR_KEY_DELETED);
    EXPECT_EQ(reg->readString(RootKey::CurrentUser, "Software\\Tavix", "x", "dflt"), "dflt");
}

// Catches failure tests being unable to make registry writes fail.
TEST_F(RegistryTest, ReadOnlyKeysRefuseWrites)
{
    auto reg = open();
    ASSERT_EQ(reg->writeString(RootKey::LocalMachine, "SOFTWARE\\Locked\\Inner", "a", "1"), ERROR_SUCCESS);
    reg->setKeyReadOnly(RootKey::LocalMachine, "software\\locked", true);
    EXPECT_EQ(reg->writeString(RootKey::LocalMachine, "SOFTWARE\\Locked", "b", "2"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg->writeString(RootKey::LocalMachine, "SOFTWARE\\Locked\\Inner", "b", "2"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg->writeString(RootKey::LocalMachine, "SOFTWARE\\Locked\\New", "b", "2"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg->deleteTree(RootKey::LocalMachine, "SOFTWARE"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg->readString(RootKey::LocalMachine, "SOFTWARE\\Locked\\Inner", "a"), "1");
    EXPECT_EQ(reg->writeString(RootKey::LocalMachine, "SOFTWARE\\Open", "b", "2"), ERROR_SUCCESS);
    reg->setKeyReadOnly(RootKey::LocalMachine, "SOFTWARE\\Locked", false);
    EXPECT_EQ(reg->writeString(RootKey::LocalMachine, "SOFTWARE\\Locked", "b", "2"), ERROR_SUCCESS);
}

// Catches a corrupt store being silently replaced (and its data lost) instead of reported.
TEST_F(RegistryTest, CorruptStoreIsReportedAndKept)
{
    const std::string bad = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n\"a\"=dword:zz\r\n";
    tavix::testing::writeFile(dir / "registry.reg", bad);
    try {
        open();
        FAIL() << "no error";
    } catch (const MachineError& e) {
        EXPECT_NE(std::string(e.what()).find("registry.reg: line 4"), std::string::npos) << e.what();
    }
    EXPECT_EQ(tavix::testing::readFile(dir / "registry.reg"), bad);

    for (const std::string& other : { std::string("not a registry"), std::string("REGEDIT4\r\n\"v\"=\"x\"\r\n"),
             std::string("REGEDIT4\r\n[HKEY_NOWHERE\\X]\r\n"),
             std::string("REGEDIT4\r\n[HKEY_USERS\\X]\r\n\"v\"=\"open\r\n") }) {
        tavix::testing::writeFile(dir / "registry.reg", other);
        EXPECT_THROW(open(), MachineError) << other;
        EXPECT_EQ(tavix::testing::readFile(dir / "registry.reg"), other);
    }
}

// Catches a hand-edited store (continued hex lines, comments, deletions) being misread.
TEST_F(RegistryTest, ReadsRegedit4Text)
{
    tavix::testing::writeFile(dir / "registry.reg",
        "REGEDIT4\n\n; a comment\n[HKEY_CURRENT_USER\\Software\\A]\n\"bin\"=hex:01,02,\\\n  03,ff\n"
        "\"gone\"=\"x\"\n\"gone\"=-\n@=\"def\"\n\n[HKEY_CURRENT_USER\\Software\\B]\n[-HKEY_CURRENT_USER\\Software\\B]"
        "\n");
    auto reg = open();
    RegKey a;
    ASSERT_EQ(reg->openKey(RootKey::CurrentUser, "Software\\A", false, a), ERROR_SUCCESS);
    std::vector<RegValue> values;
    reg->enumValues(a, values);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].data, (std::vector<uint8_t> { 1, 2, 3, 0xFF }));
    EXPECT_EQ(values[1].text(), "def");
    EXPECT_FALSE(reg->keyExists(RootKey::CurrentUser, "Software\\B"));
}

// Catches lost updates when the setup, its resumed run and the uninstaller write at once.
TEST_F(RegistryTest, ConcurrentWritersThroughTheLock)
{
    open(); // create the store
    constexpr int kEach = 40;
    auto writer = [this](const std::string& who) {
        auto reg = open();
        for (int i = 0; i < kEach; ++i)
            ASSERT_EQ(reg->writeDWord(RootKey::LocalMachine, "SOFTWARE\\Shared\\" + who, "v" + std::to_string(i), i),
                ERROR_SUCCESS);
    };
    std::vector<pid_t> children;
    for (int p = 0; p < 2; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            auto reg = std::make_unique<Registry>(dir / "registry.reg", dir / "registry.lock");
            for (int i = 0; i < kEach; ++i)
                if (reg->writeDWord(RootKey::LocalMachine, "SOFTWARE\\Shared\\proc" + std::to_string(p),
                        "v" + std::to_string(i), uint32_t(i))
                    != ERROR_SUCCESS)
                    _exit(1);
            _exit(0);
        }
        children.push_back(pid);
    }
    std::thread t1(writer, "thread1"), t2(writer, "thread2");
    t1.join();
    t2.join();
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto reg = open();
    for (const char* whoName : { "thread1", "thread2", "proc0", "proc1" }) {
        const std::string who = whoName;
        RegKey key;
        ASSERT_EQ(reg->openKey(RootKey::LocalMachine, "SOFTWARE\\Shared\\" + who, false, key), ERROR_SUCCESS) << who;
        std::vector<RegValue> values;
        reg->enumValues(key, values);
        ASSERT_EQ(values.size(), size_t(kEach)) << who;
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(values[size_t(i)].dwordValue(), uint32_t(i));
    }
    EXPECT_FALSE(fs::exists(dir / "registry.reg.tmp"));
}

// Catches a new key saved before its value (a kill between the two saves
// left the key without it): each write is one rename of the store.
TEST_F(RegistryTest, NewKeyAndItsValueAreOneSave)
{
    auto reg = open();
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, dir.path().c_str(), IN_MOVED_FROM | IN_MOVED_TO), 0);
    auto saves = [&] { return tavix::testing::renamesOnto(watch, "registry.reg"); };
    ASSERT_EQ(reg->writeString(RootKey::LocalMachine, "SOFTWARE\\New\\Deep", "v", "x"), ERROR_SUCCESS);
    EXPECT_EQ(saves(), 1);
    ASSERT_EQ(reg->writeDWord(RootKey::CurrentUser, "Software\\Other", "n", 7), ERROR_SUCCESS);
    EXPECT_EQ(saves(), 1);
    close(watch);
    EXPECT_EQ(open()->readString(RootKey::LocalMachine, "SOFTWARE\\New\\Deep", "v", ""), "x");
    // A read-only branch refuses the write before anything is made.
    reg->setKeyReadOnly(RootKey::LocalMachine, "SOFTWARE\\Locked", true);
    EXPECT_EQ(reg->writeString(RootKey::LocalMachine, "SOFTWARE\\Locked\\Sub", "v", "x"), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(open()->keyExists(RootKey::LocalMachine, "SOFTWARE\\Locked"));
}

// Catches pending moves of other programs lost when one program withdraws
// its own pairs (a list read earlier and written back whole), and a step
// that is saved in part.
TEST_F(RegistryTest, OneStepTakesOnlyItsOwnPairsAndAllOrNothing)
{
    const char* key = "SYSTEM\\Session Manager";
    auto reg = open();
    using Kind = Registry::Edit::Kind;
    auto pairs = [](std::vector<std::string> items) { return RegValue::multiString("Pending", items); };
    ASSERT_EQ(
        reg->applyInOneStep({ { Kind::AppendStrings, RootKey::LocalMachine, key, pairs({ "a", "", "b", "!c" }) } }),
        ERROR_SUCCESS);
    // Another program adds its move after this one read the list.
    ASSERT_EQ(open()->applyInOneStep({ { Kind::AppendStrings, RootKey::LocalMachine, key, pairs({ "d", "" }) } }),
        ERROR_SUCCESS);
    ASSERT_EQ(reg->applyInOneStep({ { Kind::RemovePairs, RootKey::LocalMachine, key, pairs({ "b", "!c" }) },
                  { Kind::SetValue, RootKey::LocalMachine, "SOFTWARE\\P", RegValue::dword("n", 1) } }),
        ERROR_SUCCESS);
    RegKey k;
    RegValue v;
    auto again = open();
    ASSERT_EQ(again->openKey(RootKey::LocalMachine, key, false, k), ERROR_SUCCESS);
    ASSERT_EQ(again->queryValue(k, "Pending", v), ERROR_SUCCESS);
    EXPECT_EQ(v.strings(), (std::vector<std::string> { "a", "", "d", "" }));
    reg->setKeyReadOnly(RootKey::LocalMachine, "SOFTWARE\\Locked", true);
    EXPECT_EQ(reg->applyInOneStep({ { Kind::RemovePairs, RootKey::LocalMachine, key, pairs({ "a", "" }) },
                  { Kind::DeleteTree, RootKey::LocalMachine, "SOFTWARE\\Locked", {} } }),
        ERROR_ACCESS_DENIED);
    EXPECT_EQ(open()->readDWord(RootKey::LocalMachine, "SOFTWARE\\P", "n"), 1u);
    ASSERT_EQ(again->queryValue(k, "Pending", v), ERROR_SUCCESS);
    EXPECT_EQ(v.strings().size(), 4u);
}

// Catches the store written through a fixed temporary name, where a link
// planted beforehand would redirect the write outside the machine.
TEST_F(RegistryTest, PlantedLinkAtATemporaryNameIsNotFollowed)
{
    tavix::testing::TempDir outside { "outside" };
    const fs::path victim = outside.path() / "victim";
    { std::ofstream(victim) << "keep"; }
    auto reg = open();
    fs::create_symlink(victim, dir / "registry.reg.tmp");
    ASSERT_EQ(reg->writeString(RootKey::CurrentUser, "Software\\X", "v", "new"), ERROR_SUCCESS);
    EXPECT_EQ(tavix::testing::readFile(victim), "keep");
    EXPECT_FALSE(fs::is_symlink(dir / "registry.reg"));
    EXPECT_EQ(open()->readString(RootKey::CurrentUser, "Software\\X", "v", ""), "new");
}
