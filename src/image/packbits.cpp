#include "image/packbits.hpp"

#include <algorithm>
#include <cstring>

namespace velmora::image {

void packbits_encode(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out) {
  std::size_t i = 0;
  const std::size_t n = in.size();
  while (i < n) {
    // A run of three or more equal bytes is worth a repeat code.
    std::size_t run = 1;
    while (i + run < n && run < 128 && in[i + run] == in[i]) ++run;
    if (run >= 3) {
      out.push_back(static_cast<std::uint8_t>(257 - run));
      out.push_back(in[i]);
      i += run;
      continue;
    }
    std::size_t start = i;
    std::size_t len = 0;
    while (i < n && len < 128) {
      if (i + 2 < n && in[i] == in[i + 1] && in[i] == in[i + 2]) break;
      ++i;
      ++len;
    }
    out.push_back(static_cast<std::uint8_t>(len - 1));
    out.insert(out.end(), in.begin() + start, in.begin() + start + len);
  }
}

bool packbits_decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                     std::size_t unit) {
  std::size_t ip = 0;
  std::size_t op = 0;
  while (op < out.size()) {
    if (ip >= in.size()) return false;
    const auto flag = static_cast<std::int8_t>(in[ip++]);
    if (flag == -128) continue;
    if (flag >= 0) {
      const std::size_t bytes = (static_cast<std::size_t>(flag) + 1) * unit;
      if (bytes > in.size() - ip || bytes > out.size() - op) return false;
      std::memcpy(out.data() + op, in.data() + ip, bytes);
      ip += bytes;
      op += bytes;
    } else {
      const std::size_t count = static_cast<std::size_t>(1 - flag);
      if (unit > in.size() - ip || count * unit > out.size() - op) return false;
      for (std::size_t k = 0; k < count; ++k) {
        std::memcpy(out.data() + op, in.data() + ip, unit);
        op += unit;
      }
      ip += unit;
    }
  }
  return true;
}

}  // namespace velmora::image
