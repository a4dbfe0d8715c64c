#include "ftp/listing.hpp"

#include <array>

#include "params/text_util.hpp"

namespace velmora::ftp {
namespace {

constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::string_view kUnixTypes = "-dlbcpsD";
constexpr std::size_t kMaxFields = 12;

bool is_space(char c) {
  return c == ' ' || c == '\t';
}

// The first fields of a line, as positions, so that the name can be taken as the rest
// of the line with its own blanks.
struct Field {
  std::size_t begin = 0;
  std::size_t end = 0;
};

std::size_t split_fields(std::string_view line, std::array<Field, kMaxFields>& fields) {
  std::size_t count = 0;
  std::size_t i = 0;
  while (count < fields.size()) {
    while (i < line.size() && is_space(line[i])) ++i;
    if (i >= line.size()) break;
    const std::size_t begin = i;
    while (i < line.size() && !is_space(line[i])) ++i;
    fields[count++] = {begin, i};
  }
  return count;
}

std::string_view field_text(std::string_view line, const Field& f) {
  return line.substr(f.begin, f.end - f.begin);
}

bool all_digits(std::string_view s) {
  if (s.empty()) return false;
  for (unsigned char c : s) {
    if (!params::is_digit(c)) return false;
  }
  return true;
}

bool is_month(std::string_view s) {
  for (auto m : kMonths) {
    if (params::equals_ignore_case(s, m)) return true;
  }
  return false;
}

// "12:30" or a year such as "2014".
bool is_time_or_year(std::string_view s) {
  if (s.size() == 4 && all_digits(s)) return true;
  const auto colon = s.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2) return false;
  return all_digits(s.substr(0, colon)) && all_digits(s.substr(colon + 1)) &&
         s.size() - colon - 1 == 2;
}

// The name begins one blank after the field before it; names may start with blanks.
std::string_view name_after(std::string_view line, const Field& before) {
  const std::size_t start = before.end + 1;
  return start < line.size() ? line.substr(start) : std::string_view{};
}

bool parse_unix(std::string_view line, ListingEntry& out) {
  std::array<Field, kMaxFields> fields;
  const std::size_t count = split_fields(line, fields);
  if (count < 4) return false;
  const std::string_view mode = field_text(line, fields[0]);
  if (mode.size() < 10 || kUnixTypes.find(mode[0]) == std::string_view::npos) return false;
  // Owner and group may be missing or hold blanks; the date is what anchors the name.
  for (std::size_t i = 1; i + 2 < count; ++i) {
    if (!is_month(field_text(line, fields[i]))) continue;
    const std::string_view day = field_text(line, fields[i + 1]);
    if (day.size() > 2 || !all_digits(day)) continue;
    if (!is_time_or_year(field_text(line, fields[i + 2]))) continue;
    std::string_view name = name_after(line, fields[i + 2]);
    if (mode[0] == 'l') {
      const auto arrow = name.find(" -> ");
      if (arrow != std::string_view::npos) name = name.substr(0, arrow);
    }
    if (name.empty()) return false;
    out.name = std::string(name);
    out.is_folder = mode[0] == 'd' || mode[0] == 'D';
    return true;
  }
  return false;
}

// "01-15-20  10:30AM       <DIR>          name" or "...   1234 name".
bool parse_dos(std::string_view line, ListingEntry& out) {
  std::array<Field, kMaxFields> fields;
  const std::size_t count = split_fields(line, fields);
  if (count < 4) return false;
  const std::string_view date = field_text(line, fields[0]);
  if (date.size() < 8 || !params::is_digit(static_cast<unsigned char>(date[0])) ||
      (date[2] != '-' && date[2] != '/' && date[2] != '.')) {
    return false;
  }
  const std::string_view time = field_text(line, fields[1]);
  if (time.find(':') == std::string_view::npos) return false;
  const std::string_view size = field_text(line, fields[2]);
  const bool folder = params::equals_ignore_case(size, "<DIR>");
  if (!folder && !all_digits(size)) return false;
  // DOS listings pad the name column with blanks; the name is the rest after them.
  std::string_view name = line.substr(fields[3].begin);
  if (name.empty()) return false;
  out.name = std::string(name);
  out.is_folder = folder;
  return true;
}

}  // namespace

bool parse_listing_line(std::string_view line, ListingEntry& out) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  if (line.empty()) return false;
  return parse_unix(line, out) || parse_dos(line, out);
}

std::vector<ListingEntry> parse_listing(std::string_view text) {
  std::vector<ListingEntry> entries;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ListingEntry entry;
    if (parse_listing_line(line, entry) && entry.name != "." && entry.name != "..") {
      entries.push_back(std::move(entry));
    }
  }
  return entries;
}

}  // namespace velmora::ftp
