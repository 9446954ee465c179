#pragma once

#include <memory>

#include "files/DbTable.h"

namespace brenvik::bench {

// A table of `entries` entries that uses every field, within what the wire carries.
std::unique_ptr<DbTable> MakeBenchTable(int entries);

// The sleeps a download of `entries` entries cannot avoid, in milliseconds:
// the paced first frame (2 ms after STX, 5 ms after each of its 83 pairs),
// the 500 ms behind it, and the 10 ms that each answer wait starts with.
double DownloadFloorMs(int entries);

}  // namespace brenvik::bench
