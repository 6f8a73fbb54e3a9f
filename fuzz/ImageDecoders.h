#pragma once
// The image container and the site archive readers, driven by one input: the bodies of their
// fuzz targets, shared with the tests that replay the seed corpora.
#include <cstdint>
#include <span>
#include <string>

namespace imagefuzz {

// Reads `bytes` as an image file. Whatever reads must write back to the same bytes; whatever
// is refused must say why. False (with the reason in `failure`) when one of these does not hold.
bool exerciseImageReader(std::span<const uint8_t> bytes, std::string& failure);

// Reads `bytes` as a site archive. Whatever reads must hold only paths that stay inside the
// site and write back to the same bytes.
bool exerciseSiteReader(std::span<const uint8_t> bytes, std::string& failure);

}  // namespace imagefuzz
