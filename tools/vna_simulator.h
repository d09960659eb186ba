#pragma once

// A simulated network analyser on a TCP port: it answers the analyser's
// command language (DUACOFF, CHAN1, S11 ... S22, SMIC, POIN?, STAR?,
// STOP?, SING, HOLD, FORM3, OUTPFORM, CONT) with the traces of an
// S-parameter data set, and can be told to misbehave in the ways a real
// instrument or its connection does.

#include "viewer/app/sparam_data.h"

#include <atomic>
#include <complex>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vnasim {

enum class TFault {
    None,
    Silence, // no reply at all
    ShortReply, // half a trace, then nothing
    BadHeader, // a block length that does not match the points
    Garbage, // number replies that are no numbers
    NoPoints, // POIN? answers 0
    OnePoint, // POIN? answers 1
    HugePoints, // POIN? answers 100000
    NaNValues, // a trace holds a NaN
    Drop, // the connection is closed when a trace is asked for
    LongNumber, // start and stop with 300 more zeros, longer than one read
};

// The fault of a command-line name ("silence", "short", "badheader",
// "garbage", "points0", "points1", "pointshuge", "nan", "drop", "long",
// "none").
bool ParseFault(const std::string& name, TFault& fault);

class TVnaSimulator {
public:
    // The data's frequencies must be evenly spaced, as an analyser sweeps.
    explicit TVnaSimulator(const viewer::SParameterData& data);
    ~TVnaSimulator();

    // Listens on `host` (a numeric address) and `port` (0: a free one);
    // the port listened on, or -1.
    int Start(const std::string& host = "127.0.0.1", int port = 0);
    void Stop();

    void SetFault(TFault fault) { fault_ = fault; }
    // The device's ports at the analyser's port 1 and port 2.
    void Connect(int port1, int port2);
    // Every command received, in order, upper case.
    std::vector<std::string> Commands() const;

private:
    struct Client {
        int fd = -1;
        std::string input;
    };
    void serve();
    void command(Client& c, const std::string& text);
    void reply(Client& c, const std::string& bytes);
    std::string traceBlock(int parameter);

    int ports_ = 0;
    std::vector<double> hz_;
    std::map<std::pair<int, int>, std::vector<std::complex<double>>> s_;
    std::atomic<TFault> fault_ { TFault::None };
    mutable std::mutex lock_;
    std::pair<int, int> connection_ { 1, 2 };
    int parameter_ = 1;
    std::vector<std::string> commands_;
    int listen_ = -1;
    int wake_[2] = { -1, -1 };
    std::thread thread_;
    std::vector<Client> clients_;
};

} // namespace vnasim
