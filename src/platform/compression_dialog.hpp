// The compression settings dialog: a codec list, a spatial quality slider (0..1024)
// and a depth menu, owned by the host's window.  Texts are UTF-8.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialogs.hpp"

namespace velmora::platform {

struct CompressionOption {
  std::string label;
  std::int32_t value = 0;  // a codec type or a depth
};

struct CompressionDialogContent {
  std::string title, codec_caption, quality_caption, depth_caption, ok_label, cancel_label;
  std::vector<CompressionOption> codecs;
  std::vector<CompressionOption> depths;
  // In: the settings shown first; out: what the user confirmed.
  std::int32_t codec = 0;
  std::int32_t quality = 512;
  std::int32_t depth = 24;
};

// Control names for automation: codec choices 1101, 1102, ... in list order, the
// quality slider 1201 and its number field 1202, depth choices 1301, 1302, ...,
// OK 1 and Cancel 2.  `accepted` is false when the user cancelled.
DialogRun run_compression_dialog(CompressionDialogContent& content, bool& accepted);

}  // namespace velmora::platform
