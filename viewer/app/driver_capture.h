#pragma once

// Capturing through a capture driver library: the driver as a trace source
// of the capture session, and the capture that loads the driver named in
// the driver list, runs the session and unloads the driver again.

#include "viewer/app/capture_driver.h"
#include "viewer/app/capture_session.h"

#include <memory>
#include <string>
#include <vector>

namespace viewer {

// Frequencies() calls Initialise and GetFreqArray, Trace() GetChannel and
// Finish() CloseDriver. Every buffer is filled with not-a-number before the
// driver writes into it, so that a value it leaves out fails the capture.
// The library stays loaded while the source lives; whenever Initialise
// succeeded, CloseDriver is called before it is unloaded, also after a
// failure or an abort.
class TDriverCaptureSource : public ICaptureSource {
public:
    TDriverCaptureSource(std::unique_ptr<TCaptureDriver> driver, int address);
    ~TDriverCaptureSource() override;

    std::vector<double> Frequencies() override;
    std::vector<std::complex<double>> Trace(int parameter) override;
    void Finish() override;

private:
    std::unique_ptr<TCaptureDriver> driver_;
    int address_;
    std::size_t points_ = 0;
    bool open_ = false; // Initialise succeeded and CloseDriver is still due
};

// The library path of a display name in the driver list (lines
// "name=path"); empty when it is not listed.
std::string DriverPath(const std::vector<std::string>& driverList, const std::string& displayName);

// The capture through the driver named `displayName`, at bus address
// `address`, for `ports` ports. A driver that cannot be loaded is a
// failure with "Unable to load " + path or "Invalide Driver". Returns once
// the driver is unloaded, unless the capture was aborted while a driver
// call was still running (the library then goes when that call returns).
TCaptureResult CaptureWithDriver(const std::vector<std::string>& driverList, const std::string& displayName,
    int address, int ports, ICaptureHost& host);

} // namespace viewer
