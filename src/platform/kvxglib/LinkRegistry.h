#pragma once
// The open links of the programs of one machine, announced in its machine folder so that a
// tool started by a program can open a link of its own to the same controller: a handle
// means nothing outside the process that opened it. One file per link, "links/<pid>-<handle>",
// holds the link's name ("tcp:HOST:PORT", "serial:PATH"), its serial rate, whether it
// runs the password handshake and the serial number of the controller it was opened for;
// never a password. An entry lives as long as its link; entries of processes that are gone are
// ignored and cleared by the next lookup.
#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace kvxglib {

struct RegisteredLink {
    std::string name;
    uint32_t baud = 0;  // 0: the Baud of Kvxmatic.Ini
    // The link proved the network password: a borrower needs the password too.
    bool encrypted = false;
    // The controller the link was opened for, as the user chose it from discovery: a borrower
    // that proves the password binds its handshake to it. Empty when only an address is known.
    std::string serial{};
};

class LinkRegistry {
  public:
    // `owner` is the process the entries belong to (this one unless a test says otherwise).
    explicit LinkRegistry(std::string machineDir, long owner = 0);
    ~LinkRegistry();
    LinkRegistry(const LinkRegistry&) = delete;
    LinkRegistry& operator=(const LinkRegistry&) = delete;

    // False when the entry could not be written (no machine folder, say); the link itself
    // works on, only other programs cannot find it.
    bool add(int32_t handle, const RegisteredLink& link, std::string* why = nullptr);
    void remove(int32_t handle);

    // The link `handle` of process `owner`; when that process has none, the one live
    // process's link with that handle. Nothing, with the reason, when none or several fit.
    static std::optional<RegisteredLink> find(const std::string& machineDir, int32_t handle,
                                              long owner, std::string& why);
    // The folder of the entries.
    static std::string folder(const std::string& machineDir);

  private:
    std::string machineDir_;
    long owner_;
    std::set<int32_t> handles_;
};

}  // namespace kvxglib
