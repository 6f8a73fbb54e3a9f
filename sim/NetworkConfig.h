#pragma once
// What the network file describes: the simulator's own settings and every controller it plays.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/image/ImageSignature.h"
#include "platform/wire/DiscoveryPayload.h"
#include "platform/wire/Frame.h"
#include "platform/wire/Variable.h"
#include "sim/Faults.h"

namespace sim {

struct Endpoint {
    std::string host;   // numeric IPv4 or IPv6 address
    uint16_t port = 0;  // 0: chosen by the operating system
};

struct PartitionConfig {
    uint8_t number = 0;
    std::string name;      // attribute 2
    int32_t type = 2;      // attribute 4: 2 program, 3 web site
    int32_t attr5 = 0;     // attribute 5
    int32_t loadTime = 0;  // attribute 7, seconds since 1 January 1980
    int32_t size = 0;      // attribute 8
    int32_t maxSize = 0;   // attribute 9
    std::string title;     // attribute 110
};

// An extra variable given in the network file (`Var.<file>.<index>=kind,type,value`).
struct VariableConfig {
    wire::VarAddress address;
    wire::Value value;
};

enum class Bus { Tcp, Serial };

struct ControllerConfig {
    std::string id;  // from the section name; used on stdout and by the control socket
    int line = 0;    // line of the section header, for messages
    std::string serialNumber;
    std::string name;
    std::string description;
    wire::Mac mac{};
    uint16_t modelNumber = 0;
    bool kvxrealC = false;
    wire::Address address{1, 1};
    std::vector<wire::Address> extraAddresses;
    Bus bus = Bus::Tcp;
    Endpoint listen;  // TCP controllers only
    bool dhcp = false;
    wire::Ipv4 ip{}, subnetMask{}, gateway{}, dns1{}, dns2{};
    std::string dnsName;
    std::string mainComputerAddress;
    // The port's e-mail settings at the start.
    std::string emailServer, emailLoginPass;
    std::string password;
    bool encryptionRequired = false;
    uint32_t capabilities = 0;
    std::string osVersion;
    std::string portOsRevision;
    uint16_t upgradeFileNumber = 0;
    uint16_t httpPort = 0;  // KVXreal C: the loopback port its web server takes; 0: chosen
    int32_t flashSize = 0;
    // The product's public key (kvxsim --image-key): an image takes effect only when its
    // commit carries a signature that verifies against it. Without one, images are not checked.
    std::optional<image::PublicKey> imageKey;
    std::vector<PartitionConfig> partitions;
    int32_t activePartition = 14;  // 14: no application active
    int32_t activeSubApplication = 0;
    std::vector<VariableConfig> variables;
    FaultSettings faults;
    // Answers StationList (0x08) as head of the serial bus or as gateway; `no` plays an older
    // one that answers UnknownCommand.
    bool stationList = true;
    // An older controller answers TransferRead (0x25); `no` plays one built before it.
    bool imageRead = true;
    // Grants compressed blocks at a transfer's open, with at most this window log; `no` plays
    // a controller built before compression, which takes only the open without it.
    bool compression = true;
    uint8_t compressionWindow = 15;
};

// What UDP discovery does wrong, as a plant network might: lose, delay and repeat datagrams.
struct DiscoveryFaults {
    uint32_t lossPercent = 0;   // each request heard and each reply sent is lost this often
    uint32_t maxDelayMs = 0;    // each reply waits a random time up to this
    bool duplicate = false;     // each reply goes out twice
    uint32_t seed = 1;          // the losses and delays repeat run after run
};

struct SimulatorConfig {
    uint32_t baud = 115200;             // serial bus rate
    int coldStartMs = 1000;             // how long a cold-started controller stays away
    std::optional<Endpoint> discovery;  // UDP discovery, when given
    DiscoveryFaults discoveryFaults;
    // Serial stations may share an address, as on a wrongly set-up bus: both answer and their
    // replies collide.
    bool addressClashes = false;
};

struct NetworkConfig {
    std::string file;
    SimulatorConfig simulator;
    std::vector<ControllerConfig> controllers;
};

}  // namespace sim
