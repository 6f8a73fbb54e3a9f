#include "network/FakeFinder.h"

#include "platform/components/finder/PortOsImage.h"

namespace networktest {

FakeNetwork::Station& FakeNetwork::add(const std::string& serial, bool kvxrealC) {
    Station s;
    s.identity.serialNumber = serial;
    s.identity.name = "Name " + serial;
    s.identity.kvxrealC = kvxrealC;
    s.identity.address = {12, 3};
    s.identity.modelNumber = kvxrealC ? 300 : 200;
    s.identity.ip = {192, 168, 1, static_cast<uint8_t>(10 + stations.size())};
    s.identity.subnetMask = {255, 255, 255, 0};
    stations.push_back(s);
    return stations.back();
}

FakeNetwork::Station* FakeNetwork::find(const std::string& serial) {
    for (auto& s : stations)
        if (s.identity.serialNumber == serial) return &s;
    return nullptr;
}

FakeFound::FakeFound(FakeNetwork& network, const FakeNetwork::Station& station,
                     std::string password)
    : FoundController(station.identity), network_(network), password_(std::move(password)) {}

FakeNetwork::Station* FakeFound::station() { return network_.find(SerialNumber()); }

bool FakeFound::PasswordAccepted() {
    auto* s = station();
    if (s == nullptr) return false;
    if (!s->identity.encryptionRequired) return true;
    check_ = s->rateLimited             ? comm::PasswordCheck::RateLimited
             : s->password == password_ ? comm::PasswordCheck::Accepted
                                        : comm::PasswordCheck::Refused;
    return check_ == comm::PasswordCheck::Accepted;
}

bool FakeFound::Connect() {
    auto* s = station();
    linkOk_ = s != nullptr && s->connects;
    if (!linkOk_) return false;
    if (handle_ == 0) handle_ = network_.nextHandle++;
    s->applied.push_back(pending());
    clearPending();
    return true;
}

bool FakeFound::ReadPortSettings() {
    auto* s = station();
    if (s == nullptr) return false;
    for (const auto& [f, v] : s->secrets) learn(f, v);
    return true;
}

void FakeFound::CheckNetwork(bool& done, bool& checked) {
    auto* s = station();
    done = true;
    checked = s != nullptr && s->checked;
}

bool FakeFound::NetworkFits() const {
    const auto* s = const_cast<FakeFound*>(this)->station();
    return s != nullptr && s->fits;
}

bool FakeFound::EndSetup() {
    auto* s = station();
    if (s == nullptr) return false;
    ++s->endSetups;
    return true;
}

void FakeFound::UpgradePortOs(const components::PortOsImage& image, bool& ok) {
    auto* s = station();
    ok = s != nullptr && s->upgradeTakes;
    if (s == nullptr) return;
    s->upgradedTo.push_back(image.Revision());
    if (s->duringUpgrade) s->duringUpgrade();
    if (!ok) return;
    s->identity.portOsRevision = s->revisionAfterUpgrade.value_or(image.revisionBytes());
    s->answers = s->backAfterUpgrade;
}

void FakeFinder::Search() {
    ++network_.searches;
    network_.passwordsSearchedWith.emplace_back(password().text());
    network_.filtersSearchedWith.push_back(appliedFilter());
    std::vector<std::unique_ptr<components::FoundController>> found;
    if (network_.problem.empty()) {
        for (const auto& s : network_.stations)
            if (s.answers &&
                (appliedFilter().empty() || appliedFilter() == s.identity.serialNumber))
                found.push_back(
                    std::make_unique<FakeFound>(network_, s, std::string(password().text())));
    }
    setResult(std::move(found), network_.problem);
}

}  // namespace networktest
