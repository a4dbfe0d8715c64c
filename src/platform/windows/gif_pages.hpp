// Pages of animated GIFs through the Windows Imaging Component, which hands out each
// frame as its own patch: the logical screen's size, and page N composed as the
// animation shows it, from the frames' offsets and disposal methods in their metadata.
#pragma once
#include "platform/codecs.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform::win {

// The logical screen of a GIF; false when the file's metadata does not tell it.
bool gif_screen_size(IWICBitmapDecoder* decoder, UINT& width, UINT& height);

// Page `index` over the logical screen: every frame before it drawn over the ones before
// and disposed of (2: its area cleared to transparency, 3: the picture before it back).
CodecStatus compose_gif_page(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, UINT index,
                             DecodedPicture& out);

}  // namespace velmora::platform::win
