// FM_Data_*, FM_DataVect_* and FM_QuadChar_*: the values a function receives and answers.
#include <fmx/FMHostServices.h>

#include "objects.hpp"

using namespace velmora::fmw;

extern "C" {

FMX_API FMX_QuadChar* FM_QuadChar_Constructor2(char c0, char c1, char c2, char c3,
                                               FMX_ErrorRecord* err) {
  return guarded<FMX_QuadChar*>(err, nullptr, [&] {
    auto* quad = new FMX_QuadChar;
    quad->chars = {c0, c1, c2, c3};
    return quad;
  });
}

FMX_API void FM_QuadChar_Delete(FMX_QuadChar* quad, FMX_ErrorRecord* err) {
  guarded_void(err, [&] { delete quad; });
}

FMX_API FMX_Data* FM_Data_Constructor1(FMX_ErrorRecord* err) {
  return guarded<FMX_Data*>(err, nullptr, [] { return new FMX_Data; });
}

FMX_API void FM_Data_Delete(FMX_Data* data, FMX_ErrorRecord* err) {
  guarded_void(err, [&] { delete data; });
}

FMX_API const FMX_Locale* FM_Data_GetLocale(const FMX_Data* data, FMX_ErrorRecord* err) {
  return guarded<const FMX_Locale*>(err, nullptr, [&] { return &require(data).locale; });
}

FMX_API int16_t FM_Data_SetAsText(FMX_Data* data, const FMX_Text* text, const FMX_Locale* locale,
                                  int32_t dataType, FMX_ErrorRecord* err) {
  FMX_ErrorRecord local{FMX_ERROR_RECORD_VERSION, 0};
  guarded_void(&local, [&] {
    FMX_Data& d = require(data);
    const FMX_Text& t = require(text);
    if (dataType != FMX_DATATYPE_TEXT) throw BadArgument{};
    // Copy before touching the data: the text may be the data's own.
    std::u16string units = t.units;
    d.text.units = std::move(units);
    d.locale = locale != nullptr ? *locale : FMX_Locale{};
    d.set = true;
  });
  set_error(err, local.code);
  return static_cast<int16_t>(local.code);
}

FMX_API const FMX_Text* FM_Data_GetAsText(const FMX_Data* data, FMX_ErrorRecord* err) {
  return guarded<const FMX_Text*>(err, nullptr, [&] { return &require(data).text; });
}

FMX_API int32_t FMW_Host_DataIsSet(const FMX_Data* data, FMX_ErrorRecord* err) {
  return guarded<int32_t>(err, 0, [&] { return require(data).set ? 1 : 0; });
}

FMX_API FMX_DataVect* FM_DataVect_Constructor1(FMX_ErrorRecord* err) {
  return guarded<FMX_DataVect*>(err, nullptr, [] { return new FMX_DataVect; });
}

FMX_API void FM_DataVect_Delete(FMX_DataVect* vect, FMX_ErrorRecord* err) {
  guarded_void(err, [&] { delete vect; });
}

FMX_API void FMW_Host_PushBackText(FMX_DataVect* vect, const FMX_Text* text, FMX_ErrorRecord* err) {
  guarded_void(err, [&] {
    FMX_DataVect& v = require(vect);
    auto item = std::make_unique<FMX_Data>();
    item->text.units = require(text).units;
    item->set = true;
    v.items.push_back(std::move(item));
  });
}

FMX_API uint32_t FM_DataVect_Size(const FMX_DataVect* vect, FMX_ErrorRecord* err) {
  return guarded<uint32_t>(err, 0,
                           [&] { return static_cast<uint32_t>(require(vect).items.size()); });
}

FMX_API const FMX_Data* FM_DataVect_At(const FMX_DataVect* vect, uint32_t position,
                                       FMX_ErrorRecord* err) {
  return guarded<const FMX_Data*>(err, nullptr, [&]() -> const FMX_Data* {
    const FMX_DataVect& v = require(vect);
    if (position >= v.items.size()) throw BadArgument{};
    return v.items[position].get();
  });
}

FMX_API const FMX_Text* FM_DataVect_AtAsText(const FMX_DataVect* vect, uint32_t position,
                                             FMX_ErrorRecord* err) {
  return guarded<const FMX_Text*>(err, nullptr, [&]() -> const FMX_Text* {
    const FMX_DataVect& v = require(vect);
    if (position >= v.items.size()) throw BadArgument{};
    return &v.items[position]->text;
  });
}

}  // extern "C"
