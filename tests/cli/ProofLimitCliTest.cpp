// Separate runs of the command line share the host's limit of three password proofs a minute
// to one controller: an impostor that answers discovery and the hello in a protected
// controller's place gets at most three proofs from six runs, whatever it does with each.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <sstream>
#include <thread>

#include "FakePeer.h"
#include "platform/secure/Handshake.h"
#include "platform/secure/Verifier.h"
#include "platform/wire/Command.h"
#include "platform/wire/DiscoveryPayload.h"
#include "platform/wire/FrameCodec.h"
#include "platform/wire/ReplyCode.h"
#include "platform/wire/Request.h"
#include "platform/wire/SecurePayloads.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;

namespace {

constexpr const char* kSerial = "SN-LURE";

// Answers every discovery request on 127.0.0.1 with one reply naming `tcpPort`.
class DiscoveryLure {
  public:
    explicit DiscoveryLure(uint16_t tcpPort) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&at), size) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &size) != 0)
            throw std::runtime_error("no UDP port for the lure");
        port_ = ntohs(at.sin_port);
        reply_.serialNumber = kSerial;
        reply_.name = "Vault";
        reply_.modelNumber = 300;
        reply_.kvxrealC = true;
        reply_.encryptionRequired = true;
        reply_.passwordSet = true;
        reply_.ip = {127, 0, 0, 1};
        reply_.tcpPort = tcpPort;
        reply_.capabilities = wire::kCapabilityEncryption;
        thread_ = std::thread([this] { serve(); });
    }
    ~DiscoveryLure() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }
    uint16_t port() const { return port_; }

  private:
    void serve() {
        uint8_t buffer[2048];
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            sockaddr_in from{};
            socklen_t size = sizeof from;
            const ssize_t n = ::recvfrom(fd_, buffer, sizeof buffer, 0,
                                         reinterpret_cast<sockaddr*>(&from), &size);
            if (n <= 0) continue;
            auto request = wire::decodeFrame(std::span<const uint8_t>(buffer, size_t(n)));
            if (!request) continue;
            auto payload = wire::encodePayload(reply_);
            auto frame =
                wire::encodeFrame(wire::makeReplyFrame(*request, wire::ReplyCode::Ok, 0, *payload));
            if (!frame) continue;
            ::sendto(fd_, frame->data(), frame->size(), 0, reinterpret_cast<sockaddr*>(&from),
                     size);
        }
    }

    int fd_ = -1;
    uint16_t port_ = 0;
    wire::DiscoveryReply reply_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// What the impostor does with a proof it receives.
enum class AfterProof { Close, Silence, Busy, Refused, WrongTag };

// Answers the hello as a controller with a password of its own guessing would, and each proof
// as the row says; anything else is unknown to it.
class Impostor {
  public:
    explicit Impostor(AfterProof after) : after_(after) {
        peer.setScript([this](const wire::Frame& f, int) { return answer(f); });
    }
    int proofs() const { return proofs_; }
    commtest::TcpPeer peer;

  private:
    commtest::PeerAction answer(const wire::Frame& f) {
        std::lock_guard lock(mutex_);
        if (f.command == wire::code(wire::Command::Hello)) {
            auto hello = handshake_.answer(guess_, kSerial, *wire::decodeHelloRequest(f.payload));
            return commtest::PeerAction::reply(
                wire::makeReplyFrame(f, wire::ReplyCode::Ok, 0, wire::encodePayload(*hello)));
        }
        if (f.command != wire::code(wire::Command::Proof))
            return commtest::PeerAction::reply(
                wire::makeReplyFrame(f, wire::ReplyCode::UnknownCommand));
        ++proofs_;
        switch (after_) {
            case AfterProof::Close:
                return commtest::PeerAction::close();
            case AfterProof::Silence:
                return commtest::PeerAction::drop();
            case AfterProof::Busy:
                return commtest::PeerAction::reply(wire::makeReplyFrame(f, wire::ReplyCode::Busy));
            case AfterProof::Refused:
                return commtest::PeerAction::reply(
                    wire::makeReplyFrame(f, wire::ReplyCode::Refused));
            case AfterProof::WrongTag:
                break;
        }
        return commtest::PeerAction::reply(wire::makeReplyFrame(
            f, wire::ReplyCode::Ok, 0, wire::encodePayload(wire::ProofReply{})));
    }

    AfterProof after_;
    std::mutex mutex_;
    secure::Verifier guess_ = *secure::makeVerifier("guess-1", secure::kSimulatorCost);
    secure::ControllerHandshake handshake_;
    std::atomic<int> proofs_{0};
};

}  // namespace

TEST(ProofLimitCli, SixRunsWithinAMinuteGiveAnImpostorAtMostThreeProofs) {
    const struct {
        const char* what;
        AfterProof after;
    } rows[] = {
        {"it closes the connection", AfterProof::Close},
        {"it stays silent", AfterProof::Silence},
        {"it answers busy", AfterProof::Busy},
        {"it refuses", AfterProof::Refused},
        {"it proves back wrongly", AfterProof::WrongTag},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::TempFolder temp;
        const std::string machine = temp.copyDemo();
        Impostor impostor(row.after);
        DiscoveryLure lure(impostor.peer.port());
        // Discovery asks the lure alone; short time-outs keep the silent row quick.
        std::istringstream in(temp.read("demo/machine/Kvxmatic.Ini"));
        std::string ini;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("Discovery", 0) == 0 || line.rfind("Tcp", 0) == 0) continue;
            ini += line + "\n";
            if (line == "[Link]")
                ini += "DiscoveryPort=" + std::to_string(lure.port()) +
                       "\nDiscoveryTarget=127.0.0.1\nDiscoveryWaitMs=300\nTcpTimeoutMs=300\n";
        }
        ASSERT_NE(ini.find("DiscoveryPort="), std::string::npos);
        temp.write("demo/machine/Kvxmatic.Ini", ini);

        std::string last;
        for (int run = 0; run < 6; ++run) {
            const auto r =
                testsupport::runCommandWithInput({KRELVAN_CLI_PATH, "poll", "--machine", machine,
                                                  "--serial", kSerial, "--password-stdin"},
                                                 "Vault-pass\n", 60);
            EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
            EXPECT_EQ(r.out, "");
            last = r.err;
        }
        EXPECT_EQ(impostor.proofs(), 3);
        EXPECT_THAT(last, HasSubstr("wait a minute")) << "the host's own limit, said as such";
        EXPECT_NE(temp.read("demo/machine/ProofTimes.txt").find(std::string(kSerial) + "\t"),
                  std::string::npos);
    }
}
