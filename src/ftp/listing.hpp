// Reads the folder listings FTP servers send for LIST: the Unix "ls -l" form and the
// DOS form of Windows servers.  Lines in neither form are passed over.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace velmora::ftp {

struct ListingEntry {
  std::string name;  // as the server spells it (a link's own name, not its target)
  bool is_folder = false;
};

std::vector<ListingEntry> parse_listing(std::string_view text);

// One line without its line end; false when it holds no entry.
bool parse_listing_line(std::string_view line, ListingEntry& out);

}  // namespace velmora::ftp
