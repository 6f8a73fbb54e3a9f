#pragma once
// The longest partition text attribute (name, title) a controller keeps, in code page 850
// bytes. A controller may add one zero byte to the reply, so every such reply fits the host's
// 128-byte reply buffer whole.
#include <cstddef>

namespace wire {

inline constexpr std::size_t kMaxPartitionText = 127;

}  // namespace wire
