#include "ImageDecoders.h"

#include <algorithm>
#include <vector>

#include "platform/image/ImageFile.h"
#include "platform/image/ImageSignature.h"
#include "platform/image/SiteArchive.h"

namespace imagefuzz {
namespace {

bool same(std::span<const uint8_t> a, const std::vector<uint8_t>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

bool fail(std::string& failure, std::string why) {
    failure = std::move(why);
    return false;
}

}  // namespace

bool exerciseImageReader(std::span<const uint8_t> bytes, std::string& failure) {
    const image::Parsed parsed = image::parseImage(bytes);
    if (!parsed.image) return !parsed.error.empty() || fail(failure, "refused without a reason");
    const image::Image& read = *parsed.image;
    const auto written = image::serializeImage(read);
    if (!written || !same(bytes, *written))
        return fail(failure, "an image read does not write back to its bytes");
    // The head a commit carries is the file's own, and reads as the file did.
    const image::HeadReading head = image::parseHead(bytes);
    if (!head.head || head.head->kind != read.kind || head.head->model != read.model ||
        head.head->version != read.version || head.head->name != read.name ||
        head.head->versionText != read.versionText ||
        head.head->payloadSize != read.payload.size())
        return fail(failure, "the head of an image read does not read as the image");
    if (head.head->format == 2 && !same(bytes.first(head.size), image::encodeHead(read, 2)))
        return fail(failure, "a signed image's head does not encode back to its bytes");
    // Checking the signature of whatever was read ends with an answer, and a missing one is
    // never taken for a good one.
    const image::PublicKey key{0x68, 0xca, 0xf3, 0x6b};
    const std::string problem = image::signatureProblem(read, key);
    if (read.signature.empty() && problem.empty())
        return fail(failure, "an unsigned image passed the signature check");
    return true;
}

bool exerciseSiteReader(std::span<const uint8_t> bytes, std::string& failure) {
    const image::SiteReading site = image::readSiteArchive(bytes);
    if (!site.error.empty()) return true;
    for (const image::SiteFile& file : site.files)
        if (!image::sitePathProblem(file.path).empty())
            return fail(failure, "a site file's path leaves the site: " + file.path);
    std::string why;
    const auto written = image::serializeSiteArchive(site.files, why);
    if (!written || !same(bytes, *written))
        return fail(failure, "a site read does not write back to its bytes: " + why);
    return true;
}

}  // namespace imagefuzz
