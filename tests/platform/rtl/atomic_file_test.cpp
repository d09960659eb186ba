#include "platform/rtl/atomic_file.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using tavix::testing::readFile;
using tavix::testing::TempDir;
using tavix::testing::writeFile;

namespace {

std::set<std::string> names(const fs::path& dir)
{
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        out.insert(e.path().filename().string());
    return out;
}

void age(const fs::path& file)
{
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(5));
}

} // namespace

// Catches a save killed half-way that leaves its temporary file for good, or
// the old file damaged by it.
TEST(WriteFileAtomically, AKilledSaveLeavesTheOldFileAndNothingForGood)
{
    TempDir dir;
    const std::string target = (dir.path() / "amp.s2p").string();
    ASSERT_EQ(rtl::WriteFileAtomically(target, "old\n"), "");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rtl::WriteFileAtomically(target, [](const rtl::TextSink& sink) {
            sink("half of the new");
            ::_exit(9); // killed while writing
            return std::string();
        });
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(readFile(target), "old\n");
    auto left = names(dir.path());
    ASSERT_EQ(left.size(), 2u);
    left.erase("amp.s2p");
    const fs::path stale = dir.path() / *left.begin();
    EXPECT_EQ(stale.filename().string().rfind("amp.s2p.~tmp", 0), 0u) << stale;

    // Straight after the kill the file might still be a save in progress.
    ASSERT_EQ(rtl::WriteFileAtomically(target, "new\n"), "");
    EXPECT_TRUE(fs::exists(stale));
    age(stale);
    ASSERT_EQ(rtl::WriteFileAtomically(target, "newer\n"), "");
    EXPECT_EQ(names(dir.path()), std::set<std::string>({ "amp.s2p" }));
    EXPECT_EQ(readFile(target), "newer\n");

    // A failed save keeps the old file and leaves nothing.
    EXPECT_EQ(rtl::WriteFileAtomically(target, [](const rtl::TextSink& sink) {
        sink("partial");
        return std::string("the data ran out");
    }), "the data ran out");
    EXPECT_EQ(readFile(target), "newer\n");
    EXPECT_EQ(names(dir.path()), std::set<std::string>({ "amp.s2p" }));
}

// Catches the clean-up removing what is not a leftover of this target: a
// save in progress (locked), other targets' files, look-alike names and a
// link planted under a temporary name.
TEST(RemoveStaleTemporaryFiles, RemovesOnlyUnheldLeftoversOfItsTarget)
{
    TempDir dir;
    const fs::path d = dir.path();
    const std::string target = (d / "a.ini").string();
    for (const char* n : { "a.ini.~tmpAAAAAA", "a.ini.~tmpBBBBBB", "a.ini.~tmpCCCCCCC", "b.ini.~tmpAAAAAA",
             "a.ini.tmp", "a.ini.~tmpDDDDDD" }) {
        writeFile(d / n, "x");
        age(d / n);
    }
    writeFile(d / "outside", "keep");
    fs::create_symlink(d / "outside", d / "a.ini.~tmpLINKED");
    const int held = ::open((d / "a.ini.~tmpBBBBBB").c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    writeFile(d / "a.ini.~tmpFRESH1", "just started");

    EXPECT_EQ(rtl::RemoveStaleTemporaryFiles(target), 2);
    EXPECT_EQ(names(d),
        std::set<std::string>({ "a.ini.~tmpBBBBBB", "a.ini.~tmpCCCCCCC", "b.ini.~tmpAAAAAA", "a.ini.tmp", "outside",
            "a.ini.~tmpLINKED", "a.ini.~tmpFRESH1" }));
    EXPECT_EQ(readFile(d / "outside"), "keep");
    ::close(held);
    EXPECT_EQ(rtl::RemoveStaleTemporaryFiles(target), 1);
}
