#pragma once
// Fake controllers at the far end of a link, speaking the codec: a loopback TCP listener and
// the master side of a pseudo-terminal. A script decides, per request, what goes back.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/comm/LinkSettings.h"
#include "platform/wire/Frame.h"

namespace commtest {

struct PeerAction {
    enum class Kind { Reply, Drop, Close, ReplyThenClose };
    Kind kind = Kind::Reply;
    std::vector<wire::Frame> frames;  // sent in order (stale or foreign frames, then the reply)
    std::vector<uint8_t> rawBefore;   // bytes put on the line before the frames (garbage)

    static PeerAction reply(wire::Frame f) { return {Kind::Reply, {std::move(f)}, {}}; }
    static PeerAction drop() { return {Kind::Drop, {}, {}}; }
    static PeerAction close() { return {Kind::Close, {}, {}}; }
};

// `index` counts the requests the peer has seen, from 0.
using PeerScript = std::function<PeerAction(const wire::Frame& request, int index)>;

// Short time-outs, so that tests of ending exchanges end quickly.
comm::LinkSettings quickSettings();

// The poll answer of a controller at 1:5: Ok with its own PLA and ELA.
wire::Frame pollReply(const wire::Frame& request);
// Answers every request with pollReply.
PeerAction answerAll(const wire::Frame& request, int index);

class FakePeer {
  public:
    virtual ~FakePeer() = default;
    void setScript(PeerScript script);
    int requests() const { return requests_; }
    std::vector<wire::Frame> received() const;

  protected:
    PeerAction onRequest(const wire::Frame& request);

  private:
    mutable std::mutex mutex_;
    PeerScript script_ = answerAll;
    std::vector<wire::Frame> received_;
    std::atomic<int> requests_{0};
};

// Listens on 127.0.0.1, port chosen by the system; one connection at a time.
class TcpPeer final : public FakePeer {
  public:
    TcpPeer();
    ~TcpPeer() override;
    uint16_t port() const { return port_; }
    int connections() const { return connections_; }
    // Returns once the peer has closed `count` connections itself.
    void waitForHangUps(int count);

  private:
    void serve();
    void serveConnection(int fd);

    int listener_ = -1;
    uint16_t port_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::atomic<int> connections_{0};
    int hangUps_ = 0;
    std::mutex hangUpMutex_;
    std::condition_variable hungUp_;
    std::thread thread_;
};

// The master side of a fresh pseudo-terminal; path() is the slave device for the link.
class PtyPeer final : public FakePeer {
  public:
    PtyPeer();
    ~PtyPeer() override;
    const std::string& path() const { return path_; }

  private:
    void serve();

    int master_ = -1;
    int slave_ = -1;  // kept open so the master never sees a hang-up between link opens
    int stopPipe_[2] = {-1, -1};
    std::string path_;
    std::thread thread_;
};

// A loopback port with nobody listening on it.
uint16_t closedPort();

}  // namespace commtest
