// A KVXreal C controller's web partitions: what a committed site and an activation change,
// what the web server answers from them, and the web-server settings' commit.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/image/ImageFile.h"
#include "platform/image/SiteArchive.h"
#include "platform/wire/Crc32.h"
#include "platform/wire/Request.h"
#include "platform/wire/Telegram.h"
#include "sim/BoilerConfig.h"
#include "sim/Controller.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "sim/WebSite.h"
#include "support/TempFolder.h"

namespace {

using wire::ReplyCode;
namespace tg = wire::telegram;

constexpr wire::Address kSelf = simtest::kBoilerAddress;
constexpr uint16_t kServices = 242;

sim::ControllerConfig webConfig() {
    sim::ControllerConfig c = simtest::boilerConfig();
    c.flashSize = 8 << 20;
    sim::PartitionConfig p;
    p.number = 16;
    p.maxSize = 1 << 20;
    c.partitions.push_back(p);
    p.number = 17;
    p.type = 3;
    c.partitions.push_back(p);
    p.number = 32;
    p.type = 2;
    c.partitions.push_back(p);
    c.activePartition = 16;
    return c;
}

std::vector<uint8_t> site() {
    std::string why;
    auto bytes = image::serializeSiteArchive(
        {{"index.html", {'<', 'h', '1', '>'}}, {"css/a.css", {'b', '{', '}'}}}, why);
    EXPECT_TRUE(bytes) << why;
    return bytes.value_or(std::vector<uint8_t>{});
}

struct WebSiteTest : ::testing::Test {
    sim::Controller controller{webConfig(), sim::initialState(webConfig())};

    ReplyCode send(const wire::Request& r) {
        sim::Outcome out = controller.handle(simtest::request(kSelf, r));
        return out.reply ? ReplyCode(out.reply->code1) : ReplyCode::NoAnswer;
    }
    ReplyCode load(uint8_t partition, const std::vector<uint8_t>& bytes) {
        sim::Outcome opened = controller.handle(simtest::request(
            kSelf, wire::TransferOpenRequest{wire::TransferTarget::Partition, partition,
                                             static_cast<uint32_t>(bytes.size()), 300, "Site"}));
        if (opened.reply->code1 != 0) return ReplyCode(opened.reply->code1);
        const uint32_t id = wire::decodeTransferOpenReply(opened.reply->payload)->transfer;
        send(wire::TransferBlockRequest{id, 0, bytes});
        return send(wire::TransferCommitRequest{id, wire::crc32(bytes)});
    }
    ReplyCode telegram(const tg::TelegramCommand& command) {
        sim::Outcome out = controller.handle(simtest::telegram(kSelf, tg::buildTelegram(command)));
        return ReplyCode(out.reply->code1);
    }
    ReplyCode write(int32_t index, const wire::Value& value) {
        sim::Outcome out = controller.handle(simtest::writeVar(kSelf, 1, kServices, index, value));
        return ReplyCode(out.reply->code1);
    }
    sim::HttpAnswer get(const std::string& target) {
        return sim::answerHttp(controller.state(),
                               "GET " + target + " HTTP/1.1\r\nHost: x\r\n\r\n");
    }
    int32_t attribute(uint8_t partition, uint16_t a) {
        return std::get<int32_t>(controller.state().partitions.at(partition).attributes.at(a));
    }
};

TEST_F(WebSiteTest, ACommittedSiteIsServedOnceActivated) {
    EXPECT_EQ(get("/index.html").status, 404) << "no active site";
    ASSERT_EQ(load(32, site()), ReplyCode::Ok);
    EXPECT_EQ(attribute(32, 5), 1) << "the partition holds an image";
    EXPECT_EQ(telegram(tg::Activate{32, 0}), ReplyCode::Refused)
        << "a site does not run as a program";
    EXPECT_EQ(telegram(tg::SetNumberAttribute{32, 4, 3}), ReplyCode::Ok);
    EXPECT_EQ(telegram(tg::Activate{32, 0}), ReplyCode::Ok);
    EXPECT_EQ(controller.state().http.activeSite, 32);

    const sim::HttpAnswer page = get("/index.html");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.body, "<h1>");
    EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
    EXPECT_EQ(get("/").body, "<h1>");
    EXPECT_EQ(get("/css/a.css?v=2").body, "b{}");
    EXPECT_EQ(get("/css%2Fa.css").body, "b{}");
    for (const char* target : {"/nothere.html", "/../index.html", "/css/../index.html", "/css/"})
        EXPECT_EQ(get(target).status, 404) << target;
    EXPECT_EQ(sim::answerHttp(controller.state(), "POST / HTTP/1.1\r\n\r\n").status, 405);
    EXPECT_EQ(sim::answerHttp(controller.state(), "nonsense\r\n\r\n").status, 400);

