// A stand-in for the real host library, written from the published interface alone: the
// calls a module may import, with exactly their published signatures.  It shares no code
// with fmwrapper, so a module that works here works because it keeps to the interface,
// not because it knows our own host.  Whatever a module does wrong with it (an error
// record of the wrong version, an object of the wrong kind or one already deleted) ends
// the process with the call's name.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>

#include "host_side.hpp"

// Every object carries its kind, so that one of another kind, or one deleted, is caught.
template <uint32_t Tag>
struct Tagged {
  static constexpr uint32_t kTag = Tag;
  uint32_t tag = Tag;
};
struct FMX_Text : Tagged<0x54585421u> {
  std::u16string units;
};
struct FMX_Locale : Tagged<0x4C4F4321u> {};
namespace {
FMX_Locale g_locale;  // the host's one locale: the system's
}
struct FMX_Data : Tagged<0x44415421u> {
  FMX_Text text;
  const FMX_Locale* locale = &g_locale;
};
struct FMX_DataVect : Tagged<0x56454321u> {
  std::deque<FMX_Data> items;  // a deque: what At answered stays where it is
};
struct FMX_QuadChar : Tagged<0x51554121u> {
  std::string chars;
};

namespace {

constexpr uint32_t kDeleted = 0xDEADDEADu;

std::vector<Registration> g_functions;
std::atomic<long> g_live{0};

[[noreturn]] void violation(const char* call, const char* what) {
  std::fprintf(stderr, "host library: %s: %s\n", call, what);
  std::abort();
}

// Every call gets the caller's error record, of version 1, and answers no error in it
// unless the call fails.
void enter(FMX_ErrorRecord* err, const char* call) {
  if (err == nullptr) violation(call, "no error record");
  if (err->version != FMX_ERROR_RECORD_VERSION) violation(call, "error record not of version 1");
  err->code = FMX_ERR_NONE;
}
#define ENTER(err) enter(err, __func__)

template <typename T>
T& object(T* p, const char* call) {
  if (p == nullptr) violation(call, "a null object");
  if (p->tag != T::kTag)
    violation(call, p->tag == kDeleted ? "a deleted object" : "a wrong object");
  return *p;
}
#define OBJECT(p) object(p, __func__)

template <typename T>
T* make(const T& from = T()) {
  ++g_live;
  return new T(from);
}

template <typename T>
void destroy(T* p, const char* call) {
  object(p, call).tag = kDeleted;
  delete p;
  --g_live;
}

const char* charset(int32_t encoding) {
  if (encoding == FMX_ENC_NATIVE || encoding == FMX_ENC_UTF8) return "UTF-8";  // Linux's native
  return encoding == FMX_ENC_SJIS ? "CP932" : nullptr;
}

// Converts `in` with iconv into `out`; what the target cannot take becomes `stand_in`, and
// the conversion goes on `skip(rest)` bytes further.  False for an unknown encoding.
template <typename Skip>
bool convert(const char* to, const char* from, std::string_view in, std::string& out,
             std::string_view stand_in, Skip skip) {
  if (to == nullptr || from == nullptr) return false;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  // Twice the input always holds the output: bytes to UTF-16, UTF-16 to UTF-8 or CP932.
  out.assign(in.size() * 2 + 8, '\0');
  char* ip = const_cast<char*>(in.data());
  std::size_t il = in.size();
  char* op = out.data();
  std::size_t ol = out.size();
  while (il > 0 && iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) &&
         errno != E2BIG) {
    const std::size_t n = std::min(skip(std::string_view(ip, il)), il);
    std::memcpy(op, stand_in.data(), stand_in.size());
    op += stand_in.size();
    ol -= stand_in.size();
    ip += n;
    il -= n;
  }
  iconv_close(cd);
  out.resize(static_cast<std::size_t>(op - out.data()));
  return true;
}

bool decode(std::u16string& units, const char* s, std::size_t n, int32_t encoding) {
  std::string bytes;
  if (!convert("UTF-16LE", charset(encoding), std::string_view(s, n), bytes, "\xFD\xFF",
               [](std::string_view) { return std::size_t{1}; })) {
    return false;
  }
  units.assign(bytes.size() / 2, u'\0');
  std::memcpy(units.data(), bytes.data(), units.size() * 2);
  return true;
}

