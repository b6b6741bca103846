#pragma once

// The indices of the 54 parameters, for every layer that names one: the engine, the
// effect, the panel, the tests and the benchmark. The order is that of the hosts'
// parameter lists and of the bank chunk, and never changes. Names follow the parameter
// table's short names ("Sensivit" is paramSensitivity1).

#include <cstdint>

namespace zk {

enum ParameterIndex : int32_t {
    paramMaster = 0,
    paramDry,
    paramLeft1, // band 1's own parameters, from its input weights to its volume
    paramRight1,
    paramBand1,
    paramRelease1,
    paramMod1,
    paramOffset1,
    paramFmButton1,
    paramTimbre1,
    paramSensitivity1,
    paramEffect1,
    paramPan1,
    paramVolume1,
    paramLeft2,
    paramRight2,
    paramBand2,
    paramRelease2,
    paramMod2,
    paramOffset2,
    paramFmButton2,
    paramTimbre2,
    paramSensitivity2,
    paramEffect2,
    paramPan2,
    paramVolume2,
    paramLeft3,
    paramRight3,
    paramBand3,
    paramRelease3,
    paramMod3,
    paramOffset3,
    paramFmButton3,
    paramTimbre3,
    paramSensitivity3,
    paramEffect3,
    paramPan3,
    paramVolume3,
    paramStereo,
    paramDelay,
    paramFeedback,
    paramDelayVolume, // "Volume": the level of the delay's return
    paramSmooth,
    paramFmEvery,
    paramPreListen1, // "PL1"
    paramPreListen2,
    paramPreListen3,
    paramAm1,
    paramAm2,
    paramAm3,
    paramFine1,
    paramFine2,
    paramFine3,
    paramNonUsed,
};

inline constexpr int32_t kNumParameters = paramNonUsed + 1;

// Band n's own parameters repeat every kBandStride indices; PL, Am and Fine lie side by
// side, one per band.
inline constexpr int32_t kBandStride = paramLeft2 - paramLeft1;
// The parameter of band 1..3 that `ofBandOne` (paramLeft1 .. paramVolume1) is for band 1.
constexpr int32_t bandParameter(int32_t ofBandOne, int32_t band) { return ofBandOne + kBandStride * (band - 1); }
// The PL, Am or Fine parameter of band 1..3, `ofBandOne` being band 1's.
constexpr int32_t sideBySideParameter(int32_t ofBandOne, int32_t band) { return ofBandOne + band - 1; }

static_assert(kNumParameters == 54 && paramStereo == 38 && paramPreListen1 == 44 && paramFine1 == 50);
static_assert(bandParameter(paramVolume1, 3) == paramVolume3 && bandParameter(paramBand1, 2) == paramBand2);

} // namespace zk
