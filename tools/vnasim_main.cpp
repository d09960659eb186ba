// tavix_vnasim <file.sNp> [--host ADDRESS] [--port N] [--fault NAME]:
// a simulated network analyser that serves the traces of an S-parameter
// file on a TCP port (5025 unless told otherwise, 0 for a free one).
// Lines typed while it runs:
//   connect I J   the device's ports I and J are now at analyser ports 1 and 2
//   fault NAME    none, silence, short, badheader, garbage, points0,
//                 points1, pointshuge, nan, drop or long
//   quit

#include "tools/vna_simulator.h"
#include "viewer/app/sparam_reader.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::string file, host = "127.0.0.1", faultName = "none";
    int port = 5025;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--host" || a == "--port" || a == "--fault") && i + 1 < argc) {
            const std::string v = argv[++i];
            if (a == "--host")
                host = v;
            else if (a == "--fault")
                faultName = v;
            else
                port = std::atoi(v.c_str());
        } else if (file.empty() && a.rfind("--", 0) != 0) {
            file = a;
        } else {
            file.clear();
            break;
        }
    }
    vnasim::TFault fault;
    if (file.empty() || !vnasim::ParseFault(faultName, fault)) {
        std::fprintf(stderr, "usage: tavix_vnasim FILE.sNp [--host ADDRESS] [--port N] [--fault NAME]\n");
        return 2;
    }
    viewer::SParamReadResult r = viewer::ReadSParameterFile(file);
    if (!r.ok) {
        std::fprintf(stderr, "tavix_vnasim: %s: %s\n", file.c_str(), r.message.c_str());
        return 1;
    }
    vnasim::TVnaSimulator sim(r.data);
    sim.SetFault(fault);
    const int listening = sim.Start(host, port);
    if (listening < 0) {
        std::fprintf(stderr, "tavix_vnasim: cannot listen on %s:%d\n", host.c_str(), port);
        return 1;
    }
    std::printf("Listening on %s:%d with %d ports\n", host.c_str(), listening, r.data.ports);
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "quit")
            return 0;
        if (word == "connect") {
            int a = 0, b = 0;
            if (in >> a >> b && a >= 1 && b >= 1) {
                sim.Connect(a, b);
                std::printf("Ports %d and %d connected\n", a, b);
            } else {
                std::printf("connect I J\n");
            }
        } else if (word == "fault") {
            in >> word;
            if (vnasim::ParseFault(word, fault)) {
                sim.SetFault(fault);
                std::printf("Fault %s\n", word.c_str());
            } else {
                std::printf("Unknown fault %s\n", word.c_str());
            }
        } else if (!word.empty()) {
            std::printf("connect I J | fault NAME | quit\n");
        }
        std::fflush(stdout);
    }
    // Without a terminal it serves until it is stopped.
    for (;;)
        ::pause();
}