bool encode(std::string& bytes, std::u16string_view units, int32_t encoding) {
  const std::string_view in(reinterpret_cast<const char*>(units.data()), units.size() * 2);
  return convert(charset(encoding), "UTF-16LE", in, bytes, "?", [](std::string_view rest) {
    // A character the code page lacks is one '?', a surrogate pair included.
    uint16_t u[2] = {0, 0};
    std::memcpy(u, rest.data(), std::min<std::size_t>(rest.size(), 4));
    const bool pair = rest.size() >= 4 && (u[0] & 0xFC00) == 0xD800 && (u[1] & 0xFC00) == 0xDC00;
    return std::size_t{pair ? 4u : 2u};
  });
}

std::u16string_view part(const FMX_Text& t, uint32_t position, uint32_t size) {
  const std::u16string_view all(t.units);
  return position < all.size() ? all.substr(position, size) : std::u16string_view();
}

// The longest head of `bytes` of at most `max` bytes that ends on a character boundary.
std::size_t fitting(const std::string& bytes, std::size_t max, int32_t encoding) {
  if (bytes.size() <= max) return bytes.size();
  std::size_t at = 0;
  if (encoding == FMX_ENC_SJIS) {
    for (;;) {
      const auto b = static_cast<unsigned char>(bytes[at]);
      const std::size_t step = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC) ? 2 : 1;
      if (at + step > max) return at;
      at += step;
    }
  }
  for (at = max; at > 0 && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80;) --at;
  return at;
}

int16_t register_function(const char* call, const FMX_QuadChar* id, int16_t function_id,
                          const FMX_Text* name, const FMX_Text* prototype,
                          const FMX_Text* description, int16_t min_args, int16_t max_args,
                          uint32_t flags, FMX_ExternCallPtr function) {
  const std::u16string about = description ? object(description, call).units : u"";
  Registration r(object(id, call).chars, function_id, object(name, call).units,
                 object(prototype, call).units, about, description != nullptr, min_args, max_args,
                 flags, function);
  if (function == nullptr || r.name.empty() || min_args < 0 || min_args > max_args) return 1;
  for (const Registration& f : g_functions) {
    if (f.plugin == r.plugin && (f.id == r.id || f.name == r.name)) return 1;  // taken
  }
  g_functions.push_back(std::move(r));
  return 0;
}

}  // namespace