    // The program partition still runs; the state file keeps the site.
    sim::ControllerState back;
    std::string error;
    ASSERT_TRUE(sim::parseState(sim::serializeState(controller.state()), back, error)) << error;
    EXPECT_EQ(back.http, controller.state().http);
    EXPECT_EQ(back.partitions.at(32).site, controller.state().partitions.at(32).site);
    EXPECT_EQ(sim::answerHttp(back, "GET /index.html HTTP/1.0\r\n\r\n").body, "<h1>");
}

TEST_F(WebSiteTest, AProgramImageIsNoSite) {
    ASSERT_EQ(load(17, std::vector<uint8_t>(100, 0x42)), ReplyCode::Ok);
    EXPECT_TRUE(controller.state().partitions.at(17).site.empty());
    EXPECT_EQ(telegram(tg::Activate{17, 0}), ReplyCode::Refused)
        << "a program is not served as a site";
    EXPECT_EQ(controller.state().http.activeSite, -1);
}

TEST_F(WebSiteTest, TheServedSiteIsOverwrittenOnlyWithTheServerOff) {
    ASSERT_EQ(load(17, site()), ReplyCode::Ok);
    ASSERT_EQ(telegram(tg::Activate{17, 0}), ReplyCode::Ok);
    EXPECT_EQ(load(17, site()), ReplyCode::Refused);

    ASSERT_EQ(write(164, wire::Value::smallInt(0)), ReplyCode::Ok);
    EXPECT_TRUE(controller.state().http.enabled) << "nothing changes before the commit";
    ASSERT_EQ(write(163, wire::Value::boolean(true)), ReplyCode::Ok);
    EXPECT_FALSE(controller.state().http.enabled);
    EXPECT_EQ(get("/index.html").status, 503);
    EXPECT_EQ(load(17, site()), ReplyCode::Ok);

    ASSERT_EQ(write(164, wire::Value::smallInt(1)), ReplyCode::Ok);
    ASSERT_EQ(write(163, wire::Value::boolean(true)), ReplyCode::Ok);
    EXPECT_EQ(get("/index.html").status, 200);

    // The active site by its variable, taken at the commit.
    ASSERT_EQ(write(168, wire::Value::int16(-1)), ReplyCode::Ok);
    ASSERT_EQ(write(163, wire::Value::boolean(true)), ReplyCode::Ok);
    EXPECT_EQ(get("/index.html").status, 404);
}

