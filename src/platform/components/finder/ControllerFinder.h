#pragma once
// Finds controllers on the TCP/IP network. The criteria, the serial filter, the password and
// the result list live here; how a search reaches the network is the implementation's.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/components/finder/FoundController.h"
#include "platform/secure/Sodium.h"
#include "platform/wire/DiscoveryPayload.h"

namespace components {

// Where one search sends its request: a unicast address or a directed broadcast.
struct SearchTarget {
    wire::Ipv4 address{};
    bool operator==(const SearchTarget&) const = default;
};

std::optional<wire::Ipv4> parseDotted(const std::string& text);

class ControllerFinder {
  public:
    virtual ~ControllerFinder() = default;

    bool Active() const { return active_; }
    void Active(bool value) { active_ = value; }
    // A dotted IPv4 address of four decimal parts 0..255.
    bool IsValidAddress(const std::string& text) const { return parseDotted(text).has_value(); }
    void SerialFilter(const std::string& serial) { serialFilter_ = serial; }
    void ApplySerialFilter() { appliedFilter_ = serialFilter_; }
    // Forgets the addresses and the applied serial filter: the next search is a plain one.
    void ClearCriteria();
    void AddAddress(const std::string& address);
    // The subnet's directed broadcast (address with every host bit set); a mask that does not
    // parse searches the address alone.
    void AddAddressWithMask(const std::string& address, const std::string& mask);
    // The finder's own wiped copy; the controllers it finds prove it from there.
    // Shares the caller's buffer; the finder and its links keep no copy of their own.
    void Password(const secure::Secret& password) { password_ = password; }

    // Replaces the result list. Without criteria the broadcast target is searched.
    virtual void Search() = 0;
    int32_t Count() const { return static_cast<int32_t>(found_.size()); }
    // Throws std::out_of_range for an index outside 0..Count-1.
    FoundController& Item(int32_t index);
    // Why the last search could not reach the network at all; empty when it could (then an
    // empty list means that nobody answered).
    const std::string& SearchProblem() const { return problem_; }

    const std::vector<SearchTarget>& criteria() const { return criteria_; }
    const std::string& appliedFilter() const { return appliedFilter_; }
    const secure::Secret& password() const { return password_; }

  protected:
    void setResult(std::vector<std::unique_ptr<FoundController>> found,
                   std::string problem = {}) {
        found_ = std::move(found);
        problem_ = std::move(problem);
    }

  private:
    bool active_ = false;
    std::string serialFilter_;
    std::string appliedFilter_;
    secure::Secret password_;
    std::vector<SearchTarget> criteria_;
    std::vector<std::unique_ptr<FoundController>> found_;
    std::string problem_;
};

}  // namespace components
