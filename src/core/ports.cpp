#include "core/ports.h"

namespace zb {
Messages::~Messages() = default;
Progress::~Progress() = default;
}  // namespace zb
