// A whole module scan (64,774 addresses, the search dialog's own loop through the real general
// library) against kvxsim with 32 stations on the serial bus: once over the TCP gateway, once
// on the serial bus at 115,200 baud. Prints each time against its target and whether every
// present station was found; it is a measurement, not a test.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

#include "BenchSupport.h"
#include "link/FormSearchModules.h"
#include "operations/Reach.h"
#include "operations/Session.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kStations = 32;
constexpr double kTcpTargetSeconds = 2;
constexpr double kSerialTargetSeconds = 10;

// A gateway and 32 serial stations spread over the address space (the first is the bus head).
std::string networkFile(std::set<std::string>& busAddresses) {
    std::ostringstream out;
    out << "[Simulator]\nBaud=115200\n\n[Controller Gate]\nSerial=SN-GATE\nModel=300\n"
           "Address=1:5\nListen=127.0.0.1:0\n";
    for (int i = 0; i < kStations; ++i) {
        const int pla = 1 + (i * 37) % 254;
        const int ela = 1 + (i * 8) % 255;
        const std::string address = std::to_string(pla) + ":" + std::to_string(ela);
        busAddresses.insert(address);
        out << "\n[Controller S" << i << "]\nBus=serial\nSerial=SN-" << i
            << "\nModel=" << (i % 2 == 0 ? 300 : 200) << "\nAddress=" << address << "\n";
    }
    return out.str();
}

// The scan over `link`; prints its time against the target and what it missed.
void scan(operations::Session& session, const std::string& link, const char* what, double target,
          std::set<std::string> expected) {
    operations::Reach reached;
    reached.link = link;
    operations::LinkProblem problem;
    if (!operations::reach(session, reached, problem)) {
        std::printf("%s: %s\n", what, problem.why.c_str());
        return;
    }
    session.program().connection.CurrentPLA = 255;
    session.program().connection.CurrentELA = 30;
    ui::NoFormHost nobody;
    clink::FormSearchModules form(session.program(), nobody);
    form.Form_Load();
    form.CheckSearchAll.value = true;
    const auto start = Clock::now();
    form.ActionButton_Click();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::size_t found = 0;
    for (const auto& item : form.ParamList.items)
        found += expected.erase(item.text + ":" + item.subItems.at(0));
    std::printf("%-36s %7.2f s  (%zu modules found)  target <= %.0f s  ratio %.2f\n", what, seconds,
                found, target, seconds / target);
    for (const std::string& missing : expected) std::printf("  missing: %s\n", missing.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string kvxsim = argc > 1 ? argv[1] : KVXSIM_PATH;
    const bench::WorkFolder folder;
    if (!folder.ok()) return 1;
    const fs::path& work = folder.path();
    std::set<std::string> bus;
    std::ofstream(work / "network.ini") << networkFile(bus);
    fs::create_directories(work / "machine");
    int rc = 0;
    try {
        bench::Simulator sim(kvxsim, (work / "network.ini").string());
        std::ofstream(work / "machine/Kvxmatic.Ini")
            << "[Link]\nBaud=115200\nPort=" << sim.serial() << "\n";
        std::ostringstream quiet;  // the session's note about a missing product folder
        operations::Session session((work / "machine").string(), quiet);
        std::set<std::string> behindGateway = bus;
        behindGateway.insert("1:5");
        scan(session, "tcp:" + sim.tcp("Gate"), "whole scan over the TCP gateway",
             kTcpTargetSeconds, behindGateway);
        scan(session, "serial", "whole scan on the serial bus", kSerialTargetSeconds, bus);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_module_scan: %s\n", e.what());
        rc = 1;
    }
    return rc;
}
