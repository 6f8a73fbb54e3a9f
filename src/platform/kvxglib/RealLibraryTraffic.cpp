// Controller traffic of the general library, over the links of platform/comm. Reads, writes
// and the clock wait for their exchange (which always ends: reply, failure to start or the
// link's time-out); request objects run theirs in the background while the caller polls.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "platform/comm/LinkAccess.h"
#include "platform/comm/LinkTable.h"
#include "platform/comm/PresenceProbe.h"
#include "platform/comm/SerialLink.h"
#include "platform/comm/StatusWord.h"
#include "platform/comm/TcpLink.h"
#include "platform/comm/WriteBatch.h"
#include "platform/kvxglib/LinkRegistry.h"
#include "platform/kvxglib/ProofTimes.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/secure/PasswordCharacters.h"
#include "platform/text/Text.h"
#include "platform/ui/Screen.h"
#include "platform/wire/Request.h"

namespace kvxglib {

namespace {

constexpr int32_t True = -1;
constexpr int32_t False = 0;
// Request objects alive at once; the program holds one at a time.
constexpr std::size_t kMaxRequestObjects = 1024;
// How long #810 waits for the end of an exchange before it answers "not yet".
constexpr std::chrono::microseconds kPollWait{200};

// A request object (#802): bound to a link, loaded with one request, running one exchange.
struct RequestObject {
    int32_t link = 0;
    bool bound = false;
    std::optional<wire::Frame> request;
    std::shared_ptr<comm::Exchange> exchange;
};

// Handles resolve as the traffic calls resolve them: link 0 follows the settings.
class TrafficLinks final : public comm::LinkAccess {
  public:
    comm::ExchangeEngine* engine(int32_t handle) override;
    RealLibrary* library = nullptr;  // set when first handed out
};

}  // namespace

struct TrafficState {
    comm::LinkTable links;
    TrafficLinks access;
    std::map<RequestHandle, RequestObject> requests;
    RequestHandle nextRequest = 1;
    comm::WriteBatch batch;
    ui::Screen* screen = nullptr;
    std::unique_ptr<LinkRegistry> registry;  // made with the first link opened by address
    // Shared by every password-protected link and every program of the machine; made with
    // the first one.
    std::unique_ptr<ProofTimes> proofs;
};

TrafficState* newTrafficState() { return new TrafficState(); }
void TrafficStateDeleter::operator()(TrafficState* state) const { delete state; }

namespace {

comm::LinkSettings linkSettings(RealLibrary& lib) {
    return comm::readLinkSettings([&lib](const char* key) -> std::string {
        return lib.ReadSetting("Kvxmatic.Ini", comm::kLinkSection, key, "");
    });
}

// The engine of a link handle; link 0 follows the machine settings as they are now.
comm::ExchangeEngine* engineFor(RealLibrary& lib, int32_t link) {
    TrafficState& t = lib.traffic();
    if (link == 0) t.links.configureLinkZero(linkSettings(lib));
    return t.links.find(link);
}

void setStatus(int32_t* status, int32_t value) {
    if (status != nullptr) *status = value;
}

int32_t linkLocalStatus(wire::ReplyCode code) { return comm::statusWord(wire::code(code), 0); }

// The status word of an exchange that ended without an Ok reply.
int32_t failureStatus(const comm::Outcome& outcome) {
    switch (outcome.ending) {
        case comm::Ending::Reply:
            return comm::statusWord(outcome.reply.code1, outcome.reply.code2);
        case comm::Ending::NotStarted:
            return comm::kStatusNotStarted;
        case comm::Ending::TimedOut:
            return linkLocalStatus(wire::ReplyCode::TimedOut);
        case comm::Ending::LinkLost:
            return linkLocalStatus(wire::ReplyCode::LinkLost);
    }
    return comm::kStatusNotStarted;
}

bool isOk(const comm::Outcome& outcome) {
    return outcome.ending == comm::Ending::Reply &&
           outcome.reply.code1 == wire::code(wire::ReplyCode::Ok);
}

// ---- VarRef and the value carrier ----

std::optional<wire::Address> addressOf(const VarRef& ref) {
    if (ref.pla < 0 || ref.pla > 255 || ref.ela < 0 || ref.ela > 255) return std::nullopt;
    return wire::Address{static_cast<uint8_t>(ref.pla), static_cast<uint8_t>(ref.ela)};
}

std::optional<wire::VarAddress> varAddressOf(const VarRef& ref) {
    if (ref.kind < wire::kMinKind || ref.kind > wire::kMaxKind) return std::nullopt;
    if (ref.type < 1 || ref.type > 6) return std::nullopt;
    // The file travels as an unsigned 16-bit number; the record keeps it signed.
    return wire::VarAddress{static_cast<uint8_t>(ref.kind), static_cast<wire::VarType>(ref.type),
                            static_cast<uint16_t>(ref.file), ref.index};
}

// The carrier type word of each data type.
uint16_t carrierType(wire::VarType type) {
    switch (type) {
        case wire::VarType::Boolean:
            return vt::Bool;
        case wire::VarType::SmallInt:
        case wire::VarType::Int:
            return vt::I2;
        case wire::VarType::Real:
            return vt::R4;
        case wire::VarType::Text:
            return vt::BStr;
        case wire::VarType::Long:
            return vt::I4;
    }
    return 0;
}

bool carrierFits(const Variant& value, wire::VarType type) {
    return value.data != nullptr && value.type == (vt::ByRef | carrierType(type));
}

// The carrier's value as the variable's type. A long integer may come as its decimal text
// (kind-5 long integers are handed over that way); it still travels as a number.
std::optional<wire::Value> valueFrom(const Variant& value, wire::VarType type) {
    if (type == wire::VarType::Long && value.data != nullptr &&
        value.type == (vt::ByRef | vt::BStr)) {
        const std::string digits = text::fromWide(*static_cast<const std::u16string*>(value.data));
        int32_t number = 0;
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
            return std::nullopt;
        }
        return wire::Value::long32(number);
    }
    if (!carrierFits(value, type)) return std::nullopt;
    switch (type) {
        case wire::VarType::Boolean:
            // Controllers know only -1 and 0.
            return wire::Value::boolean(*static_cast<const int16_t*>(value.data) != 0);
        case wire::VarType::SmallInt:
            return wire::Value::smallInt(*static_cast<const int16_t*>(value.data));
        case wire::VarType::Int:
            return wire::Value::int16(*static_cast<const int16_t*>(value.data));
        case wire::VarType::Real:
            return wire::Value::real32(*static_cast<const float*>(value.data));
        case wire::VarType::Text:
            return wire::Value::oemText(
                text::toOem(text::fromWide(*static_cast<const std::u16string*>(value.data))));
        case wire::VarType::Long:
            return wire::Value::long32(*static_cast<const int32_t*>(value.data));
    }
    return std::nullopt;
}

void storeValue(const wire::Value& v, Variant& value) {
    switch (v.type) {
        case wire::VarType::Boolean:
        case wire::VarType::SmallInt:
        case wire::VarType::Int:
            *static_cast<int16_t*>(value.data) = static_cast<int16_t>(v.integer);
            break;
        case wire::VarType::Real:
            *static_cast<float*>(value.data) = v.real;
            break;
        case wire::VarType::Text:
            *static_cast<std::u16string*>(value.data) = text::toWide(text::fromOem(v.text));
            break;
        case wire::VarType::Long:
            *static_cast<int32_t*>(value.data) = v.integer;
            break;
    }
}

// A write request from the record and the carrier; nothing when either is malformed.
std::optional<std::pair<wire::Address, wire::WriteRequest>> writeFrom(const VarRef* ref,
                                                                      const Variant* value) {
    if (ref == nullptr || value == nullptr) return std::nullopt;
    const auto address = addressOf(*ref);
    const auto var = varAddressOf(*ref);
    if (!address || !var) return std::nullopt;
    auto v = valueFrom(*value, var->type);
    if (!v) return std::nullopt;
    return std::make_pair(*address, wire::WriteRequest{*var, std::move(*v)});
}

// Runs one exchange to its end and sets the status word; true for an Ok reply.
bool runExchange(RealLibrary& lib, int32_t link, wire::Address address,
                 const wire::Request& request, int32_t* status, comm::Outcome& outcome) {
    comm::ExchangeEngine* engine = engineFor(lib, link);
    if (engine == nullptr) {
        setStatus(status, comm::kStatusNotStarted);
        return false;
    }
    outcome = engine->run(address, request);
    if (!isOk(outcome)) {
        setStatus(status, failureStatus(outcome));
        return false;
    }
    setStatus(status, 0);
    return true;
}

RequestObject* findRequest(TrafficState& t, RequestHandle handle) {
    const auto it = t.requests.find(handle);
    return it == t.requests.end() ? nullptr : &it->second;
}

// A connected link gets its handle and its entry in the link registry.
int32_t announce(RealLibrary& lib, std::unique_ptr<comm::ExchangeEngine> engine,
                 const RegisteredLink& entry, std::string* why) {
    TrafficState& t = lib.traffic();
    const int32_t handle = t.links.add(std::move(engine));
    if (handle == 0) {
        if (why != nullptr) *why = "no link handles left";
        return 0;
    }
    if (!t.registry) t.registry = std::make_unique<LinkRegistry>(lib.machineConfig().machineDir());
    // Unregistered, the link still serves this program; only the tools it starts cannot
    // borrow it, and they say so.
    t.registry->add(handle, entry);
    return handle;
}

std::unique_ptr<comm::LinkSecurity> securityFor(RealLibrary& lib, const std::string& host,
                                                uint16_t port, const secure::Secret& password,
                                                const std::string& serial = {}) {
    TrafficState& t = lib.traffic();
    if (!t.proofs) t.proofs = std::make_unique<ProofTimes>(lib.machineConfig().machineDir());
    return std::make_unique<comm::LinkSecurity>(password, t.proofs.get(),
                                                host + ":" + std::to_string(port), serial);
}

int32_t addEngine(RealLibrary& lib, std::unique_ptr<comm::Link> link, uint32_t baud,
                  std::string* why, const std::string& serial = {}) {
    const std::string name = link->name();
    auto engine = std::make_unique<comm::ExchangeEngine>(std::move(link));
    std::string reason;
    if (!engine->connect(reason)) {
        if (why != nullptr) *why = reason;
        return 0;
    }
    return announce(lib, std::move(engine), {name, baud, false, serial}, why);
}

}  // namespace

