#include "bench/BenchTable.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace brenvik::bench {

std::unique_ptr<DbTable> MakeBenchTable(int entries) {
  auto table = std::make_unique<DbTable>();
  table->count = entries;
  for (int i = 0; i < entries; ++i) {
    DbRecord& record = table->records[i];
    std::snprintf(record.code, sizeof record.code, "C%05d", i % 100000);
    record.attribute = static_cast<uint8_t>(i % 13);
    record.subEntryCount = static_cast<uint8_t>(i % 4);
    std::snprintf(record.label, sizeof record.label, "LABEL %d", i);
    for (int k = 0; k < record.subEntryCount; ++k) {
      record.subEntries[k].value = (i + k) % 256;
      std::snprintf(record.subEntries[k].text, 14, "TEXT %d", k);
    }
    std::snprintf(record.tailText, 6, "T%d", i % 1000);
  }
  return table;
}

double DownloadFloorMs(int entries) {
  const double firstFrame = 2 + 83 * 5;
  const double answerWaits = 10.0 * std::max(entries - 1, 0);
  return firstFrame + 500 + answerWaits;
}

}  // namespace brenvik::bench
