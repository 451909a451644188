#pragma once
#include <cstdint>

namespace zb {

// Identity of a photo or drawing row. New rows take the highest existing value
// plus one; folders hold ordered lists of these; 0 in a drawing field means none.
using RECORD = std::int32_t;

}  // namespace zb
