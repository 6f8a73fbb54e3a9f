#pragma once
// kvxsim as a child process: started with a network file, its listener lines read with a
// time-out, killed when the object goes.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace simtest {

struct Endpoint {
    std::string host;
    uint16_t port = 0;
};

// "host:port" split at its last colon; port 0 when there is none.
Endpoint splitHostPort(const std::string& hostPort);

class SimProcess {
  public:
    // Starts kvxsim with these arguments (after the program name).
    explicit SimProcess(std::vector<std::string> arguments);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Reads stdout until "ready" (true) or the time-out / an early exit (false).
    bool waitReady(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits for the process to end; its exit code, or -1 on time-out.
    int waitExit(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void kill();
    pid_t pid() const { return pid_; }

    // "host:port" of a TCP controller, from its "tcp" line.
    std::string tcp(const std::string& id) const;
    Endpoint tcpEndpoint(const std::string& id) const { return splitHostPort(tcp(id)); }
    // "host:port" of a KVXreal C controller's web server, from its "http" line.
    std::string http(const std::string& id) const;
    const std::string& serial() const { return serial_; }
    const std::string& udp() const { return udp_; }
    const std::string& stderrText();

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string outBuffer_;
    std::string errText_;
    std::map<std::string, std::string> tcp_;
    std::map<std::string, std::string> http_;
    std::string serial_, udp_;
};

}  // namespace simtest
