// fuzz_mmi_reader: ReadMmiFile on arbitrary file contents. Every read either
// fails, naming the file and leaving the block exactly as it was, or succeeds
// with a block whose reserved byte is 0 and whose texts keep their layout rules.

#include <cstring>

#include "FuzzSupport.h"
#include "files/MmiFileReader.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  brenvik::fuzz::QuietConsole(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace brenvik;
  using namespace brenvik::fuzz;
  static InputFile input("fuzz-mmi");
  input.Write(data, size);
  MmiBlock pattern;
  std::memset(static_cast<void*>(&pattern), kPattern, sizeof pattern);
  MmiBlock block = pattern;

  const Result<FileWarnings> result = ReadMmiFile(block, input.Path().c_str());

  if (!result.ok()) {
    Require(NamesThePath(result.error(), input.Path()), "the error starts with the path");
    Require(std::memcmp(&block, &pattern, sizeof block) == 0, "a failed read leaves the block");
    return 0;
  }
  Require(result.error().empty(), "a good read carries no error");
  Require(block.reserved == 0, "reserved is 0");
  Require(IsStoredText(block.longText), "longText is a stored text");
  Require(IsStoredText(block.shortText1), "shortText1 is a stored text");
  Require(IsStoredText(block.shortText2), "shortText2 is a stored text");
  for (const std::string& warning : *result) {
    Require(NamesThePath(warning, input.Path()), "a warning starts with the path");
  }
  return 0;
}