// ---- links ----

int32_t openTcpLink(RealLibrary& library, const std::string& host, uint16_t port,
                    std::string* why, const std::string& serial) {
    return addEngine(library, std::make_unique<comm::TcpLink>(host, port, linkSettings(library)),
                     0, why, serial);
}

int32_t openSecureTcpLink(RealLibrary& library, const std::string& host, uint16_t port,
                          const secure::Secret& password, std::string* why,
                          comm::PasswordCheck* check, const std::string& serial) {
    auto link = std::make_unique<comm::TcpLink>(host, port, linkSettings(library),
                                                securityFor(library, host, port, password, serial));
    // The engine owns the link from here on; it outlives this call.
    const comm::TcpLink* watched = link.get();
    auto engine = std::make_unique<comm::ExchangeEngine>(std::move(link));
    std::string reason;
    const bool connected = engine->connect(reason);
    if (check != nullptr) *check = watched->passwordCheck();
    if (!connected) {
        if (why != nullptr) *why = reason;
        return 0;
    }
    return announce(library, std::move(engine), {watched->name(), 0, true, serial}, why);
}

comm::PasswordCheck checkNetworkPassword(RealLibrary& library, const std::string& host,
                                         uint16_t port, const secure::Secret& password,
                                         std::string* why, const std::string& serial) {
    comm::TcpLink link(host, port, linkSettings(library),
                       securityFor(library, host, port, password, serial));
    std::string reason;
    link.open(reason);
    if (why != nullptr) *why = reason;
    return link.passwordCheck();
}