extern "C" {

FMX_Text* FM_Text_Constructor1(FMX_ErrorRecord* err) {
  ENTER(err);
  return make<FMX_Text>();
}
void FM_Text_Delete(FMX_Text* self, FMX_ErrorRecord* err) {
  ENTER(err);
  destroy(self, __func__);
}
uint32_t FM_Text_GetSize(const FMX_Text* self, FMX_ErrorRecord* err) {
  ENTER(err);
  return static_cast<uint32_t>(OBJECT(self).units.size());
}
void FM_Text_AssignWithLength(FMX_Text* self, const char* s, uint32_t bytes, int32_t encoding,
                              FMX_ErrorRecord* err) {
  ENTER(err);
  if (!decode(OBJECT(self).units, s, bytes, encoding)) err->code = FMX_ERR_GENERAL;
}
void FM_Text_AssignUnicode(FMX_Text* self, const uint16_t* s, FMX_ErrorRecord* err) {
  ENTER(err);
  OBJECT(self).units = reinterpret_cast<const char16_t*>(s);
}
void FM_Text_GetBytes(const FMX_Text* self, char* buf, uint32_t bufsize, uint32_t position,
                      uint32_t size, int32_t encoding, FMX_ErrorRecord* err) {
  ENTER(err);
  std::string bytes;
  if (!encode(bytes, part(OBJECT(self), position, size), encoding)) {
    err->code = FMX_ERR_GENERAL;
  } else if (bufsize > 0) {
    const std::size_t n = fitting(bytes, bufsize - 1, encoding);
    std::memcpy(buf, bytes.data(), n);
    buf[n] = '\0';
  }
}
void FM_Text_SetText(FMX_Text* self, const FMX_Text* other, uint32_t position, uint32_t size,
                     FMX_ErrorRecord* err) {
  ENTER(err);
  OBJECT(self).units = std::u16string(part(OBJECT(other), position, size));
}
void FM_Text_DeleteText(FMX_Text* self, uint32_t position, uint32_t size, FMX_ErrorRecord* err) {
  ENTER(err);
  std::u16string& units = OBJECT(self).units;
  if (position < units.size()) units.erase(position, size);
}
uint32_t FM_Text_Find(const FMX_Text* self, const FMX_Text* other, uint32_t position,
                      FMX_ErrorRecord* err) {
  ENTER(err);
  const std::size_t at = OBJECT(self).units.find(OBJECT(other).units, position);
  return at == std::u16string::npos ? 0xFFFFFFFFu : static_cast<uint32_t>(at);
}

FMX_Data* FM_Data_Constructor1(FMX_ErrorRecord* err) {
  ENTER(err);
  return make<FMX_Data>();
}
void FM_Data_Delete(FMX_Data* self, FMX_ErrorRecord* err) {
  ENTER(err);
  destroy(self, __func__);
}
const FMX_Locale* FM_Data_GetLocale(const FMX_Data* self, FMX_ErrorRecord* err) {
  ENTER(err);
  return OBJECT(self).locale;
}
const FMX_Text* FM_Data_GetAsText(const FMX_Data* self, FMX_ErrorRecord* err) {
  ENTER(err);
  return &OBJECT(self).text;
}
int16_t FM_Data_SetAsText(FMX_Data* self, const FMX_Text* text, const FMX_Locale* locale,
                          int32_t nativeType, FMX_ErrorRecord* err) {
  ENTER(err);
  FMX_Data& data = OBJECT(self);
  if (nativeType != FMX_DATATYPE_TEXT) return 1;
  data.text.units = OBJECT(text).units;
  data.locale = &OBJECT(locale);
  return 0;
}

FMX_DataVect* FM_DataVect_Constructor1(FMX_ErrorRecord* err) {
  ENTER(err);
  return make<FMX_DataVect>();
}
void FM_DataVect_Delete(FMX_DataVect* self, FMX_ErrorRecord* err) {
  ENTER(err);
  destroy(self, __func__);
}
void FM_DataVect_PushBack(FMX_DataVect* self, const FMX_Data* data, FMX_ErrorRecord* err) {
  ENTER(err);
  OBJECT(self).items.push_back(OBJECT(data));
}
const FMX_Data* FM_DataVect_At(const FMX_DataVect* self, uint32_t position, FMX_ErrorRecord* err) {
  ENTER(err);
  const auto& items = OBJECT(self).items;
  if (position < items.size()) return &items[position];
  err->code = FMX_ERR_GENERAL;
  return nullptr;
}
const FMX_Text* FM_DataVect_AtAsText(const FMX_DataVect* self, uint32_t position,
                                     FMX_ErrorRecord* err) {
  const FMX_Data* data = FM_DataVect_At(self, position, err);
  return data != nullptr ? &data->text : nullptr;
}

FMX_QuadChar* FM_QuadChar_Constructor2(char c0, char c1, char c2, char c3, FMX_ErrorRecord* err) {
  ENTER(err);
  FMX_QuadChar* quad = make<FMX_QuadChar>();
  quad->chars = {c0, c1, c2, c3};
  return quad;
}
void FM_QuadChar_Delete(FMX_QuadChar* self, FMX_ErrorRecord* err) {
  ENTER(err);
  destroy(self, __func__);
}

FMX_ExprEnv* FM_ExprEnv_Constructor1(FMX_ErrorRecord* err) {
  ENTER(err);
  return make(FMX_ExprEnv{FMX_ExprEnv::kTag, &g_functions, &g_live});
}
void FM_ExprEnv_Delete(FMX_ExprEnv* self, FMX_ErrorRecord* err) {
  ENTER(err);
  destroy(self, __func__);
}
int16_t FM_ExprEnv_RegisterExternalFunction(const FMX_QuadChar* id, int16_t functionId,
                                            const FMX_Text* name, const FMX_Text* prototype,
                                            int16_t minArgs, int16_t maxArgs, uint32_t flags,
                                            FMX_ExternCallPtr function, FMX_ErrorRecord* err) {
  ENTER(err);
  return register_function(__func__, id, functionId, name, prototype, nullptr, minArgs, maxArgs,
                           flags, function);
}
int16_t FM_ExprEnv_RegisterExternalFunctionEx(const FMX_QuadChar* id, int16_t functionId,
                                              const FMX_Text* name, const FMX_Text* prototype,
                                              const FMX_Text* description, int16_t minArgs,
                                              int16_t maxArgs, uint32_t flags,
                                              FMX_ExternCallPtr function, FMX_ErrorRecord* err) {
  ENTER(err);
  if (description == nullptr) violation(__func__, "no description");
  return register_function(__func__, id, functionId, name, prototype, description, minArgs, maxArgs,
                           flags, function);
}
int16_t FM_ExprEnv_UnRegisterExternalFunction(const FMX_QuadChar* id, int16_t functionId,
                                              FMX_ErrorRecord* err) {
  ENTER(err);
  const std::string& plugin = OBJECT(id).chars;
  const auto at = std::find_if(g_functions.begin(), g_functions.end(), [&](const auto& f) {
    return f.plugin == plugin && f.id == functionId;
  });
  if (at == g_functions.end()) return 1;
  g_functions.erase(at);
  return 0;
}

}  // extern "C"
