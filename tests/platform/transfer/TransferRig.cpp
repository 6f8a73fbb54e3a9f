#include "TransferRig.h"

#include <chrono>
#include <thread>

#include "platform/comm/SerialLink.h"
#include "platform/comm/TcpLink.h"
#include "platform/wire/Request.h"
#include "sim/SimClient.h"

namespace transfertest {
namespace {

std::string network(uint32_t baud, const std::string& keys) {
    return "[Simulator]\nBaud=" + std::to_string(baud) +
           "\nColdStartMs=200\n\n"
           "[Controller Gate]\n" + keys + "Serial=SN-1\nKvxrealC=yes\nModel=200\nAddress=1:5\n"
           "Listen=127.0.0.1:0\nFlashSize=4194304\nActivePartition=16\n\n"
           "[Partition Gate 16]\nName=Running\nMaxSize=262144\n\n"
           "[Partition Gate 17]\nName=Spare\nMaxSize=1048576\n\n"
           "[Partition Gate 18]\nName=Tiny\nMaxSize=100\n\n"
           "[Controller Old]\n" + keys + "Serial=SN-2\nModel=100\nAddress=2:1\nListen=127.0.0.1:0\n\n"
           "[Controller Head]\n" + keys + "Bus=serial\nSerial=SN-3\nKvxrealC=yes\nModel=200\nAddress=10:1\n"
           "FlashSize=4194304\nActivePartition=16\n\n"
           "[Partition Head 16]\nName=Running\nMaxSize=262144\n\n"
           "[Partition Head 17]\nName=Spare\nMaxSize=1048576\n";
}

std::optional<wire::Frame> ask(comm::ExchangeEngine& engine, const wire::Request& request) {
    const comm::Outcome outcome = engine.run(wire::kDirectAddress, request);
    if (outcome.ending != comm::Ending::Reply ||
        outcome.reply.code1 != wire::code(wire::ReplyCode::Ok))
        return std::nullopt;
    return outcome.reply;
}

}  // namespace

std::vector<uint8_t> makeImage(std::size_t size, uint32_t seed) {
    uint32_t x = seed * 2654435761u + 1;
    auto next = [&] {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    // Words of a small vocabulary between fresh bytes: deflate shrinks it about 1.6 times, as
    // compiled code, so a compressed load still takes several blocks.
    uint8_t words[64][4];
    for (auto& word : words)
        for (auto& b : word) b = static_cast<uint8_t>(next());
    std::vector<uint8_t> bytes;
    bytes.reserve(size + 4);
    while (bytes.size() < size) {
        const uint32_t r = next();
        if (r & 1) {
            const auto& word = words[(r >> 1) & 63];
            bytes.insert(bytes.end(), word, word + 4);
        } else {
            bytes.push_back(static_cast<uint8_t>(r >> 8));
            bytes.push_back(static_cast<uint8_t>(r >> 16));
        }
    }
    bytes.resize(size);
    return bytes;
}

Rig::Rig(uint32_t baud, const std::string& controllerKeys) {
    temp.write("net.ini", network(baud, controllerKeys));
    sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
        "--network", temp / "net.ini", "--control", temp / "ctl"});
    ready = sim->waitReady();
    if (!ready) return;
    comm::LinkSettings settings;
    settings.baud = baud;
    settings.tcpTimeout = std::chrono::milliseconds(500);
    settings.tcpConnectTimeout = std::chrono::milliseconds(500);
    settings.serialTimeout = std::chrono::milliseconds(80);
    for (auto [handle, id] : {std::pair{kGate, "Gate"}, std::pair{kOld, "Old"}}) {
        const auto at = sim->tcpEndpoint(id);
        links.engines[handle] = std::make_unique<comm::ExchangeEngine>(
            std::make_unique<comm::TcpLink>(at.host, at.port, settings));
    }
    links.engines[kSerial] = std::make_unique<comm::ExchangeEngine>(
        std::make_unique<comm::SerialLink>(sim->serial(), settings));
    tuning.reconnectFor = std::chrono::milliseconds(3000);
    tuning.maxResumes = 4;
}

Rig::~Rig() { links.engines.clear(); }

std::string Rig::control(const std::string& line) { return simtest::control(temp / "ctl", line); }

std::string Rig::idOf(int32_t link) {
    return link == kGate ? "Gate" : link == kOld ? "Old" : "Head";
}

transfer::Job Rig::job(int32_t link, const std::vector<uint8_t>& image, uint8_t partition,
                       wire::TransferTarget target) const {
    transfer::Job j;
    j.link = link;
    j.target = target;
    j.partition = target == wire::TransferTarget::Partition ? partition : 0;
    j.model = link == kOld ? 100 : 200;
    j.name = "Test program";
    j.image = image;
    j.compression = compression;
    return j;
}

transfer::Result Rig::load(const transfer::Job& job, const transfer::ProgressCallback& progress) {
    transfer::TransferEngine engine(links, tuning);
    return engine.run(job, progress);
}

std::optional<uint32_t> Rig::partitionChecksum(int32_t link, uint8_t partition) {
    const auto reply = ask(*links.engine(link),
                           wire::TelegramRequest{0, {0xCB, 0x10, partition, 0xE8, 0x03}});
    if (!reply || reply->payload.size() != 4) return std::nullopt;
    const auto& p = reply->payload;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::optional<int32_t> Rig::readInt(int32_t link, uint16_t file, int32_t index,
                                    wire::VarType type) {
    const auto reply = ask(*links.engine(link), wire::ReadRequest{{1, type, file, index}});
    if (!reply) return std::nullopt;
    auto value = wire::decodeReadReply(reply->payload);
    if (!value) return std::nullopt;
    return value->value.integer;
}

std::optional<uint32_t> Rig::imageChecksum(int32_t link, int32_t index) {
    auto v = readInt(link, 900, index, wire::VarType::Long);
    if (!v) return std::nullopt;
    return static_cast<uint32_t>(*v);
}

std::optional<uint64_t> Rig::transferFigure(int32_t link, const std::string& name) {
    const std::string answer = control("transfers " + idOf(link));
    const std::string key = " " + name + " ";
    const auto at = answer.find(key);
    if (answer.rfind("ok", 0) != 0 || at == std::string::npos) return std::nullopt;
    return std::stoull(answer.substr(at + key.size()));
}

bool Rig::waitAnswering(int32_t link) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < until) {
        if (readInt(link, 241, 0, wire::VarType::SmallInt)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace transfertest