int32_t openSerialLink(RealLibrary& library, const std::string& path, uint32_t baud,
                       std::string* why) {
    comm::LinkSettings settings = linkSettings(library);
    if (baud != 0) settings.baud = baud;
    return addEngine(library, std::make_unique<comm::SerialLink>(path, settings), baud, why);
}

int32_t RealLibrary::PasswordCharactersAllowed(const std::u16string& text) {
    return secure::passwordCharactersAllowed(text) ? True : False;
}

bool closeLink(RealLibrary& library, int32_t handle) {
    TrafficState& t = library.traffic();
    if (t.registry) t.registry->remove(handle);
    return t.links.remove(handle);
}

bool openLinkZero(RealLibrary& library, std::string& why) {
    const comm::LinkSettings settings = linkSettings(library);
    const std::string origin = "key " + std::string(comm::kPortKey) + " of section [" +
                               comm::kLinkSection + "] in " +
                               library.machineConfig().settingsFile();
    comm::ExchangeEngine* engine = engineFor(library, 0);
    if (engine == nullptr) {
        why = "there is no serial port: " + origin + " is empty";
        return false;
    }
    std::string reason;
    if (!engine->connect(reason)) {
        why = "cannot open the serial port " + settings.port + " (" + origin + "): " + reason;
        return false;
    }
    return true;
}

