#include "ImageDecoders.h"

#include <algorithm>
#include <vector>

#include "platform/image/ImageFile.h"
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
    const auto written = image::serializeImage(*parsed.image);
    if (!written || !same(bytes, *written))
        return fail(failure, "an image read does not write back to its bytes");
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