TEST(SiteArchive, RoundTripAndRefusals) {
    const std::vector<image::SiteFile> files = {{"a.html", {'x'}}, {"img/b.png", {}}};
    std::string why;
    auto bytes = image::serializeSiteArchive(files, why);
    ASSERT_TRUE(bytes) << why;
    const image::SiteReading read = image::readSiteArchive(*bytes);
    EXPECT_TRUE(read.error.empty()) << read.error;
    EXPECT_EQ(read.files, files);

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string error;
    };
    std::vector<uint8_t> cut = *bytes;
    cut.pop_back();
    cut.pop_back();
    std::vector<uint8_t> longer = *bytes;
    longer.push_back(0);
    const std::vector<Case> cases = {
        {"a program", std::vector<uint8_t>(40, 0x42), "it holds no site archive"},
        {"cut short", cut, "the site archive is truncated"},
        {"bytes after its end", longer, "the site archive has bytes after its end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const image::SiteReading r = image::readSiteArchive(c.bytes);
        EXPECT_EQ(r.error, c.error);
        EXPECT_TRUE(r.files.empty());
    }
    for (const char* path : {"", "/etc/passwd", "../x", "a/../b", "a//b", "a\\b", "a/"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(image::sitePathProblem(path).empty());
        EXPECT_FALSE(image::serializeSiteArchive({{path, {}}}, why));
    }
    EXPECT_FALSE(image::serializeSiteArchive({{"a", {}}, {"a", {}}}, why));
    EXPECT_EQ(why, "a is given twice");
}

// The demo's web-site image is its sources, packed as the C++ side packs a folder.
TEST(SiteArchive, TheDemoImageHoldsItsSourceFolder) {
    const std::string source = testsupport::sourceDir();
    std::string why;
    auto files = image::siteFilesOf(source + "/demo/sites/heating-ventilation", why);
    ASSERT_TRUE(files) << why;
    auto packed = image::serializeSiteArchive(*files, why);
    ASSERT_TRUE(packed) << why;
    const image::Parsed demo = image::readImageFile(
        source + "/demo/product/Application programs/KVX300C/3.1/Module1/Image.Ecp");
    ASSERT_TRUE(demo.image) << demo.error;
    EXPECT_EQ(demo.image->kind, image::Kind::WebSite);
    EXPECT_EQ(demo.image->payload, *packed);
    EXPECT_FALSE(image::siteFilesOf(source + "/no such folder", why));
}

TEST(SiteArchive, AFolderWithALinkIsRefused) {
    testsupport::TempFolder temp;
    temp.write("site/index.html", "<p>hello</p>");
    temp.write("secret", "not for the web");
    std::filesystem::create_symlink(temp / "secret", temp / "site/passwd.txt");
    std::string why;
    EXPECT_FALSE(image::siteFilesOf(temp / "site", why));
    EXPECT_NE(why.find("symbolic link"), std::string::npos) << why;
}

// The web server as a process serves it: on loopback, switched off by its settings' commit,
// and moved to a committed port.
TEST(WebServer, ServesOnLoopbackAndFollowsItsCommittedSettings) {
    testsupport::TempFolder temp;
    temp.write("net.ini",
               "[Controller Gate]\nSerial=SN\nAddress=1:5\nKvxrealC=yes\nListen=127.0.0.1:0\n");
    simtest::SimProcess sim({"--network", temp / "net.ini"});
    ASSERT_TRUE(sim.waitReady()) << sim.stderrText();
    const std::string web = sim.http("Gate");
    ASSERT_EQ(web.rfind("127.0.0.1:", 0), 0u) << web;
    auto socket = simtest::connectTcp(sim.tcp("Gate"));
    ASSERT_TRUE(socket);
    simtest::TcpClient gate(std::move(*socket));
    const wire::Address direct{255, 30};
    auto port = [&] {
        auto reply =
            gate.exchange(simtest::readVar(direct, 1, wire::VarType::Long, kServices, 165));
        return reply ? wire::decodeReadReply(reply->payload)->value.integer : -1;
    };
    auto commit = [&](int32_t index, const wire::Value& value) {
        ASSERT_EQ(gate.exchange(simtest::writeVar(direct, 1, kServices, index, value))->code1, 0);
        ASSERT_EQ(
            gate.exchange(simtest::writeVar(direct, 1, kServices, 163, wire::Value::boolean(true)))
                ->code1,
            0);
    };
    EXPECT_EQ(port(), simtest::splitHostPort(web).port) << "the variable reads the port served";
    EXPECT_EQ(simtest::httpGet(web, "/").value_or(simtest::HttpReply{}).status, 404)
        << "no site is active";

    commit(164, wire::Value::smallInt(0));
    EXPECT_EQ(simtest::httpGet(web, "/").value_or(simtest::HttpReply{}).status, 503);

    commit(165, wire::Value::long32(0));  // any free port
    const int32_t moved = port();
    ASSERT_GT(moved, 0);
    auto there = simtest::httpGet("127.0.0.1:" + std::to_string(moved), "/");
    ASSERT_TRUE(there);
    EXPECT_EQ(there->status, 503) << "still switched off";
}

}  // namespace
