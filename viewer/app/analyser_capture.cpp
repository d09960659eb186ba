#include "viewer/app/analyser_capture.h"

#include "platform/gpib/gpib_binding.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <thread>

namespace viewer {

namespace {

std::string trimmed(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

double bigEndianDouble(const char* bytes)
{
    unsigned char b[8];
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<unsigned char>(bytes[7 - i]);
    double v;
    std::memcpy(&v, b, 8);
    return v;
}

} // namespace

bool ParseReplyNumber(const std::string& reply, double& value)
{
    std::string t = trimmed(reply);
    // The analyser signs its numbers.
    if (!t.empty() && t[0] == '+')
        t.erase(0, 1);
    if (t.empty())
        return false;
    const char* end = t.data() + t.size();
    auto [p, ec] = std::from_chars(t.data(), end, value);
    return ec == std::errc() && p == end && std::isfinite(value);
}

bool ParsePointCount(const std::string& reply, int& points)
{
    double v;
    if (!ParseReplyNumber(reply, v) || v != std::floor(v) || v < 2 || v > kMaxTracePoints)
        return false;
    points = static_cast<int>(v);
    return true;
}

bool DecodeTraceBlock(
    const std::string& header, const std::string& data, int points, std::vector<std::complex<double>>& values)
{
    if (points < 1 || points > kMaxTracePoints || header.size() != 4 || header[0] != '#' || header[1] != 'A')
        return false;
    const std::size_t length
        = static_cast<std::size_t>(static_cast<unsigned char>(header[2])) << 8 | static_cast<unsigned char>(header[3]);
    const std::size_t expected = static_cast<std::size_t>(points) * 16;
    if (length != expected || data.size() != expected)
        return false;
    values.clear();
    values.reserve(static_cast<std::size_t>(points));
    for (std::size_t k = 0; k < expected; k += 16) {
        const double re = bigEndianDouble(data.data() + k), im = bigEndianDouble(data.data() + k + 8);
        if (!std::isfinite(re) || !std::isfinite(im))
            return false;
        values.emplace_back(re, im);
    }
    return true;
}

std::string GpibLibraryPath(const std::string& settingsPath)
{
    std::ifstream in(settingsPath, std::ios::binary);
    std::string line, section;
    while (std::getline(in, line)) {
        line = trimmed(line);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = lower(trimmed(line.substr(1, line.size() - 2)));
            continue;
        }
        const auto eq = line.find('=');
        if (section == "gpib" && eq != std::string::npos && lower(trimmed(line.substr(0, eq))) == "library") {
            const std::string value = trimmed(line.substr(eq + 1));
            if (!value.empty())
                return value;
        }
    }
    return gpib::kDefaultLibrary;
}

TAnalyserSource::TAnalyserSource(std::shared_ptr<gpib::TGpibLibrary> bus, int address, int settleMs)
    : bus_(std::move(bus))
    , address_(address)
    , settleMs_(settleMs)
{
}

void TAnalyserSource::write(const std::string& text)
{
    try {
        bus_->GpibWriteString(address_, text);
    } catch (const gpib::TGpibError&) {
        throw TCaptureError(kGpibWarning);
    }
}

std::string TAnalyserSource::read()
{
    try {
        return bus_->GpibReadString(address_);
    } catch (const gpib::TGpibError&) {
        throw TCaptureError(kGpibWarning);
    }
}

double TAnalyserSource::readNumber()
{
    double v;
    if (!ParseReplyNumber(read(), v))
        throw TCaptureError(kGpibWarning);
    return v;
}

std::vector<double> TAnalyserSource::Frequencies()
{
    try {
        bus_->SendIFC(0);
    } catch (const gpib::TGpibError&) {
        throw TCaptureError(kGpibWarning);
    }
    write("DUACOFF;");
    write("CHAN1;S11;SMIC;");
    write("POIN?;");
    if (!ParsePointCount(read(), points_))
        throw TCaptureError(kGpibWarning);
    write("STAR?;");
    const double start = readNumber();
    write("STOP?;");
    const double stop = readNumber();
    std::vector<double> hz(static_cast<std::size_t>(points_));
    for (int i = 0; i < points_; ++i)
        hz[static_cast<std::size_t>(i)] = start + (stop - start) * i / (points_ - 1);
    return hz;
}

std::vector<std::complex<double>> TAnalyserSource::Trace(int parameter)
{
    static const char* names[] = { "S11", "S12", "S21", "S22" };
    write(std::string("CHAN1;") + names[(parameter - 1) & 3] + ";SMIC;");
    write("SING;HOLD;");
    if (settleMs_ > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(settleMs_));
    write("CHAN1;FORM3;OUTPFORM;");
    std::vector<std::complex<double>> values;
    try {
        const std::string header = bus_->ReceiveBytes(address_, 4);
        const std::string data = bus_->ReceiveBytes(address_, static_cast<long>(points_) * 16);
        if (!DecodeTraceBlock(header, data, points_, values))
            throw TCaptureError(kGpibWarning);
    } catch (const gpib::TGpibError&) {
        throw TCaptureError(kGpibWarning);
    }
    return values;
}

void TAnalyserSource::Finish()
{
    write("CONT");
}

} // namespace viewer
