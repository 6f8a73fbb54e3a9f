#pragma once
// Request telegrams to a controller: one exchange routine and the services built on it.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/wire/TrialPayloads.h"

namespace program {
struct Program;
}

namespace clink {

// Status word bits written by SendRequest.
constexpr int32_t StatusCannotStart = 0x01000000;  // set alone: the exchange never started
constexpr int32_t StatusShortReply = 0x40000000;   // a reply held at most one byte
constexpr std::size_t ReplyCapacity = 128;

// Sends `request` (bytes 0 and 1 are filled with PLA and ELA) and waits until the library ends
// the exchange. `reply` comes back with 128 bytes, or the received bytes when more than one
// arrived. `replyLength` goes to the fetch as the capacity, cut to 0..128 so that no caller can
// let the library write past the buffer, and returns the received count. Bit 15 of
// `flags` turns option 0 into 1 and is cleared in the caller's variable; bit 12 waits with the
// library's yield call instead of 1 ms sleeps. `status` gets reply code 1 in bits 0..7 and
// 16..23, reply code 2 in bits 8..15 (sign-extended), bit 30 for a reply of at most one byte,
// or exactly StatusCannotStart. The library may change `label`; the change is kept.
// Raises OverflowError for a PLA or ELA outside 0..255 or a reply code 2 outside -128..127.
bool SendRequest(Platform& platform, int32_t& link, int16_t& pla, int16_t& ela,
                 std::vector<uint8_t>& request, std::vector<uint8_t>& reply, int16_t& replyLength,
                 int32_t& flags, int32_t& status, std::string& label, int16_t option);

// True when a controller answers at that address on the current link.
bool PollController(program::Program& program, int16_t pla, int16_t ela);
// The same poll, with how it ended: the status word and the bytes that came back (the
// controller's own PLA and ELA).
bool PollController(program::Program& program, int16_t pla, int16_t ela, int32_t& status,
                    std::vector<uint8_t>& reply);
// The poll on a given link, with the caller's flags, status and label.
bool PollWithLink(Platform& platform, int32_t link, int16_t pla, int16_t ela, int32_t& flags,
                  int32_t& status, std::string& label);

// Start commands: the result is not used; both then wait 3 seconds, keeping events flowing.
void CoolStart(Platform& platform, int32_t link, int16_t pla, int16_t ela);
void ColdStart(Platform& platform, int32_t link, int16_t pla, int16_t ela);

// x and y go as one byte each.
bool ActivateApplication(Platform& platform, int32_t link, int16_t pla, int16_t ela, int16_t x,
                         int16_t y);

// Activation on trial: runs partition/subApplication and has the controller go back to
// returnPartition/returnSubApplication by itself unless the trial is confirmed in time.
// NotKnown: the controller answered UnknownCommand (it was built before the trial).
enum class TrialAnswer { Accepted, NotKnown, Failed };
TrialAnswer ActivateOnTrial(Platform& platform, int32_t link, int16_t pla, int16_t ela,
                            int16_t partition, int16_t subApplication, int16_t returnPartition,
                            int16_t returnSubApplication, uint32_t askMs, uint32_t& grantedMs);
bool ConfirmTrial(Platform& platform, int32_t link, int16_t pla, int16_t ela, int16_t partition,
                  int16_t subApplication);
// Where the controller's trial stands; false when it did not answer or answered nonsense.
bool ReadTrialStatus(Platform& platform, int32_t link, int16_t pla, int16_t ela,
                     wire::TrialReport& report);

// Partition services. `flags` matters only for bit 14 (no code-page conversion of texts); an
// empty label becomes the service's own name.

// The controller's partition numbers, one byte each, as many as arrived (none: the empty list;
// status bit 30 is still set for a reply of at most one byte). A failure gives false and the
// whole 128-byte reply buffer.
bool GetAllPartitions(Platform& platform, int32_t link, int16_t pla, int16_t ela,
                      std::vector<uint8_t>& partitions, int32_t flags, int32_t& status,
                      const std::string& label = {});
// `value` is set only when the reply holds exactly 4 bytes (little-endian).
bool GetPartAttrH(Platform& platform, int32_t link, int16_t pla, int16_t ela, uint8_t partition,
                  int16_t attribute, int32_t& value, int32_t flags, int32_t& status,
                  const std::string& label = {});
bool SetPartAttrH(Platform& platform, int32_t link, int16_t pla, int16_t ela, uint8_t partition,
                  int16_t attribute, int32_t value, int32_t flags, int32_t& status,
                  const std::string& label = {});
// `text` is UTF-8, converted from the controller's code page 850 unless bit 14 is set (then
// the reply bytes as they came). Set only when the result is true.
bool GetPartStringAttr(Platform& platform, int32_t link, int16_t pla, int16_t ela,
                       uint8_t partition, int16_t attribute, std::string& text, int32_t flags,
                       int32_t& status, const std::string& label = {});
// `text` is UTF-8, sent in code page 850 unless bit 14 is set (then its bytes as they are).
// A text longer than a controller keeps (127 bytes) is not sent: false, and `status` holds
// reply code OutOfRange as the controller would answer.
bool SetPartStringAttr(Platform& platform, int32_t link, int16_t pla, int16_t ela,
                       uint8_t partition, int16_t attribute, const std::string& text, int32_t flags,
                       int32_t& status, const std::string& label = {});

}  // namespace clink
