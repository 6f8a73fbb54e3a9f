#pragma once
// A scripted TCP/IP network for the finder: the controllers on it, which password each wants,
// and what the program did to them. Found controllers record the settings applied at connect.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/components/finder/FinderFactory.h"
#include "platform/ui/InputBox.h"

namespace networktest {

using components::PortField;

struct FakeNetwork {
    struct Station {
        wire::DiscoveryReply identity;
        std::string password;      // wanted when identity.encryptionRequired
        bool rateLimited = false;  // takes no password for now, not even the right one
        std::map<PortField, std::string> secrets;  // what a read of the port settings tells
        bool connects = true;                      // false: the link cannot be opened
        bool checked = true, fits = true;          // the network check
        std::vector<std::map<PortField, std::string>> applied;  // settings applied at connect
        int endSetups = 0;
        bool answers = true;  // false: no search finds it any more
        // The Port OS upgrade: whether the port takes the image, whether it answers again
        // afterwards, and the revision it then reports (none: the image's).
        bool upgradeTakes = true;
        bool backAfterUpgrade = true;
        std::optional<std::string> revisionAfterUpgrade;
        std::vector<std::string> upgradedTo;  // the revisions of the images it was sent
        std::function<void()> duringUpgrade;  // runs while the image travels
    };
    std::vector<Station> stations;
    std::string problem;  // why a search cannot reach the network; empty when it can
    int searches = 0;
    std::vector<std::string> passwordsSearchedWith;
    std::vector<std::string> filtersSearchedWith;
    int32_t nextHandle = 100;

    Station& add(const std::string& serial, bool kvxrealC = false);
    Station* find(const std::string& serial);
};

class FakeFound final : public components::FoundController {
  public:
    FakeFound(FakeNetwork& network, const FakeNetwork::Station& station, std::string password);
    bool PasswordAccepted() override;
    comm::PasswordCheck LastPasswordCheck() const override { return check_; }
    bool Connect() override;
    int32_t Handle() const override { return handle_; }
    bool LinkOk() const override { return linkOk_; }
    bool ReadPortSettings() override;
    void CheckNetwork(bool& done, bool& checked) override;
    bool NetworkFits() const override;
    bool EndSetup() override;
    void UpgradePortOs(const components::PortOsImage& image, bool& ok) override;

  private:
    FakeNetwork::Station* station();
    FakeNetwork& network_;
    std::string password_;
    int32_t handle_ = 0;
    bool linkOk_ = false;
    comm::PasswordCheck check_ = comm::PasswordCheck::Unreachable;
};

class FakeFinder final : public components::ControllerFinder {
  public:
    explicit FakeFinder(FakeNetwork& network) : network_(network) {}
    void Search() override;

  private:
    FakeNetwork& network_;
};

class FakeFinderFactory final : public components::FinderFactory {
  public:
    explicit FakeFinderFactory(FakeNetwork& network) : network_(network) {}
    std::unique_ptr<components::ControllerFinder> CreateFinder() override {
        ++created;
        return std::make_unique<FakeFinder>(network_);
    }
    int created = 0;

  private:
    FakeNetwork& network_;
};

// Answers input boxes from a script; nothing (cancel) when the script is empty.
class ScriptedInput final : public ui::InputBox {
  public:
    std::optional<std::string> ask(const std::string& prompt, const std::string&,
                                   const std::string&, bool masked) override {
        prompts.push_back(prompt);
        maskedFlags.push_back(masked);
        if (onAsk) onAsk();
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<std::optional<std::string>> answers;
    std::function<void()> onAsk;  // runs while the box is up
    std::vector<std::string> prompts;
    std::vector<bool> maskedFlags;
};

}  // namespace networktest
