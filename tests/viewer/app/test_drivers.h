#pragma once

// The test capture drivers (drivers/test_driver.c): where they are, whether
// one is loaded, their counters, and a capture host that can abort.

#include "viewer/app/capture_session.h"

#include <chrono>
#include <cstdint>
#include <dlfcn.h>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace viewer::testing {

inline std::string driver(const std::string& name)
{
    return std::string(RIVELLE_TEST_DRIVER_DIR) + "/" + name + ".so";
}

inline bool loaded(const std::string& path)
{
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (h)
        dlclose(h);
    return h != nullptr;
}

// Keeps a test driver loaded so that its counters outlive the viewer's
// unloading, and reads them.
class HeldDriver {
public:
    explicit HeldDriver(const std::string& name)
        : path(driver(name))
        , handle_(dlopen(path.c_str(), RTLD_NOW))
    {
    }
    ~HeldDriver()
    {
        if (handle_)
            dlclose(handle_);
    }
    int count(int which) const { return call("TestCount", which); }
    int Initialised() const { return count(0); }
    int Closed() const { return count(1); }
    int Address() const { return count(2); }
    std::vector<int> Channels() const
    {
        std::vector<int> out;
        for (int i = 0, c; (c = call("TestChannelAt", i)) >= 0; ++i)
            out.push_back(c);
        return out;
    }
    const std::string path;

private:
    int call(const char* name, int arg) const
    {
        auto fn = reinterpret_cast<int32_t (*)(int32_t)>(dlsym(handle_, name));
        return fn ? fn(arg) : -100;
    }
    void* handle_;
};

// Waits a little for what another thread finishes.
inline bool eventually(const std::function<bool()>& done)
{
    for (int i = 0; i < 2000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

struct Host : ICaptureHost {
    std::vector<std::string> prompts, statuses;
    int maximum = 0, position = 0;
    int abortAfterCurves = -1; // the abort button is pressed once so many curves are in
    bool aborted = false;

    void Prompt(const std::string& t) override { prompts.push_back(t); }
    void SetStatus(const std::string& t) override { statuses.push_back(t); }
    void SetProgress(int p, int m) override
    {
        position = p;
        maximum = m;
    }
    void ProcessMessages() override
    {
        if (abortAfterCurves >= 0 && position >= abortAfterCurves)
            aborted = true;
    }
    bool Aborted() const override { return aborted; }
};

} // namespace viewer::testing
