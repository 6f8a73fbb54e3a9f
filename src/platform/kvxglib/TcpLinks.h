#pragma once
// Links beyond link 0. Each link opened here is announced in the machine folder's link
// registry (LinkRegistry.h) until it closes. Link 0 is the serial port that Kvxmatic.Ini names (section Link, keys
// Port and Baud); TCP links, and serial ports named by a tool, are opened here and get handles
// from 1 up, which every traffic call of the library then accepts as its link handle. A
// handle stays valid until closed: a link that breaks is reconnected by its next exchange.
// Time-outs come from section Link of Kvxmatic.Ini as the link is opened.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/comm/PasswordCheck.h"
#include "platform/secure/Sodium.h"

namespace ui {
class Screen;
}
namespace comm {
class LinkAccess;
}

namespace kvxglib {

class RealLibrary;

// Connects at once, within TcpConnectTimeoutMs. The handle, or 0 with `why` set when the
// controller cannot be reached. `serial`: the controller meant, kept in the link registry for
// a tool that may have to prove the password to it later.
int32_t openTcpLink(RealLibrary& library, const std::string& host, uint16_t port,
                    std::string* why = nullptr, const std::string& serial = {});
// A TCP link on which `password` is proved to the controller (and the controller proves it
// back) before anything else travels; every frame on it is then sealed. The password itself
// never travels; the link shares the caller's buffer (no copy), to run the handshake again after
// every reconnect (cold start, IP change, restart). The handle, or 0 with `why` set and
// `check` saying why (Refused, RateLimited or Unreachable). `serial`: the controller meant
// (as discovery found it), bound into the handshake so that another controller with the same
// password at that address is refused; empty when only the address is known.
int32_t openSecureTcpLink(RealLibrary& library, const std::string& host, uint16_t port,
                          const secure::Secret& password, std::string* why = nullptr,
                          comm::PasswordCheck* check = nullptr, const std::string& serial = {});
// Whether the controller accepts `password`, by the same challenge-response on a connection
// of its own that is closed again; the password never travels. A refused proof counts towards
// the controller's limit of failed proofs.
// Both prove the password at most 3 times a minute to one controller from this machine, however
// many programs and runs ask (ProofTimes.h: under `serial`, or the address without one); a
// proof the controller did not prove back keeps counting for the minute.
comm::PasswordCheck checkNetworkPassword(RealLibrary& library, const std::string& host,
                                         uint16_t port, const secure::Secret& password,
                                         std::string* why = nullptr,
                                         const std::string& serial = {});
// Opens the serial port at `path`; `baud` 0 takes Baud of Kvxmatic.Ini. The handle, or 0 with
// `why` set.
int32_t openSerialLink(RealLibrary& library, const std::string& path, uint32_t baud,
                       std::string* why = nullptr);
// Opens link 0, the serial port of Kvxmatic.Ini, now rather than at its first exchange;
// false with `why` naming the port and the key it came from.
bool openLinkZero(RealLibrary& library, std::string& why);
// A link by its name as links name themselves ("tcp:HOST:PORT", "serial:PATH"), as the link
// registry hands it on. With a `password`, a TCP link is opened as by openSecureTcpLink, bound
// to the controller `serial` (which it then requires), and `check` says how the password
// fared. The handle, or 0 with `why` set.
int32_t openNamedLink(RealLibrary& library, const std::string& name, uint32_t baud,
                      std::string* why = nullptr, const secure::Secret* password = nullptr,
                      comm::PasswordCheck* check = nullptr, const std::string& serial = {});
// False for link 0 and unknown handles. An exchange still running on the link ends as lost.
bool closeLink(RealLibrary& library, int32_t handle);

// The library's links by handle, for the components that run transfers on a given link.
// Valid as long as the library.
comm::LinkAccess& linkAccess(RealLibrary& library);
// One request of `command` with `payload` to 255:30 on the link, to its end. True for an Ok
// reply, whose payload lands in `reply`; otherwise `why` says what went wrong.
bool runDirectCommand(RealLibrary& library, int32_t handle, uint8_t command,
                      std::vector<uint8_t> payload, std::vector<uint8_t>& reply, std::string& why);

// The screen whose events the yield call (#2145) processes; null: the call just returns.
void setYieldScreen(RealLibrary& library, ui::Screen* screen);

}  // namespace kvxglib
