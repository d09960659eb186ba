#include "viewer/app/capture_session.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <numbers>
#include <optional>
#include <thread>

namespace viewer {

namespace {

// What a call off the thread leaves behind; shared with the thread, so a
// call that outlives an abort writes into memory of its own.
template <class T>
struct TCallState {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    std::optional<T> value;
    std::exception_ptr error;
};

// Calls running off the thread, so that the end of the program can wait
// for those an abort left behind.
std::mutex g_callsLock;
std::condition_variable g_callsDone;
int g_calls = 0;

// Runs `call` off the thread while the host's messages run. False when the
// user aborted: at once, or once the call has gone on for `graceMs` after
// the abort, or failed then; a call that returns within the grace still
// delivers its value.
template <class T>
bool runOffThread(const std::shared_ptr<ICaptureSource>& source, std::function<T(ICaptureSource&)> call,
    ICaptureHost& host, int pollMs, T& out, int graceMs = 0)
{
    auto state = std::make_shared<TCallState<T>>();
    {
        std::lock_guard<std::mutex> g(g_callsLock);
        ++g_calls;
    }
    std::thread([state, source = std::shared_ptr<ICaptureSource>(source), call = std::move(call)]() mutable {
        std::optional<T> value;
        std::exception_ptr error;
        try {
            value.emplace(call(*source));
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard<std::mutex> g(state->lock);
        state->value = std::move(value);
        state->error = error;
        state->finished = true;
        state->done.notify_all();
        // The source may hold the last reference to a library.
        source.reset();
        std::lock_guard<std::mutex> c(g_callsLock);
        --g_calls;
        g_callsDone.notify_all();
    }).detach();
    std::optional<std::chrono::steady_clock::time_point> giveUp;
    for (;;) {
        {
            std::unique_lock<std::mutex> g(state->lock);
            state->done.wait_for(g, std::chrono::milliseconds(pollMs), [&] { return state->finished; });
            if (state->finished) {
                if (state->error) {
                    if (giveUp)
                        return false;
                    std::rethrow_exception(state->error);
                }
                out = std::move(*state->value);
                return true;
            }
        }
        host.ProcessMessages();
        if (host.Aborted()) {
            const auto now = std::chrono::steady_clock::now();
            if (!giveUp)
                giveUp = now + std::chrono::milliseconds(graceMs);
            if (now >= *giveUp)
                return false;
        }
    }
}

} // namespace

bool WaitForCaptureCalls(std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> g(g_callsLock);
    return g_callsDone.wait_for(g, limit, [] { return g_calls == 0; });
}

std::string CapturedFileName(int ports)
{
    // The reader takes the extension's number only when a "p" follows it
    // below ten ports, so nine ports keep the "p" too.
    const std::string n = std::to_string(ports);
    return ports <= 9 ? "Captured.s" + n + "p" : "Captured.s" + n;
}

std::string FirstCapturePrompt(int ports)
{
    if (ports == 1)
        return "Connect VNA port 1 to DUT port 1";
    return "Connect VNA port 1 to DUT port 1\nConnect VNA port 2 to DUT port 2";
}

smith::TPoint CapturedPoint(double freq, std::complex<double> value)
{
    smith::TPoint p;
    p.Freq = freq;
    p.Mag = std::abs(value);
    p.Angle = std::atan2(value.imag(), value.real()) * 180.0 / std::numbers::pi;
    p.Re = value.real();
    p.Im = value.imag();
    return p;
}

void ApplyCapturedData(smith::TSmithChart& chart, TCapturedData&& data)
{
    chart.SetUnits(data.units);
    chart.SetXTitle("Freq " + data.units);
    chart.SetImpedance(data.impedance);
    chart.ClearCurves();
    for (smith::Tcurve& c : data.curves) {
        const int index = chart.AddCurve(c.Legend, c.Color);
        chart.CurveAt(index)->Points = std::move(c.Points);
        chart.SetCurveVisible(index, true);
    }
}

TCaptureSession::TCaptureSession(int ports, std::shared_ptr<ICaptureSource> source, ICaptureHost& host)
    : ports_(ports)
    , source_(std::move(source))
    , host_(host)
{
}

bool TCaptureSession::ReadCurve(int parameter, const std::string& name, TColor colour)
{
    host_.SetStatus("Loading " + name + " data");
    std::vector<std::complex<double>> trace;
    if (!runOffThread<std::vector<std::complex<double>>>(
            source_, [parameter](ICaptureSource& s) { return s.Trace(parameter); }, host_, PollMilliseconds, trace,
            AbortGraceMilliseconds))
        return false;
    if (trace.size() != freqs_.size())
        throw TCaptureError("The instrument sent " + std::to_string(trace.size()) + " values of " + name + " for "
            + std::to_string(freqs_.size()) + " frequencies.");
    smith::Tcurve curve;
    curve.Legend = name;
    curve.Color = colour;
    curve.Enabled = true;
    curve.Points.reserve(trace.size());
    for (std::size_t k = 0; k < trace.size(); ++k)
        curve.Points.push_back(CapturedPoint(freqs_[k], trace[k]));
    data_.curves.push_back(std::move(curve));
    host_.SetProgress(++progress_, ports_ * ports_);
    host_.ProcessMessages();
    return true;
}

TCaptureResult TCaptureSession::Run()
{
    TCaptureResult result;
    data_ = TCapturedData {};
    data_.ports = ports_;
    progress_ = 0;
    auto aborted = [&] {
        result.outcome = TCaptureOutcome::Aborted;
        return true;
    };
    try {
        [&] {
            std::vector<double> hz;
            if (!runOffThread<std::vector<double>>(
                    source_, [](ICaptureSource& s) { return s.Frequencies(); }, host_, PollMilliseconds, hz))
                return aborted();
            if (hz.empty())
                throw TCaptureError("The instrument reported no points.");
            // The unit follows the last frequency.
            if (hz.back() <= 1e9) {
                data_.units = "MHZ";
                scale_ = 1e6;
            } else {
                data_.units = "GHZ";
                scale_ = 1e9;
            }
            freqs_.clear();
            for (double f : hz)
                freqs_.push_back(f / scale_);

            host_.Prompt(FirstCapturePrompt(ports_));
            if (host_.Aborted())
                return aborted();
            host_.ProcessMessages();
            host_.SetProgress(0, ports_ * ports_);
            if (!ReadCurve(1, "S11", clRed))
                return aborted();
            if (ports_ > 1) {
                const struct {
                    int parameter;
                    const char* name;
                    TColor colour;
                } twoPort[] = { { 2, "S12", clFuchsia }, { 3, "S21", clLime }, { 4, "S22", clBlue } };
                for (const auto& c : twoPort)
                    if (host_.Aborted() || !ReadCurve(c.parameter, c.name, c.colour))
                        return aborted();
            }
            // Each further port is measured against the ports before it,
            // with the analyser's port 1 on the lower and port 2 on the
            // higher one; its own reflection comes with the first pair.
            TColor colour = clBlue;
            for (int i = 1; i <= ports_ - 1 && ports_ > 2; ++i) {
                for (int j = std::max(3, i + 1); j <= ports_; ++j) {
                    if (host_.Aborted())
                        return aborted();
                    const std::string a = std::to_string(i), b = std::to_string(j);
                    host_.Prompt("Connect VNA port 1 to DUT Port " + a + "\nConnect VNA port 2 to DUT Port " + b);
                    if (host_.Aborted())
                        return aborted();
                    colour = smith::NextColour(colour);
                    if (!ReadCurve(2, "S" + a + b, colour) || host_.Aborted())
                        return aborted();
                    colour = smith::NextColour(colour);
                    if (!ReadCurve(3, "S" + b + a, colour) || host_.Aborted())
                        return aborted();
                    if (i == 1) {
                        colour = smith::NextColour(colour);
                        if (!ReadCurve(4, "S" + b + b, colour))
                            return aborted();
                    }
                }
            }
            if (host_.Aborted())
                return aborted();
            int finished = 0;
            if (!runOffThread<int>(
                    source_,
                    [](ICaptureSource& s) {
                        s.Finish();
                        return 1;
                    },
                    host_, PollMilliseconds, finished))
                return aborted();
            result.outcome = TCaptureOutcome::Completed;
            return true;
        }();
    } catch (const std::exception& e) {
        result.outcome = TCaptureOutcome::Failed;
        result.message = e.what();
    }
    // What an abort leaves is the user's to keep or throw away; a failure
    // leaves nothing.
    if (result.outcome != TCaptureOutcome::Failed && !data_.curves.empty())
        result.data = std::move(data_);
    data_ = TCapturedData {};
    host_.ProcessMessages();
    host_.SetProgress(0, ports_ * ports_);
    host_.SetStatus("");
    return result;
}

} // namespace viewer
