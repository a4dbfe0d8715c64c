// Linux backend only: the choosers' type patterns ("*.jpg") as globs that ignore letter
// case, since the scripts' patterns come from systems that never told names apart by case.
#pragma once
#include <string>

namespace velmora::platform::linux_backend {

// "*.jpg" becomes "*.[jJ][pP][gG]"; "*.*" (every name there) becomes "*"; brackets in
// the pattern are matched as themselves.
std::string caseless_glob(const std::string& pattern);

}  // namespace velmora::platform::linux_backend
