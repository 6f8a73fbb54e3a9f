#include "platform/comm/LinkTable.h"

#include "platform/comm/SerialLink.h"

namespace comm {

void LinkTable::configureLinkZero(const LinkSettings& settings) {
    if (linkZeroConfigured_ && settings == linkZero_) return;
    linkZero_ = settings;
    linkZeroConfigured_ = true;
    links_.erase(0);
    if (!settings.port.empty()) {
        links_[0] =
            std::make_unique<ExchangeEngine>(std::make_unique<SerialLink>(settings.port, settings));
    }
}

int32_t LinkTable::add(std::unique_ptr<ExchangeEngine> engine) {
    if (next_ == INT32_MAX) return 0;
    const int32_t handle = next_++;
    links_[handle] = std::move(engine);
    return handle;
}

ExchangeEngine* LinkTable::find(int32_t handle) const {
    const auto it = links_.find(handle);
    return it == links_.end() ? nullptr : it->second.get();
}

bool LinkTable::remove(int32_t handle) { return handle != 0 && links_.erase(handle) > 0; }

}  // namespace comm
