#pragma once
// kvxsim with controllers to load into, and links to them for the transfer engine: a TCP
// controller with partitions, an older TCP controller, and a serial station at the head of
// the bus. Images are made up by seed, so every load is told apart by its checksum; they
// compress about as compiled code does.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/LinkAccess.h"
#include "platform/transfer/TransferEngine.h"
#include "sim/SimProcess.h"
#include "support/TempFolder.h"

namespace transfertest {

// Link handles of the rig.
constexpr int32_t kGate = 1;    // TCP, partitions (16 active, 17 large, 18 small), model 200
constexpr int32_t kOld = 2;     // TCP, older controller without partitions, model 100
constexpr int32_t kSerial = 3;  // serial bus head, partitions like Gate's, model 200

class Links final : public comm::LinkAccess {
  public:
    comm::ExchangeEngine* engine(int32_t handle) override {
        auto it = engines.find(handle);
        return it == engines.end() ? nullptr : it->second.get();
    }
    std::map<int32_t, std::unique_ptr<comm::ExchangeEngine>> engines;
};

std::vector<uint8_t> makeImage(std::size_t size, uint32_t seed);

class Rig {
  public:
    // `controllerKeys`: network-file lines every controller gets besides its own.
    explicit Rig(uint32_t baud = 921600, const std::string& controllerKeys = "");
    ~Rig();

    // "ok" or the error line of a control command.
    std::string control(const std::string& line);
    // The controller's name for a link handle ("Gate", "Old", "Head").
    static std::string idOf(int32_t link);

    transfer::Job job(int32_t link, const std::vector<uint8_t>& image, uint8_t partition = 17,
                      wire::TransferTarget target = wire::TransferTarget::Partition) const;
    transfer::Result load(const transfer::Job& job, const transfer::ProgressCallback& progress = {});

    // The checksum of what a partition holds (attribute 1000), of the older controller's
    // application, or of the operating system; empty when it cannot be read.
    std::optional<uint32_t> partitionChecksum(int32_t link, uint8_t partition);
    std::optional<uint32_t> imageChecksum(int32_t link, int32_t index);
    std::optional<int32_t> readInt(int32_t link, uint16_t file, int32_t index, wire::VarType type);
    // Waits (bounded) until the controller answers again after a restart.
    bool waitAnswering(int32_t link);
    // A figure of kvxsim's `transfers` answer for a controller (e.g. "compressed_blocks").
    std::optional<uint64_t> transferFigure(int32_t link, const std::string& name);

    bool ready = false;
    testsupport::TempFolder temp;
    std::unique_ptr<simtest::SimProcess> sim;
    Links links;
    transfer::Tuning tuning;
    // What job() asks for.
    transfer::Compression compression = transfer::Compression::Auto;
};

}  // namespace transfertest
