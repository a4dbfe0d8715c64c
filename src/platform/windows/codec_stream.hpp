// A read-only COM stream over a codec input, so that the Windows Imaging Component reads
// only the bytes a probe needs, through the input's own bounds checks.
#pragma once
#include "platform/codecs.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform::win {

// A new stream (one reference) over `in`, which must outlive it.
IStream* new_codec_stream(CodecInput& in);

}  // namespace velmora::platform::win