int32_t openNamedLink(RealLibrary& library, const std::string& name, uint32_t baud,
                      std::string* why, const secure::Secret* password, comm::PasswordCheck* check,
                      const std::string& serial) {
    const auto fail = [why](std::string reason) {
        if (why != nullptr) *why = std::move(reason);
        return 0;
    };
    if (name.rfind("serial:", 0) == 0) {
        if (name.size() == 7) return fail("serial: names no device");
        if (password != nullptr) return fail("a serial link has no password handshake");
        return openSerialLink(library, name.substr(7), baud, why);
    }
    if (name.rfind("tcp:", 0) != 0) return fail("\"" + name + "\" is neither tcp: nor serial:");
    const std::string rest = name.substr(4);
    const size_t colon = rest.rfind(':');
    unsigned port = 0;
    const char* end = rest.data() + rest.size();
    if (colon == std::string::npos || colon == 0 ||
        std::from_chars(rest.data() + colon + 1, end, port).ptr != end || port == 0 ||
        port > 65535) {
        return fail("\"" + name + "\" is not tcp:HOST:PORT");
    }
    std::string host = rest.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (password != nullptr) {
        // By address alone the handshake would take whatever serial number the answer names,
        // and a relay to another controller with the same password would pass.
        if (serial.empty())
            return fail("the controller at " + name + " is not known by its serial number");
        return openSecureTcpLink(library, host, static_cast<uint16_t>(port), *password, why, check,
                                 serial);
    }
    return openTcpLink(library, host, static_cast<uint16_t>(port), why);
}

comm::ExchangeEngine* TrafficLinks::engine(int32_t handle) {
    return library != nullptr ? engineFor(*library, handle) : nullptr;
}

comm::LinkAccess& linkAccess(RealLibrary& library) {
    library.traffic().access.library = &library;
    return library.traffic().access;
}

bool runDirectCommand(RealLibrary& library, int32_t handle, uint8_t command,
                      std::vector<uint8_t> payload, std::vector<uint8_t>& reply, std::string& why) {
    comm::ExchangeEngine* engine = handle == 0 ? nullptr : library.traffic().links.find(handle);
    if (engine == nullptr) {
        why = "no link " + std::to_string(handle);
        return false;
    }
    wire::Frame request;
    request.address = wire::kDirectAddress;
    request.command = command;
    request.payload = std::move(payload);
    const auto exchange = engine->submit(std::move(request));
    const comm::Outcome& outcome = exchange->wait();
    if (outcome.ending != comm::Ending::Reply) {
        why = outcome.why.empty() ? comm::endingName(outcome.ending) : outcome.why;
        return false;
    }
    if (outcome.reply.code1 != 0) {
        why = std::string("reply code ") + wire::replyCodeName(outcome.reply.code1);
        return false;
    }
    reply = outcome.reply.payload;
    return true;
}

void setYieldScreen(RealLibrary& library, ui::Screen* screen) { library.traffic().screen = screen; }

// ---- variables ----

int32_t RealLibrary::ReadVariable(int32_t link, VarRef* ref, Variant* value, int32_t count, int32_t,
                                  int32_t, int32_t* status, const char16_t*) {
    const auto address = ref != nullptr ? addressOf(*ref) : std::nullopt;
    const auto var = ref != nullptr ? varAddressOf(*ref) : std::nullopt;
    if (count != 1 || !address || !var || value == nullptr || !carrierFits(*value, var->type)) {
        setStatus(status, linkLocalStatus(wire::ReplyCode::BadRequest));
        return False;
    }
    comm::Outcome outcome;
    if (!runExchange(*this, link, *address, wire::ReadRequest{*var}, status, outcome)) return False;
    const auto reply = wire::decodeReadReply(outcome.reply.payload);
    if (!reply || reply->value.type != var->type) {
        setStatus(status, linkLocalStatus(wire::ReplyCode::BadReply));
        return False;
    }
    storeValue(reply->value, *value);
    return True;
}

int32_t RealLibrary::WriteVariable(int32_t link, VarRef* ref, Variant* value, int32_t count,
                                   int32_t, int32_t, int32_t* status, const char16_t*) {
    const auto write = writeFrom(ref, value);
    if (count != 1 || !write) {
        setStatus(status, linkLocalStatus(wire::ReplyCode::BadRequest));
        return False;
    }
    comm::Outcome outcome;
    return runExchange(*this, link, write->first, write->second, status, outcome) ? True : False;
}

