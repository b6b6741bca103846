#pragma once

// Parameter indices and per-band constants shared by the engine's voice paths.

#include "product/ParameterIndex.h"

#include <cstdint>

namespace zk::voice {

// Parameter indices. Band n's own parameters sit at bandBase(n) + offset.
inline constexpr int32_t pMaster = paramMaster;
inline constexpr int32_t pDry = paramDry;
inline constexpr int32_t pStereo = paramStereo;
inline constexpr int32_t pDelay = paramDelay;
inline constexpr int32_t pVolume = paramDelayVolume;
inline constexpr int32_t pFmEvery = paramFmEvery;
inline constexpr int32_t pPreListen1 = paramPreListen1;
inline constexpr int32_t pAm1 = paramAm1;

constexpr int32_t bandBase(int band) { return bandParameter(paramLeft1, band + 1); } // band 0..2
inline constexpr int32_t oLeft = 0, oRight = paramRight1 - paramLeft1, oMod = paramMod1 - paramLeft1,
                         oOffset = paramOffset1 - paramLeft1, oFmButton = paramFmButton1 - paramLeft1,
                         oTimbre = paramTimbre1 - paramLeft1, oSensivity = paramSensitivity1 - paramLeft1,
                         oEffect = paramEffect1 - paramLeft1, oPan = paramPan1 - paramLeft1,
                         oVolume = paramVolume1 - paramLeft1;

// Per-band constants of the voice (lamp threshold, gated envelope); lane 3 is padding. The
// pitch-bend range is in ParameterCurves.h.
alignas(16) inline constexpr float activityScale[4] = {20.0f, 20.0f, 21.0f, 20.0f};
alignas(16) inline constexpr float gatedEnvelope[4] = {0.0f, 1e-7f, 1e-7f, 0.0f};

inline constexpr float noiseScale = 1.0f / 32767.0f; // 3.0518509e-05

} // namespace zk::voice
