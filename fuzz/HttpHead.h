#pragma once
// The simulator's web server answering one request head, driven by one input: the body of the
// HTTP fuzz target, shared with the test that replays its seed corpus.
#include <cstdint>
#include <span>
#include <string>

namespace httpfuzz {

// Answers `bytes` as a request head for a controller serving a small fixed site. The answer
// must have a known status, a 200 must carry one of the site's files, and the response must
// be well formed. False (with the reason in `failure`) when one of these does not hold.
bool exerciseHttpHead(std::span<const uint8_t> bytes, std::string& failure);
// Whether the head gets one of the site's files.
bool answeredWithFile(std::span<const uint8_t> bytes);

}  // namespace httpfuzz
