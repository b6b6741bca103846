#pragma once

// Parameter indices and per-band constants shared by the engine's voice paths.

#include <cstdint>

namespace zk::voice {

// Parameter indices. Band n's own parameters sit at bandBase(n) + offset.
inline constexpr int32_t pMaster = 0;
inline constexpr int32_t pDry = 1;
inline constexpr int32_t pStereo = 38;
inline constexpr int32_t pDelay = 39;
inline constexpr int32_t pVolume = 41;
inline constexpr int32_t pFmEvery = 43;
inline constexpr int32_t pPreListen1 = 44;
inline constexpr int32_t pAm1 = 47;

constexpr int32_t bandBase(int band) { return 2 + 12 * band; } // band 0..2
inline constexpr int32_t oLeft = 0, oRight = 1, oMod = 4, oOffset = 5, oFmButton = 6, oTimbre = 7, oSensivity = 8,
                         oEffect = 9, oPan = 10, oVolume = 11;

// Per-band constants of the voice (pitch-bend range, lamp threshold, gated envelope);
// lane 3 is padding.
alignas(16) inline constexpr float bendScale[4] = {512.0f, 512.0f, 384.0f, 0.0f};
alignas(16) inline constexpr float bendOffset[4] = {256.0f, 256.0f, 128.0f, 0.0f};
alignas(16) inline constexpr float activityScale[4] = {20.0f, 20.0f, 21.0f, 20.0f};
alignas(16) inline constexpr float gatedEnvelope[4] = {0.0f, 1e-7f, 1e-7f, 0.0f};

inline constexpr float noiseScale = 1.0f / 32767.0f; // 3.0518509e-05

} // namespace zk::voice
