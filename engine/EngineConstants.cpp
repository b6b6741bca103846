#include "engine/Lanes.h"

#if ZK_ENGINE_SSE
namespace zk {

template <uint32_t Bits>
const __m128 Splat<Bits>::value = {std::bit_cast<float>(Bits), std::bit_cast<float>(Bits), std::bit_cast<float>(Bits),
                                   std::bit_cast<float>(Bits)};

#define ZK_DEFINE_LANE_CONSTANT(c) template struct Splat<std::bit_cast<uint32_t>(c)>;
ZK_LANE_CONSTANTS(ZK_DEFINE_LANE_CONSTANT)
#undef ZK_DEFINE_LANE_CONSTANT

} // namespace zk
#endif
