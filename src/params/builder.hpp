// The result builder: answers written as items of the parameter language, so that
// one function's answer can be handed to another as its parameter.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "params/types.hpp"

namespace velmora::params {

class Builder {
 public:
  Builder& text(std::string_view s) {
    out_.append(s);
    return *this;
  }
  Builder& repeated(char c, std::size_t n) {
    out_.append(n, c);
    return *this;
  }
  Builder& integer(std::int64_t value);
  Builder& boolean(bool value) { return text(value ? "True" : "False"); }
  // The four bytes, most significant first; space, quotes and backslash escaped.
  Builder& four_cc(std::uint32_t code);
  // r,g,b from the high bytes of the components.
  Builder& color(const RgbColor& c);
  Builder& point(const Point& p);  // h,v
  Builder& rect(const Rect& r);    // left,top,right,bottom
  // KEY=value, with a blank before it unless the text is empty.
  Builder& item(std::string_view key, std::string_view value);
  Builder& item(std::string_view key, std::int64_t value);
  // KEY='escaped text' (escape limited to 255 bytes like every path in an answer).
  Builder& quoted_item(std::string_view key, std::string_view value);

  const std::string& str() const { return out_; }
  std::string take() { return std::move(out_); }
  bool empty() const { return out_.empty(); }

 private:
  std::string out_;
};

std::string decimal(std::int64_t value);

}  // namespace velmora::params
