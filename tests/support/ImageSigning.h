#pragma once
// The tests' own product key: a key pair made once per test program, never the demo's. Images a
// test builds are signed with it, and it is installed where the loaders and kvxsim look.
#include <string>

#include "platform/image/ImageFile.h"
#include "platform/image/ImageSignature.h"

namespace testsupport {

const image::KeyPair& testKeys();
// The public key as the loaders hold the product's.
image::KeyReading testKey();
image::Image signedByTest(image::Image image);
// Writes the public key file at `path` (folders made), for kvxsim --image-key.
void writeTestKeyFile(const std::string& path);
// Makes the tests' key the product's in `productFolder` (its System/ImageKey.pub).
void installTestKey(const std::string& productFolder);

}  // namespace testsupport
