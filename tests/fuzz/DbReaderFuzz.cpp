// fuzz_db_reader: ReadDbFile on arbitrary file contents. Every read either
// fails, naming the file and leaving the table exactly as it was, or succeeds
// with a count the table can hold and records that keep their layout rules.

#include <algorithm>
#include <cstring>
#include <memory>

#include "FuzzSupport.h"
#include "files/DbFileReader.h"

namespace brenvik::fuzz {
namespace {

struct State {
  InputFile input{"fuzz-db"};
  std::unique_ptr<DbTable> pattern = std::make_unique<DbTable>();
  std::unique_ptr<DbTable> table = std::make_unique<DbTable>();

  State() { std::memset(static_cast<void*>(pattern.get()), kPattern, sizeof(DbTable)); }
};

State& Shared() {
  static State state;
  return state;
}

bool SubEntrySlotIsZero(const DbSubEntry& sub) {
  static constexpr DbSubEntry kZero{};
  return std::memcmp(&sub, &kZero, sizeof sub) == 0;
}

void CheckRecord(const DbRecord& record) {
  Require(IsStoredText(record.code), "code is a stored text");
  Require(IsStoredText(record.label), "label is a stored text");
  Require(IsStoredText(record.tailText), "tailText is a stored text");
  Require(record.subEntryCount <= kMaxSubEntries, "subEntryCount is 0 to 3");
  for (int k = 0; k < kMaxSubEntries; ++k) {
    if (k < record.subEntryCount) {
      Require(IsStoredText(record.subEntries[k].text), "sub-entry text is a stored text");
    } else {
      Require(SubEntrySlotIsZero(record.subEntries[k]), "unused sub-entry slot is zero");
    }
  }
}

}  // namespace
}  // namespace brenvik::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  brenvik::fuzz::QuietConsole(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace brenvik;
  using namespace brenvik::fuzz;
  State& state = Shared();
  DbTable& table = *state.table;
  const DbTable& pattern = *state.pattern;
  state.input.Write(data, size);
  std::memcpy(static_cast<void*>(&table), &pattern, sizeof table);

  const Result<FileWarnings> result = ReadDbFile(table, state.input.Path().c_str());

  if (!result.ok()) {
    Require(NamesThePath(result.error(), state.input.Path()), "the error starts with the path");
    Require(std::memcmp(&table, &pattern, sizeof table) == 0, "a failed read leaves the table");
    return 0;
  }
  Require(result.error().empty(), "a good read carries no error");
  Require(table.count >= 0 && table.count <= kMaxDbEntries, "count is 0 to 3000");
  // Records behind the count keep what an earlier file left there.
  const int32_t read = table.count;
  for (int32_t i = 0; i < read; ++i) CheckRecord(table.records[i]);
  Require(std::memcmp(&table.records[read], &pattern.records[read],
                      sizeof(DbRecord) * static_cast<std::size_t>(kMaxDbEntries - read)) == 0,
          "records behind the count are untouched");
  for (const std::string& warning : *result) {
    Require(NamesThePath(warning, state.input.Path()), "a warning starts with the path");
  }
  return 0;
}
