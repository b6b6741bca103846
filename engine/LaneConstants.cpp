#include "engine/LaneConstants.h"

#if defined(__SSE2__)

namespace zk::lanes {

template <uint32_t Bits>
const __m128 Splat<Bits>::value = {std::bit_cast<float>(Bits), std::bit_cast<float>(Bits),
                                   std::bit_cast<float>(Bits), std::bit_cast<float>(Bits)};

#define ZK_DEFINE_LANE_CONSTANT(v) template struct Splat<floatBits(v)>;
ZK_LANE_CONSTANTS(ZK_DEFINE_LANE_CONSTANT)
#undef ZK_DEFINE_LANE_CONSTANT

} // namespace zk::lanes
#endif