// ---- write batch ----

int32_t RealLibrary::OpenWriteBatch(uint8_t** start, uint8_t** cursor, int32_t, int32_t* status) {
    if (start == nullptr || cursor == nullptr) return False;
    *start = traffic_->batch.open();
    *cursor = *start + 1;
    setStatus(status, 0);
    return True;
}

int32_t RealLibrary::AppendWrite(VarRef* ref, Variant* value, uint8_t* start, uint8_t** cursor,
                                 int32_t count, int32_t, int32_t* status) {
    const auto write = writeFrom(ref, value);
    if (count != 1 || !write || cursor == nullptr ||
        !traffic_->batch.append(write->first, write->second, start, *cursor)) {
        setStatus(status, linkLocalStatus(wire::ReplyCode::BadRequest));
        return False;
    }
    setStatus(status, 0);
    return True;
}

// ---- request objects ----

RequestHandle RealLibrary::CreateRequest(int32_t) {
    TrafficState& t = *traffic_;
    if (t.requests.size() >= kMaxRequestObjects || t.nextRequest == INT32_MAX) return 0;
    const RequestHandle handle = t.nextRequest++;
    t.requests.emplace(handle, RequestObject{});
    return handle;
}

// Link 0 is always bindable: whether its port opens shows when the exchange starts.
int32_t RealLibrary::BindRequest(RequestHandle request, int32_t link) {
    RequestObject* object = findRequest(*traffic_, request);
    if (object == nullptr || (link != 0 && traffic_->links.find(link) == nullptr)) return False;
    object->link = link;
    object->bound = true;
    return True;
}

// The bytes are a request telegram (PLA, ELA, command, parameters) or, when they are the
// open write batch, that batch (count and entries) for the address of its entries.
int32_t RealLibrary::SubmitRequest(RequestHandle request, const uint8_t* bytes, int16_t count,
                                   int16_t option, int32_t, std::string&) {
    RequestObject* object = findRequest(*traffic_, request);
    if (object == nullptr || bytes == nullptr || count <= 0) return False;
    object->request.reset();
    object->exchange.reset();
    const auto size = static_cast<std::size_t>(count);
    if (traffic_->batch.owns(bytes)) {
        auto batch = traffic_->batch.take(size);
        if (!batch) return False;
        wire::Frame frame;
        frame.address = batch->first;
        frame.command = wire::code(wire::Command::WriteBatch);
        frame.payload = std::move(batch->second);
        object->request = std::move(frame);
        return True;
    }
    if (size < 3 || option < 0 || option > 2) return False;
    wire::TelegramRequest telegram{static_cast<uint8_t>(option),
                                   std::vector<uint8_t>(bytes + 2, bytes + size)};
    auto frame = wire::makeRequestFrame({bytes[0], bytes[1]}, 0, telegram);
    if (!frame) return False;
    object->request = std::move(frame).value();
    return True;
}

// Returns once the request is on the line, or could not be put there (the link does not
// open, the frame is too large). Only reopening a TCP link makes that wait noticeable, and
// never longer than its connect time-out. A presence probe may end here at once, answered from
// the bus head's station list, which it first fetches when stale (PresenceProbe.h).
int32_t RealLibrary::StartExchange(RequestHandle request) {
    RequestObject* object = findRequest(*traffic_, request);
    if (object == nullptr || !object->bound || !object->request) return False;
    if (object->exchange && !object->exchange->done()) return False;
    comm::ExchangeEngine* engine = engineFor(*this, object->link);
    if (engine == nullptr) return False;
    object->exchange =
        comm::submitRequest(*engine, *object->request, std::chrono::steady_clock::now());
    return object->exchange->waitStarted() ? True : False;
}

// Complete also when nothing runs, so that a caller that polls anyway stops at once. Waits a
// fraction of a millisecond for the end before saying "not yet": a caller polling in a loop
// then sleeps instead of taking the processor from the link and the controller.
int32_t RealLibrary::ExchangeComplete(RequestHandle request) {
    const RequestObject* object = findRequest(*traffic_, request);
    if (object == nullptr || !object->exchange) return True;
    return object->exchange->waitFor(kPollWait) ? True : False;
}

