// Builds TIFF/EXIF byte blocks for the EXIF reader's tests: IFDs with entries, values
// laid out after their IFD, chains and sub-IFD pointers, in either byte order.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace exif_test {

using Bytes = std::vector<std::uint8_t>;

class Tiff {
 public:
  explicit Tiff(bool motorola = false) : motorola_(motorola) {}

  // Numbers in the block's byte order.
  Bytes u16s(std::initializer_list<std::uint16_t> values) const {
    Bytes out;
    for (auto v : values) put16(out, v);
    return out;
  }
  Bytes u32s(std::initializer_list<std::uint32_t> values) const {
    Bytes out;
    for (auto v : values) put32(out, v);
    return out;
  }
  Bytes u64s(std::initializer_list<std::uint64_t> values) const {
    Bytes out;
    for (auto v : values) {
      if (motorola_) {
        put32(out, static_cast<std::uint32_t>(v >> 32));
        put32(out, static_cast<std::uint32_t>(v));
      } else {
        put32(out, static_cast<std::uint32_t>(v));
        put32(out, static_cast<std::uint32_t>(v >> 32));
      }
    }
    return out;
  }
  static Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

  int add_ifd() {
    ifds_.emplace_back();
    return static_cast<int>(ifds_.size()) - 1;
  }
  // An entry whose values are `payload` (already in the block's order): in the value
  // field when it fits in four bytes, else after the IFD.
  Tiff& entry(int ifd, std::uint16_t tag, std::uint16_t type, std::uint32_t count, Bytes payload) {
    ifds_[ifd].push_back({tag, type, count, std::move(payload), -1, 0, false});
    return *this;
  }
  // An entry whose value field is this number, whatever it means.
  Tiff& raw(int ifd, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
            std::uint32_t value) {
    ifds_[ifd].push_back({tag, type, count, {}, -1, value, true});
    return *this;
  }
  // A LONG entry holding the offset of another IFD.
  Tiff& pointer(int ifd, std::uint16_t tag, int target) {
    ifds_[ifd].push_back({tag, 4, 1, {}, target, 0, false});
    return *this;
  }
  // The main chain in this order (header -> first -> ...); default: IFD 0 alone.
  Tiff& chain(std::vector<int> order) {
    chain_ = std::move(order);
    return *this;
  }

  std::uint32_t ifd_offset(int ifd) const { return layout().first[ifd]; }

  Bytes build() const {
    const auto [offsets, data_offsets, total] = layout();
    Bytes out(total, 0);
    out[0] = out[1] = motorola_ ? 'M' : 'I';
    write16(out, 2, 42);
    const std::vector<int> order = chain_.empty() ? std::vector<int>{0} : chain_;
    write32(out, 4, order.empty() ? 0 : offsets[order[0]]);
    for (std::size_t i = 0; i < ifds_.size(); ++i) {
      std::uint32_t at = offsets[i];
      write16(out, at, static_cast<std::uint16_t>(ifds_[i].size()));
      at += 2;
      for (std::size_t k = 0; k < ifds_[i].size(); ++k, at += 12) {
        const Entry& e = ifds_[i][k];
        write16(out, at, e.tag);
        write16(out, at + 2, e.type);
        write32(out, at + 4, e.count);
        if (e.target >= 0) {
          write32(out, at + 8, offsets[e.target]);
        } else if (e.is_raw) {
          write32(out, at + 8, e.raw);
        } else if (e.payload.size() <= 4) {
          for (std::size_t b = 0; b < e.payload.size(); ++b) out[at + 8 + b] = e.payload[b];
        } else {
          const std::uint32_t where = data_offsets[i][k];
          write32(out, at + 8, where);
          for (std::size_t b = 0; b < e.payload.size(); ++b) out[where + b] = e.payload[b];
        }
      }
      std::uint32_t next = 0;
      for (std::size_t c = 0; c + 1 < order.size(); ++c) {
        if (order[c] == static_cast<int>(i)) next = offsets[order[c + 1]];
      }
      write32(out, at, next);
    }
    return out;
  }

 private:
  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count;
    Bytes payload;
    int target;
    std::uint32_t raw;
    bool is_raw;
  };

  struct Layout {
    std::vector<std::uint32_t> first;
    std::vector<std::vector<std::uint32_t>> second;
    std::uint32_t total;
  };
  Layout layout() const {
    Layout l{{}, {}, 8};
    for (const auto& ifd : ifds_) {
      l.first.push_back(l.total);
      l.total += 2 + 12 * static_cast<std::uint32_t>(ifd.size()) + 4;
      l.second.emplace_back();
      for (const auto& e : ifd) {
        l.second.back().push_back(l.total);
        if (e.target < 0 && !e.is_raw && e.payload.size() > 4) {
          l.total += static_cast<std::uint32_t>((e.payload.size() + 1) & ~std::size_t{1});
        }
      }
    }
    return l;
  }

  void put16(Bytes& out, std::uint16_t v) const {
    if (motorola_) {
      out.push_back(v >> 8), out.push_back(v & 0xFF);
    } else {
      out.push_back(v & 0xFF), out.push_back(v >> 8);
    }
  }
  void put32(Bytes& out, std::uint32_t v) const {
    if (motorola_) {
      put16(out, v >> 16), put16(out, v & 0xFFFF);
    } else {
      put16(out, v & 0xFFFF), put16(out, v >> 16);
    }
  }
  void write16(Bytes& out, std::size_t at, std::uint16_t v) const {
    Bytes b;
    put16(b, v);
    out[at] = b[0], out[at + 1] = b[1];
  }
  void write32(Bytes& out, std::size_t at, std::uint32_t v) const {
    Bytes b;
    put32(b, v);
    for (int i = 0; i < 4; ++i) out[at + i] = b[i];
  }

  bool motorola_;
  std::vector<std::vector<Entry>> ifds_;
  std::vector<int> chain_;
};

// A JPEG holding `segments` (each a whole marker segment) between SOI and EOI.
inline Bytes segment(std::uint8_t marker, const Bytes& body) {
  const std::size_t length = body.size() + 2;
  Bytes out{0xFF, marker, static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length & 0xFF)};
  out.insert(out.end(), body.begin(), body.end());
  return out;
}
inline Bytes exif_segment(const Bytes& tiff) {
  Bytes body{'E', 'x', 'i', 'f', 0, 0};
  body.insert(body.end(), tiff.begin(), tiff.end());
  return segment(0xE1, body);
}
inline Bytes jpeg(std::initializer_list<Bytes> segments) {
  Bytes out{0xFF, 0xD8};
  for (const auto& s : segments) out.insert(out.end(), s.begin(), s.end());
  out.push_back(0xFF), out.push_back(0xD9);
  return out;
}
inline Bytes jpeg_with(const Tiff& tiff) {
  return jpeg({exif_segment(tiff.build())});
}

}  // namespace exif_test
