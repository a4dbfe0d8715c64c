// The tables of file types by extension and by FILETYPE keyword, and the QUALITY rule.
#include "image/export_types.hpp"

#include <algorithm>

#include "params/readers.hpp"
#include "params/text_util.hpp"

namespace velmora::image {

namespace {

constexpr std::uint32_t k(const char (&s)[5]) {
  return type_code(s);
}

constexpr std::string_view kFileTypeKeywords =
    "PICT,Picture,QTIF,QuickTimeImage,BMP,Bitmap,JPEG,JFIF,Photoshop,PCT";
constexpr std::array kFileTypeByKeyword = {kTypePict, kTypePict, kTypeQtif, kTypeQtif, kTypeBmp,
                                           kTypeBmp,  kTypeJpeg, kTypeJpeg, kTypePsd,  kTypePict};

constexpr std::string_view kQualityKeywords = "MIN,LOW,NORMAL,HIGH,MAX,LOSSLESS";
constexpr std::array<std::int32_t, 6> kQualityByKeyword = {0, 256, 512, 768, 1023, 1024};

}  // namespace

const std::array<ExtensionList, 6> kExtensionLists = {{
    {"pict,pic,pct,qtif,qif,qti,bmp,dib,jpg,gif,tif,tiff,png,tga,sgi,rgb",
     {kTypePict, kTypePict, kTypePict, kTypeQtif, kTypeQtif, kTypeQtif, kTypeBmp, kTypeBmp,
      kTypeJpeg, kTypeGif, kTypeTiff, kTypeTiff, kTypePng, kTypeTga, kTypeSgi, kTypeSgi}},
    {"mpeg,m1s,m15,m1a,m1v,m64,m75,mp2,mpa,mpg,mpm,mpv",
     {k("MPEG"), k("MPEG"), k("MPEG"), k("MPEG"), k("MPEG"), k("MPEG"), k("MPEG"), k("MPEG"),
      k("MPEG"), k("MPEG"), k("MPEG"), k("MPEG")}},
    {"dif,dv,mov,qt,avi", {k("dvc!"), k("dvc!"), k("MooV"), k("MooV"), k("VfW ")}},
    {"txt,sdp,au,ulw,aif,aiff,aifc,3dmf,3dm,qd3d,qd3,flc,fli,swf,fpx",
     {k("TEXT"), k("TEXT"), k("ULAW"), k("ULAW"), k("AIFF"), k("AIFF"), k("AIFC"), k("3DMF"),
      k("3DMF"), k("3DMF"), k("3DMF"), k("FLC "), k("FLC "), k("SWFL"), k("FPix")}},
    {"mifi,mid,smf,kar,wav,sd2,snd,mp3,swa",
     {k("Midi"), k("Midi"), k("Midi"), k("Midi"), k("WAVE"), k("Sd2f"), k("sfil"), k("Mp3 "),
      k("Mp3 ")}},
    {"eps,fp5,pdf,doc,ppt,xls,psd,pntg,pnt,mac",
     {k("EPSF"), k("FMP5"), k("PDF "), k("W8BN"), k("SLD8"), k("XLS8"), kTypePsd, k("PNTG"),
      k("PNTG"), k("PNTG")}},
}};

std::uint32_t file_type_of_extension(std::string_view extension) {
  for (const ExtensionList& list : kExtensionLists) {
    std::size_t start = 0;
    for (std::size_t position = 0;; ++position) {
      const std::size_t comma = list.keywords.find(',', start);
      const std::string_view entry = list.keywords.substr(
          start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
      if (params::equals_ignore_case(entry, extension)) return list.types[position];
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
  }
  return 0;
}

std::uint32_t export_file_type(const params::Store& s) {
  if (const char* extension = params::text(s, "EXTENSION")) {
    return file_type_of_extension(extension);
  }
  if (const int position = params::keyword(s, "FILETYPE", kFileTypeKeywords); position > 0) {
    return kFileTypeByKeyword[position - 1];
  }
  std::uint32_t code = 0;
  return params::four_cc(s, "FILETYPE", code) ? code : 0;
}

std::optional<std::int32_t> export_quality(const params::Store& s) {
  if (const int position = params::keyword(s, "QUALITY", kQualityKeywords); position > 0) {
    return kQualityByKeyword[position - 1];
  }
  const std::int32_t n = params::integer(s, "QUALITY");
  if (n < 1) return std::nullopt;
  return std::min(n, 100) * 1023 / 100;
}

}  // namespace velmora::image
