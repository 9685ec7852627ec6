// What in a skin would look wrong or be refused, found before anyone opens
// it in the panel: bitmaps the ini names but the skin lacks, bitmaps of the
// wrong kind or size for their frames and margins, borders that do not fit
// together, missing key-colour corners, sections and keys the loading never
// reads, and values beyond what it takes. The skin is read exactly as the
// loader reads it (ReadSkinIni). Portable.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A skin's files by name, lower-cased as a package holds them.
using TSkinFiles = std::map<std::string, std::vector<uint8_t>>;

// One line per problem: "FILE: [Section] Key: what is wrong", in the order
// of the ini. None for a sound skin.
std::vector<std::string> CheckSkin(const TSkinFiles& files);
