// One line per function for the host's calculation dialog, by function ID.
#pragma once
#include <string_view>

namespace velmora::resources {

// The description of function `id` (UTF-8); empty for an ID the module does not have.
std::string_view function_description(int id);

}  // namespace velmora::resources
