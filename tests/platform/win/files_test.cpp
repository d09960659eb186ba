#include "machine_fixture.h"

#include "platform/win/dosdate.h"
#include "platform/win/file.h"

#include <set>

using namespace win;

namespace {
bool writeAll(File& f, const std::string& s)
{
    uint32_t done = 0;
    return f.write(s.data(), uint32_t(s.size()), done) && done == s.size();
}
} // namespace

// Catches an in-use file being deleted, replaced or renamed (the reboot path depends on it).
TEST_F(MachineTest, InUseFileRefusesDeleteAndReplace)
{
    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\system32\\APP.DLL", "old"));
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\APP.DLL", "new"));
    machine->setInUse("c:\\winnt\\SYSTEM32\\app.dll", true);
    EXPECT_TRUE(machine->isInUse("C:\\WINNT\\system32\\APP.DLL"));

    EXPECT_FALSE(machine->deleteFile("C:\\WINNT\\system32\\APP.DLL"));
    EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(machine->copyFile("C:\\TEMP\\APP.DLL", "C:\\WINNT\\system32\\APP.DLL", false));
    EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(machine->moveFileEx("C:\\TEMP\\APP.DLL", "C:\\WINNT\\system32\\APP.DLL", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(machine->moveFile("C:\\WINNT\\system32\\APP.DLL", "C:\\WINNT\\system32\\APP.1"));
    EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
    File w;
    EXPECT_FALSE(w.open(*machine, "C:\\WINNT\\system32\\APP.DLL", GENERIC_WRITE, 0, OPEN_EXISTING));
    EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
    // Reading a running program is allowed.
    std::string bytes;
    EXPECT_TRUE(machine->readFile("C:\\WINNT\\system32\\APP.DLL", bytes));
    EXPECT_EQ(bytes, "old");

    // The install writes beside it instead.
    EXPECT_TRUE(machine->copyFile("C:\\TEMP\\APP.DLL", "C:\\WINNT\\system32\\APP.1", false));
    machine->setInUse("C:\\WINNT\\system32\\APP.DLL", false);
    EXPECT_TRUE(machine->deleteFile("C:\\WINNT\\system32\\APP.DLL"));
}

// Catches share modes that let two writers in, or deletion of a file held open.
TEST_F(MachineTest, ShareModesOfOpenFiles)
{
    File a;
    ASSERT_TRUE(a.open(*machine, "C:\\data.bin", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW));
    File b;
    EXPECT_TRUE(b.open(*machine, "C:\\DATA.BIN", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
    b.close();
    EXPECT_FALSE(b.open(*machine, "C:\\DATA.BIN", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
    EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
    // A reader that does not let others write cannot join a writer.
    EXPECT_FALSE(b.open(*machine, "C:\\DATA.BIN", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(machine->deleteFile("C:\\data.bin"));
    EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
    a.close();
    EXPECT_TRUE(machine->deleteFile("C:\\data.bin"));

    File c;
    EXPECT_FALSE(c.open(*machine, "C:\\data.bin", GENERIC_READ, 0, OPEN_EXISTING));
    EXPECT_EQ(lastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(c.open(*machine, "C:\\nodir\\data.bin", GENERIC_READ, 0, OPEN_EXISTING));
    EXPECT_EQ(lastError(), ERROR_PATH_NOT_FOUND);
    ASSERT_TRUE(c.open(*machine, "C:\\data.bin", GENERIC_WRITE, 0, CREATE_NEW));
    c.close();
    EXPECT_FALSE(c.open(*machine, "C:\\data.bin", GENERIC_WRITE, 0, CREATE_NEW));
    EXPECT_EQ(lastError(), ERROR_FILE_EXISTS);
    EXPECT_TRUE(c.open(*machine, "C:\\data.bin", GENERIC_WRITE, 0, OPEN_ALWAYS));
    EXPECT_EQ(lastError(), ERROR_ALREADY_EXISTS);
}

// Catches reads, writes and seeks that lose or misplace bytes.
TEST_F(MachineTest, ReadWriteSeekAndSize)
{
    File f;
    ASSERT_TRUE(f.open(*machine, "C:\\TEMP\\x.dat", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS));
    ASSERT_TRUE(writeAll(f, "0123456789"));
    EXPECT_EQ(f.size(), 10);
    EXPECT_EQ(f.seek(-4, FILE_END), 6);
    char buf[16] = {};
    uint32_t got = 0;
    ASSERT_TRUE(f.read(buf, sizeof buf, got));
    EXPECT_EQ(std::string(buf, got), "6789");
    EXPECT_EQ(f.seek(-1, FILE_BEGIN), -1);
    EXPECT_EQ(lastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(f.seek(3, FILE_BEGIN), 3);
    ASSERT_TRUE(f.setEndOfFile());
    EXPECT_EQ(f.size(), 3);
    f.close();
    EXPECT_EQ(machine->fileSize("C:\\TEMP\\X.DAT").value_or(0), 3u);

    File r;
    ASSERT_TRUE(r.open(*machine, "C:\\TEMP\\x.dat", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_FALSE(writeAll(r, "no"));
    EXPECT_EQ(lastError(), ERROR_ACCESS_DENIED);
}

// Catches a full drive that silently drops data or reports success (floppy and disk-full paths).
TEST_F(MachineTest, FullDriveGivesShortWritesAndDiskFull)
{
    machine->setDriveCapacity('A', 1000);
    EXPECT_EQ(machine->diskFreeSpace("A:\\").value_or(0), 1000u);
    File f;
    ASSERT_TRUE(f.open(*machine, "A:\\files.1", GENERIC_WRITE, 0, CREATE_ALWAYS));
    // Host blocks set aside for a file neither grow it nor fill the drive.
    f.reserve(1 << 20);
    EXPECT_EQ(f.size(), 0);
    EXPECT_EQ(machine->diskFreeSpace("A:\\").value_or(0), 1000u);
    std::string block(600, 'x');
    uint32_t done = 0;
    EXPECT_TRUE(f.write(block.data(), 600, done));
    EXPECT_FALSE(f.write(block.data(), 600, done));
    EXPECT_EQ(done, 400u);
    EXPECT_EQ(lastError(), ERROR_DISK_FULL);
    // Overwriting bytes already on the disk needs no new room.
    EXPECT_EQ(f.seek(0, FILE_BEGIN), 0);
    EXPECT_TRUE(f.write(block.data(), 600, done));
    // Past the end the gap counts too, for a write and for a new end alike.
    for (bool write : { true, false }) {
        EXPECT_EQ(f.seek(100000000, FILE_BEGIN), 100000000);
        EXPECT_FALSE(write ? f.write("x", 1, done) : f.setEndOfFile()) << write;
        EXPECT_EQ(lastError(), ERROR_DISK_FULL);
    }
    EXPECT_EQ(f.size(), 1000);
    f.close();
    EXPECT_EQ(machine->diskFreeSpace("A:\\").value_or(99), 0u);

    ASSERT_TRUE(machine->writeFile("C:\\big.bin", std::string(50, 'b')));
    EXPECT_FALSE(machine->copyFile("C:\\big.bin", "A:\\big.bin", false));
    EXPECT_EQ(lastError(), ERROR_DISK_FULL);
    EXPECT_FALSE(machine->fileExists("A:\\big.bin"));

    // A new disk is empty; the old one's files are kept aside for inspection.
    auto old = machine->swapDisk('A');
    EXPECT_TRUE(std::filesystem::exists(old / "files.1"));
    EXPECT_FALSE(machine->fileExists("A:\\files.1"));
    EXPECT_TRUE(machine->copyFile("C:\\big.bin", "A:\\big.bin", false));
}

// Catches copies or moves that lose the file date, overwrite without leave or leave half files.
TEST_F(MachineTest, CopyMoveDeleteAndAttributes)
{
    ASSERT_TRUE(machine->writeFile("C:\\src.txt", "hello"));
    uint32_t stamp = *packDosDateTime(rtl::DateParts { 1998, 7, 14, 10, 20, 30, 0 });
    ASSERT_TRUE(machine->setFileDate("C:\\src.txt", stamp));
    ASSERT_TRUE(machine->copyFile("C:\\src.txt", "C:\\dst.txt", true));
    EXPECT_EQ(machine->fileDate("C:\\dst.txt").value_or(0), stamp);
    EXPECT_FALSE(machine->copyFile("C:\\src.txt", "C:\\dst.txt", true));
    EXPECT_EQ(lastError(), ERROR_FILE_EXISTS);
    EXPECT_FALSE(machine->copyFile("C:\\none.txt", "C:\\x.txt", false));
    EXPECT_EQ(lastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(machine->copyFile("C:\\src.txt", "C:\\nodir\\x.txt", false));
    EXPECT_EQ(lastError(), ERROR_PATH_NOT_FOUND);

    EXPECT_FALSE(machine->moveFile("C:\\src.txt", "C:\\dst.txt"));
    EXPECT_EQ(lastError(), ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(machine->moveFileEx("C:\\src.txt", "C:\\dst.txt", MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(machine->fileExists("C:\\src.txt"));
    EXPECT_FALSE(machine->moveFile("C:\\dst.txt", "A:\\dst.txt"));
    EXPECT_EQ(lastError(), ERROR_NOT_SAME_DEVICE);
    EXPECT_TRUE(machine->moveFileEx("C:\\dst.txt", "A:\\dst.txt", MOVEFILE_COPY_ALLOWED));
    EXPECT_TRUE(machine->fileExists("A:\\dst.txt"));

    ASSERT_TRUE(machine->setFileAttributes("A:\\dst.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(machine->fileAttributes("A:\\dst.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_FALSE(machine->deleteFile("A:\\dst.txt"));
    EXPECT_EQ(lastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(machine->writeFile("A:\\dst.txt", "x"));
    EXPECT_EQ(lastError(), ERROR_ACCESS_DENIED);
    ASSERT_TRUE(machine->setFileAttributes("A:\\dst.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(machine->deleteFile("A:\\dst.txt"));
    EXPECT_EQ(machine->fileAttributes("C:\\WINNT"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(machine->fileAttributes("C:\\nothing"), INVALID_FILE_ATTRIBUTES);

    // No temporary files are left behind by the writes above.
    EXPECT_EQ(machine->findFiles("C:\\.~*").size(), 0u);
    EXPECT_EQ(machine->findFiles("A:\\.~*").size(), 0u);
}

// Catches directory helpers that stop half way or remove non-empty folders.
TEST_F(MachineTest, DirectoriesAndListing)
{
    EXPECT_FALSE(machine->createDirectory("C:\\a\\b"));
    EXPECT_EQ(lastError(), ERROR_PATH_NOT_FOUND);
    ASSERT_TRUE(machine->forceDirectories("C:\\a\\b\\c"));
    EXPECT_TRUE(machine->forceDirectories("C:\\A\\B\\C"));
    EXPECT_FALSE(machine->createDirectory("C:\\a"));
    EXPECT_EQ(lastError(), ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(machine->writeFile("C:\\a\\one.txt", "1"));
    ASSERT_TRUE(machine->writeFile("C:\\a\\Two.TXT", "22"));
    ASSERT_TRUE(machine->writeFile("C:\\a\\three.dat", "333"));
    EXPECT_FALSE(machine->removeDirectory("C:\\a"));
    EXPECT_EQ(lastError(), ERROR_DIR_NOT_EMPTY);

    auto txt = machine->findFiles("C:\\a\\*.txt");
    ASSERT_EQ(txt.size(), 2u);
    EXPECT_EQ(txt[0].name, "one.txt");
    EXPECT_EQ(txt[1].name, "Two.TXT");
    EXPECT_EQ(machine->findFiles("C:\\a\\t??ee.*").size(), 1u);
    EXPECT_EQ(machine->findFiles("C:\\a\\*.*").size(), 4u);
    EXPECT_TRUE(machine->findFiles("C:\\a\\*.exe").empty());
    EXPECT_EQ(lastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(machine->findFiles("C:\\zz\\*.*").empty());
    EXPECT_EQ(lastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(machine->removeDirectory("C:\\a\\b\\c"));
}

// Catches temporary names that collide or files found in the wrong directory first.
TEST_F(MachineTest, TempFilesAndSearchOrder)
{
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        std::string name = machine->tempFileName(machine->tempPath(), "bat");
        ASSERT_FALSE(name.empty());
        EXPECT_EQ(name.rfind("C:\\TEMP\\bat", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".TMP");
        EXPECT_TRUE(machine->fileExists(name));
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 50u);
    EXPECT_TRUE(machine->tempFileName("C:\\nowhere", "bat").empty());

    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\system32\\idapi.cfg", "s"));
    EXPECT_EQ(machine->searchPath("IDAPI.CFG"), "C:\\WINNT\\system32\\IDAPI.CFG");
    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\idapi.cfg", "w"));
    EXPECT_EQ(machine->searchPath("idapi.cfg"), "C:\\WINNT\\idapi.cfg");
    ASSERT_TRUE(machine->writeFile("C:\\idapi.cfg", "c"));
    EXPECT_EQ(machine->searchPath("idapi.cfg"), "C:\\idapi.cfg");
    EXPECT_EQ(machine->searchPath("odapi.cfg"), "");
    EXPECT_EQ(lastError(), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(machine->shortPathName("C:\\WINNT\\idapi.cfg"), "C:\\WINNT\\idapi.cfg");
    EXPECT_EQ(machine->shortPathName("C:\\WINNT\\none.cfg"), "");
}
