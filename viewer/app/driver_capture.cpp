#include "viewer/app/driver_capture.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>
#include <thread>

namespace viewer {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Driver calls run one at a time, also when a capture aborted during a
// call that is still running and the next capture has already begun.
std::mutex driverCalls;

std::string initialiseFailure(int result)
{
    switch (result) {
    case RIVELLE_INIT_NO_BUS_LIBRARY:
        return "Unable to Load GPIB32.DLL";
    case RIVELLE_INIT_BUS_FUNCTION:
        return "GPIB32.DLL function Error";
    case RIVELLE_INIT_BUS_ERROR:
        return "GPIB error!\nCheck connections and settings.";
    default:
        return {}; // the driver has said what went wrong, if anything
    }
}

bool allFinite(const std::vector<double>& values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

const char* parameterName(int parameter)
{
    static const char* const names[] = { "S11", "S12", "S21", "S22" };
    return parameter >= 1 && parameter <= 4 ? names[parameter - 1] : "S??";
}

} // namespace

TDriverCaptureSource::TDriverCaptureSource(std::unique_ptr<TCaptureDriver> driver, int address)
    : driver_(std::move(driver))
    , address_(address)
{
}

TDriverCaptureSource::~TDriverCaptureSource()
{
    std::lock_guard<std::mutex> one(driverCalls);
    if (open_)
        driver_->CloseDriver();
}

std::vector<double> TDriverCaptureSource::Frequencies()
{
    std::lock_guard<std::mutex> one(driverCalls);
    const int points = driver_->Initialise(address_);
    if (points < 0)
        throw TCaptureError(initialiseFailure(points));
    open_ = true;
    if (points == 0 || points > RIVELLE_DRIVER_POINTS_MAX)
        throw TCaptureError("The driver reported " + std::to_string(points) + " points; a capture takes 1 to "
            + std::to_string(RIVELLE_DRIVER_POINTS_MAX) + ".");
    points_ = static_cast<std::size_t>(points);
    std::vector<double> freq(points_, kNaN);
    double* buffer = freq.data();
    if (driver_->GetFreqArray(&buffer) < 0)
        throw TCaptureError("GPIB Error! Check Connections and settings");
    if (!allFinite(freq))
        throw TCaptureError("The driver did not deliver the frequencies.");
    return freq;
}

std::vector<std::complex<double>> TDriverCaptureSource::Trace(int parameter)
{
    std::lock_guard<std::mutex> one(driverCalls);
    std::vector<double> trace(2 * points_, kNaN);
    double* buffer = trace.data();
    if (driver_->GetChannel(parameter, &buffer) < 0 || !allFinite(trace))
        throw TCaptureError(std::string("The driver did not deliver the ") + parameterName(parameter) + " data.");
    std::vector<std::complex<double>> values(points_);
    for (std::size_t k = 0; k < points_; ++k)
        values[k] = { trace[2 * k], trace[2 * k + 1] };
    return values;
}

void TDriverCaptureSource::Finish()
{
    std::lock_guard<std::mutex> one(driverCalls);
    if (open_) {
        open_ = false;
        driver_->CloseDriver();
    }
}

std::string DriverPath(const std::vector<std::string>& driverList, const std::string& displayName)
{
    for (const std::string& line : driverList) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && line.substr(0, eq) == displayName)
            return line.substr(eq + 1);
    }
    return {};
}

TCaptureResult CaptureWithDriver(const std::vector<std::string>& driverList, const std::string& displayName,
    int address, int ports, ICaptureHost& host)
{
    std::string error;
    std::unique_ptr<TCaptureDriver> driver = LoadCaptureDriver(DriverPath(driverList, displayName), error);
    if (!driver) {
        TCaptureResult failed;
        failed.message = error;
        return failed;
    }
    auto source = std::make_shared<TDriverCaptureSource>(std::move(driver), address);
    std::weak_ptr<ICaptureSource> held = source;
    TCaptureResult result = TCaptureSession(ports, std::move(source), host).Run();
    // The session's last call has returned; its thread lets the source go
    // in a moment. After an abort a call may still be running and keeps
    // the library until it returns.
    if (result.outcome != TCaptureOutcome::Aborted)
        while (!held.expired())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return result;
}

} // namespace viewer