void RealLibrary::Yield() {
    if (traffic_->screen != nullptr) traffic_->screen->processEvents();
}

// Succeeds only for an Ok reply that fits the capacity: its bytes are copied and the length
// says how many. Otherwise the codes tell how the exchange ended (a controller's refusal, a
// link-local code: timed out, link lost, not started, or TooLarge for a reply longer than the
// caller's buffer, which is never cut) and nothing is copied.
int32_t RealLibrary::FetchReply(RequestHandle request, uint8_t* reply, int16_t* length,
                                int16_t* code1, int16_t* code2) {
    const int16_t capacity = (length != nullptr && reply != nullptr) ? *length : 0;
    if (length != nullptr) *length = 0;
    const RequestObject* object = findRequest(*traffic_, request);
    if (object == nullptr || !object->exchange || !object->exchange->done()) {
        if (code1 != nullptr)
            *code1 = static_cast<int16_t>(wire::code(wire::ReplyCode::NotStarted));
        if (code2 != nullptr) *code2 = 0;
        return False;
    }
    const comm::Outcome& outcome = object->exchange->outcome();
    uint16_t c1 = wire::code(wire::ReplyCode::NotStarted);
    int8_t c2 = 0;
    switch (outcome.ending) {
        case comm::Ending::Reply:
            c1 = outcome.reply.code1;
            c2 = outcome.reply.code2;
            break;
        case comm::Ending::NotStarted:
            c1 = wire::code(wire::ReplyCode::NotStarted);
            break;
        case comm::Ending::TimedOut:
            c1 = wire::code(wire::ReplyCode::TimedOut);
            break;
        case comm::Ending::LinkLost:
            c1 = wire::code(wire::ReplyCode::LinkLost);
            break;
    }
    const std::vector<uint8_t>& bytes = outcome.reply.payload;
    const std::size_t room = capacity > 0 ? static_cast<std::size_t>(capacity) : 0;
    const bool fits = bytes.size() <= room;
    if (isOk(outcome) && !fits) c1 = wire::code(wire::ReplyCode::TooLarge);
    if (code1 != nullptr) *code1 = static_cast<int16_t>(c1);
    if (code2 != nullptr) *code2 = c2;
    if (!isOk(outcome) || !fits) return False;
    if (!bytes.empty()) std::memcpy(reply, bytes.data(), bytes.size());
    if (length != nullptr) *length = static_cast<int16_t>(bytes.size());
    return True;
}

// An exchange still running finishes on its own; its outcome is dropped with the object.
void RealLibrary::ReleaseRequest(RequestHandle request, int32_t) {
    traffic_->requests.erase(request);
}

// ---- clock and loader ----

int32_t RealLibrary::SetControllerClock(int32_t link, uint8_t pla, uint8_t ela, uint8_t file,
                                        int32_t, intptr_t, int32_t, int32_t, int32_t) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return False;
    wire::SetClockRequest clock;
    clock.file = file;
    clock.year = static_cast<uint16_t>(local.tm_year + 1900);
    clock.month = static_cast<uint8_t>(local.tm_mon + 1);
    clock.day = static_cast<uint8_t>(local.tm_mday);
    clock.hour = static_cast<uint8_t>(local.tm_hour);
    clock.minute = static_cast<uint8_t>(local.tm_min);
    // A leap second (60) is not a time the controller knows.
    clock.second = static_cast<uint8_t>(std::min(local.tm_sec, 59));
    clock.weekday = static_cast<uint8_t>(local.tm_wday == 0 ? 7 : local.tm_wday);
    comm::Outcome outcome;
    return runExchange(*this, link, {pla, ela}, clock, nullptr, outcome) ? True : False;
}

// Prepares the folder the job loader works in (its error and log files go there): the folder
// (path aliases and backslashes allowed) is created with its parents when missing. -1 when the
// folder exists afterwards; `out` gets 0, or the system's error number.
int32_t RealLibrary::PrepareLoaderFolder(int32_t, const std::string& folder, int32_t,
                                         int32_t* out) {
    if (out != nullptr) *out = 0;
    if (folder.empty()) {
        if (out != nullptr) *out = ENOENT;
        return False;
    }
    const std::string native = aliases_.native(folder);
    std::error_code ec;
    std::filesystem::create_directories(native, ec);
    if (!std::filesystem::is_directory(native)) {
        if (out != nullptr) *out = ec ? ec.value() : ENOTDIR;
        return False;
    }
    return True;
}

}  // namespace kvxglib
