// Error codes every handler answers: 0 success, classic negative codes, and the
// runner's own positive state codes.  Failures are values, never exceptions.
#pragma once
#include <cstdint>

namespace velmora {

using Err = std::int16_t;

inline constexpr Err kNoErr = 0;
inline constexpr Err kGeneralErr = -1;      // unexpected internal failure
inline constexpr Err kInitFailed = -2;      // initialisation without a usable engine
inline constexpr Err kNotImplemented = -4;  // function not built yet
inline constexpr Err kNoDisplay = -7;       // a window or dialog is needed and no display exists
inline constexpr Err kNoSuchVolume = -35;   // no such volume, or index past the end
inline constexpr Err kFileNotFound = -43;
inline constexpr Err kDuplicate = -48;  // already exists
inline constexpr Err kParamErr = -50;
inline constexpr Err kMemFull = -108;
inline constexpr Err kDirNotFound = -120;
inline constexpr Err kUserCanceled = -128;

// Answered by the runner when the shared state is missing (IDs 31, 37, 38, 39).
inline constexpr Err kNoStateFindFile = 9998;
inline constexpr Err kNoStateOpenProgress = 9990;
inline constexpr Err kNoStateUpdateProgress = 9991;
inline constexpr Err kNoStateCloseProgress = 9992;

}  // namespace velmora
