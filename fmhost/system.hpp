// What fmhost needs of the system it runs on (one file per system in linux/ and
// windows/): loading the module, the environment, the terminal, writing PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::fmhost {

// Loads a module; null with an explanation in `why` when it cannot be loaded.
void* open_library(const std::string& path, std::string& why);
void* library_symbol(void* library, const char* name);
void close_library(void* library);

// The folder of the running program, with its final separator; empty when unknown.
std::string program_folder();

void set_environment(const char* name, const std::string& value);
bool input_is_terminal();

// Writes 0x00RRGGBB pixels (rows top to bottom, `width` to a row) as a PNG file;
// answers an explanation on failure.
std::string write_png(const std::uint32_t* pixels, int width, int height, const std::string& path);
// Writes a BMP file's picture as a PNG file; answers an explanation on failure.
std::string bmp_file_as_png(const std::vector<std::uint8_t>& bmp, const std::string& path);

}  // namespace velmora::fmhost
