// Thin C++ wrappers over the host library: a reported failure becomes an exception
// (std::bad_alloc for memory), which the function entries catch before returning.
#pragma once
#include <fmx/FMWrapper.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace velmora::host {

struct HostError : std::runtime_error {
  HostError() : std::runtime_error("the host reported a failure") {}
};

// The error record every host call takes: version 1, no error yet.
struct ErrorRecord : FMX_ErrorRecord {
  ErrorRecord() : FMX_ErrorRecord{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE} {}
};

// Throws for a filled-in error record: std::bad_alloc for out of memory (the function
// answers -108), HostError for any other failure.
void check(const FMX_ErrorRecord& err);

// The call record saved by the most recent call of the entry point.
FMX_ExternCallStruct* record();
void set_record(FMX_ExternCallStruct* r);

class Text {
 public:
  Text();
  ~Text();
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  FMX_Text* get() const { return text_; }

  void assign_utf16(const std::u16string& units);
  void assign_utf8(std::string_view utf8);
  void assign_bytes(std::string_view bytes, int encoding);
  std::uint32_t size() const;
  void set_from(const FMX_Text* source);
  // The whole text in code page 932 (two bytes per UTF-16 unit at most), up to its
  // first zero.
  std::string cp932_bytes() const;
  std::uint32_t find(const Text& other, std::uint32_t from) const;
  void erase(std::uint32_t position, std::uint32_t length);

 private:
  FMX_Text* text_;
};

class QuadChar {
 public:
  QuadChar(char a, char b, char c, char d);
  ~QuadChar();
  QuadChar(const QuadChar&) = delete;
  QuadChar& operator=(const QuadChar&) = delete;
  const FMX_QuadChar* get() const { return quad_; }

 private:
  FMX_QuadChar* quad_;
};

}  // namespace velmora::host
