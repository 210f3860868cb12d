#pragma once
// The disc identifier: eight hexadecimal digits computed from the table of contents, by
// which the registry finds a disc's data file.
#include <QString>
#include <cstdint>
#include <vector>

class CdDevice;

// The identifier of the disc in the drive, asked of the device in TMSF as MakeDiscId
// does; the device is left in milliseconds.
QString DiscIdOf(CdDevice& device);

// The disc identifier of a table of contents as the device reports it in TMSF:
// positions[i] and lengths[i] of track i + 1 (at most the first 30 are used).
QString DiscIdFromToc(const std::vector<uint32_t>& positions, const std::vector<uint32_t>& lengths);
