#include "tools/vna_simulator.h"

#include <arpa/inet.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vnasim {

namespace {

double unitScale(const std::string& units)
{
    if (units == "HZ")
        return 1;
    if (units == "KHZ")
        return 1e3;
    if (units == "MHZ")
        return 1e6;
    return 1e9;
}

std::string number(double v, int digits)
{
    char text[64];
    std::snprintf(text, sizeof text, "%+.*E\n", digits, v);
    return text;
}

void putBigEndian(std::string& out, double v)
{
    unsigned char b[8];
    std::memcpy(b, &v, 8);
    for (int i = 7; i >= 0; --i)
        out += static_cast<char>(b[i]);
}

} // namespace

bool ParseFault(const std::string& name, TFault& fault)
{
    static const std::pair<const char*, TFault> names[] = { { "none", TFault::None }, { "silence", TFault::Silence },
        { "short", TFault::ShortReply }, { "badheader", TFault::BadHeader }, { "garbage", TFault::Garbage },
        { "points0", TFault::NoPoints }, { "points1", TFault::OnePoint }, { "pointshuge", TFault::HugePoints },
        { "nan", TFault::NaNValues }, { "drop", TFault::Drop }, { "long", TFault::LongNumber } };
    for (auto [n, f] : names)
        if (name == n) {
            fault = f;
            return true;
        }
    return false;
}

TVnaSimulator::TVnaSimulator(const viewer::SParameterData& data)
    : ports_(data.ports)
{
    const double scale = unitScale(data.units);
    if (!data.points.empty())
        for (const auto& p : data.points[0])
            hz_.push_back(p.Freq * scale);
    for (int i = 1; i <= ports_; ++i)
        for (int j = 1; j <= ports_; ++j) {
            const auto index = static_cast<std::size_t>(viewer::CurveIndex(ports_, i, j));
            if (ports_ == 1 && index > 0)
                continue;
            auto& trace = s_[{ i, j }];
            for (const auto& p : data.points[index])
                trace.emplace_back(p.Re, p.Im);
        }
}

TVnaSimulator::~TVnaSimulator()
{
    Stop();
}

int TVnaSimulator::Start(const std::string& host, int port)
{
    Stop();
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_ < 0)
        return -1;
    int on = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t len = sizeof a;
    if (::inet_pton(AF_INET, host.c_str(), &a.sin_addr) != 1 || ::bind(listen_, reinterpret_cast<sockaddr*>(&a), len) != 0
        || ::listen(listen_, 8) != 0 || ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0
        || ::pipe(wake_) != 0) {
        ::close(listen_);
        listen_ = -1;
        return -1;
    }
    thread_ = std::thread([this] { serve(); });
    return ntohs(a.sin_port);
}

void TVnaSimulator::Stop()
{
    if (!thread_.joinable())
        return;
    char b = 0;
    (void)!::write(wake_[1], &b, 1);
    thread_.join();
    for (Client& c : clients_)
        ::close(c.fd);
    clients_.clear();
    ::close(listen_);
    ::close(wake_[0]);
    ::close(wake_[1]);
    listen_ = wake_[0] = wake_[1] = -1;
}

void TVnaSimulator::Connect(int port1, int port2)
{
    std::lock_guard<std::mutex> g(lock_);
    connection_ = { port1, port2 };
}

std::vector<std::string> TVnaSimulator::Commands() const
{
    std::lock_guard<std::mutex> g(lock_);
    return commands_;
}

void TVnaSimulator::serve()
{
    for (;;) {
        std::vector<pollfd> fds { { wake_[0], POLLIN, 0 }, { listen_, POLLIN, 0 } };
        for (const Client& c : clients_)
            fds.push_back({ c.fd, POLLIN, 0 });
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        if (fds[0].revents)
            return;
        if (fds[1].revents & POLLIN) {
            int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                clients_.push_back({ fd, {} });
        }
        for (std::size_t k = 2; k < fds.size(); ++k) {
            if (!fds[k].revents)
                continue;
            Client& c = clients_[k - 2];
            char buffer[4096];
            ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                ::close(c.fd);
                c.fd = -1;
                continue;
            }
            c.input.append(buffer, static_cast<std::size_t>(n));
            std::size_t end;
            while (c.fd >= 0 && (end = c.input.find_first_of(";\n")) != std::string::npos) {
                std::string text = c.input.substr(0, end);
                c.input.erase(0, end + 1);
                command(c, text);
            }
        }
        std::erase_if(clients_, [](const Client& c) { return c.fd < 0; });
    }
}

void TVnaSimulator::reply(Client& c, const std::string& bytes)
{
    if (fault_ == TFault::Silence)
        return;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(c.fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
}

std::string TVnaSimulator::traceBlock(int parameter)
{
    std::pair<int, int> key;
    {
        std::lock_guard<std::mutex> g(lock_);
        auto [a, b] = connection_;
        key = parameter == 1 ? std::pair { a, a }
            : parameter == 2 ? std::pair { a, b }
            : parameter == 3 ? std::pair { b, a }
                             : std::pair { b, b };
    }
    const auto found = s_.find(key);
    const std::size_t points = hz_.size();
    std::string data;
    for (std::size_t k = 0; k < points; ++k) {
        std::complex<double> v = found == s_.end() ? 0.0 : found->second[k];
        if (fault_ == TFault::NaNValues && k == points / 2)
            v = { std::numeric_limits<double>::quiet_NaN(), 0 };
        putBigEndian(data, v.real());
        putBigEndian(data, v.imag());
    }
    std::size_t length = data.size();
    if (fault_ == TFault::BadHeader)
        length -= 16;
    if (fault_ == TFault::ShortReply)
        data.resize(data.size() / 2);
    std::string block = "#A";
    block += static_cast<char>((length >> 8) & 0xFF);
    block += static_cast<char>(length & 0xFF);
    block += data;
    if (fault_ != TFault::ShortReply)
        block += '\n';
    return block;
}

void TVnaSimulator::command(Client& c, const std::string& text)
{
    std::string cmd;
    for (char ch : text)
        if (ch != ' ' && ch != '\r' && ch != '\t')
            cmd += static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    if (cmd.empty())
        return;
    {
        std::lock_guard<std::mutex> g(lock_);
        commands_.push_back(cmd);
    }
    const TFault fault = fault_;
    if (cmd == "POIN?") {
        double p = static_cast<double>(hz_.size());
        if (fault == TFault::NoPoints)
            p = 0;
        else if (fault == TFault::OnePoint)
            p = 1;
        else if (fault == TFault::HugePoints)
            p = 100000;
        reply(c, fault == TFault::Garbage ? "+2.0.1E+0X\n" : number(p, 6));
    } else if (cmd == "STAR?" || cmd == "STOP?") {
        const double f = hz_.empty() ? 0 : cmd == "STAR?" ? hz_.front() : hz_.back();
        std::string text = fault == TFault::Garbage ? "--1E\n" : number(f, 15);
        if (fault == TFault::LongNumber)
            text.insert(text.find('E'), 300, '0');
        reply(c, text);
    } else if (cmd.size() == 3 && cmd[0] == 'S' && (cmd[1] == '1' || cmd[1] == '2') && (cmd[2] == '1' || cmd[2] == '2')) {
        parameter_ = (cmd[1] - '1') * 2 + (cmd[2] - '1') + 1;
    } else if (cmd == "OUTPFORM") {
        if (fault == TFault::Drop) {
            ::close(c.fd);
            c.fd = -1;
            return;
        }
        reply(c, traceBlock(parameter_));
    }
}

} // namespace vnasim
