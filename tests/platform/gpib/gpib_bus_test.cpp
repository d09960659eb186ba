#include "platform/gpib/gpib_binding.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace gpib;
using tavix::testing::TempDir;
using tavix::testing::writeFile;

namespace {

// One loopback connection that answers each line it is sent with the
// next scripted reply (bytes as they stand), or nothing for an empty one.
class ScriptedInstrument {
public:
    explicit ScriptedInstrument(std::vector<std::string> replies)
        : replies_(std::move(replies))
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), len);
        ::listen(listen_, 1);
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~ScriptedInstrument()
    {
        ::shutdown(listen_, SHUT_RDWR);
        if (int fd = client_.load(); fd >= 0)
            ::shutdown(fd, SHUT_RDWR);
        ::close(listen_);
        thread_.join();
    }
    int port = 0;
    std::string received;

private:
    void serve()
    {
        int fd = ::accept(listen_, nullptr, nullptr);
        if (fd < 0)
            return;
        client_ = fd;
        std::size_t next = 0;
        char c;
        while (::recv(fd, &c, 1, 0) == 1) {
            received += c;
            if (c != '\n' || next >= replies_.size())
                continue;
            const std::string& r = replies_[next++];
            ::send(fd, r.data(), r.size(), MSG_NOSIGNAL);
        }
        ::close(fd);
    }
    std::vector<std::string> replies_;
    int listen_ = -1;
    std::atomic<int> client_ { -1 };
    std::thread thread_;
};

std::string settingsFor(const TempDir& dir, int port, int timeoutMs = 300)
{
    const std::string path = (dir / "Rivelle.ini").string();
    writeFile(path,
        "[gpib]\ntimeout=" + std::to_string(timeoutMs) + "\n[instruments]\n16=127.0.0.1:" + std::to_string(port) + "\n");
    return path;
}

} // namespace

TEST(GpibBinding, RefusesMissingLibrariesAndLibrariesWithoutAnEntryPoint)
{
    TGpibLibrary bus;
    EXPECT_EQ(bus.LoadGpibLibrary("/nonexistent/libgpib.so.0"), -1);
    EXPECT_EQ(bus.LoadGpibLibrary(TAVIX_GPIB_NORECEIVE), -2);
    EXPECT_EQ(bus.MissingEntry(), "Receive");
    EXPECT_FALSE(bus.Loaded());
    EXPECT_EQ(bus.FreeGpibLibrary(), -1);
    EXPECT_EQ(bus.LoadGpibLibrary(TAVIX_GPIB_LIBRARY), 0);
    EXPECT_EQ(bus.FreeGpibLibrary(), 0);
}

// The reply framing: a block's bytes are data even when they are line
// feeds, the line feed after a block is not taken for the next reply,
// and a text reply ends at its line feed.
TEST(GpibBus, ReadsTextRepliesAndBlocksWithLineFeedsInside)
{
    std::string block = "#A";
    block += '\0';
    block += '\x04';
    block += "\n\n\n\n\n";
    ScriptedInstrument instrument({ "+2.01E+02\n", block, "1.5\n" });
    TempDir dir("gpib");
    TGpibLibrary bus;
    ASSERT_EQ(bus.LoadGpibLibrary(TAVIX_GPIB_LIBRARY, settingsFor(dir, instrument.port)), 0);
    bus.SendIFC(0);
    bus.GpibWriteString(16, "POIN?;");
    EXPECT_EQ(bus.GpibReadString(16), "+2.01E+02");
    bus.GpibWriteString(16, "OUTPFORM;");
    EXPECT_EQ(bus.ReceiveBytes(16, 4), std::string("#A\0\x04", 4));
    EXPECT_EQ(bus.ReceiveBytes(16, 4), "\n\n\n\n");
    bus.GpibWriteString(16, "STAR?;");
    EXPECT_EQ(bus.GpibReadString(16), "1.5");
    EXPECT_EQ(instrument.received, "POIN?;\nOUTPFORM;\nSTAR?;\n");
}

// Catches a number reply longer than one read cut at the read's end and
// taken for the whole reply.
TEST(GpibBus, ReadsATextReplyLongerThanOneRead)
{
    const std::string hundredMegahertz = "+1." + std::string(300, '0') + "E+08";
    ScriptedInstrument instrument({ hundredMegahertz + "\n", "2\n" });
    TempDir dir("gpib");
    TGpibLibrary bus;
    ASSERT_EQ(bus.LoadGpibLibrary(TAVIX_GPIB_LIBRARY, settingsFor(dir, instrument.port)), 0);
    bus.GpibWriteString(16, "STAR?;");
    EXPECT_EQ(bus.GpibReadString(16), hundredMegahertz);
    bus.GpibWriteString(16, "POIN?;");
    EXPECT_EQ(bus.GpibReadString(16), "2");
}

// Catches loading the settings waiting for the bus while a read left over
// from an aborted capture runs to its time-out; the next call takes them.
TEST(GpibBus, LoadingTheSettingsDoesNotWaitForARunningRead)
{
    auto silent = std::make_unique<ScriptedInstrument>(std::vector<std::string> {});
    ScriptedInstrument next({ "1.5\n" });
    TempDir dir("gpib");
    TGpibLibrary bus;
    ASSERT_EQ(bus.LoadGpibLibrary(TAVIX_GPIB_LIBRARY, settingsFor(dir, silent->port, 5000)), 0);
    bus.GpibWriteString(16, "POIN?;");
    std::atomic<bool> readEnded { false };
    std::thread leftover([&] {
        EXPECT_THROW(bus.GpibReadString(16), TGpibError);
        readEnded = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the read holds the bus
    TempDir other("gpib");
    TGpibLibrary again;
    ASSERT_EQ(again.LoadGpibLibrary(TAVIX_GPIB_LIBRARY, settingsFor(other, next.port)), 0);
    EXPECT_FALSE(readEnded);
    silent.reset(); // the instrument goes away and the read ends
    leftover.join();
    again.GpibWriteString(16, "STAR?;");
    EXPECT_EQ(again.GpibReadString(16), "1.5");
}

TEST(GpibBus, FailsOnSilenceAndUnknownAddressesWithinTheTimeOut)
{
    ScriptedInstrument instrument({});
    TempDir dir("gpib");
    TGpibLibrary bus;
    ASSERT_EQ(bus.LoadGpibLibrary(TAVIX_GPIB_LIBRARY, settingsFor(dir, instrument.port, 200)), 0);
    bus.GpibWriteString(16, "POIN?;");
    const auto start = std::chrono::steady_clock::now();
    try {
        bus.GpibReadString(16);
        ADD_FAILURE() << "a silent instrument gave a reply";
    } catch (const TGpibError& e) {
        EXPECT_TRUE(e.Status & TIMO);
        EXPECT_EQ(e.Error, 6);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    try {
        bus.GpibWriteString(5, "POIN?;");
        ADD_FAILURE() << "an address without an instrument took a command";
    } catch (const TGpibError& e) {
        EXPECT_EQ(e.Error, 2); // no listener
    }
    EXPECT_THROW(bus.SendIFC(1), TGpibError);
}
