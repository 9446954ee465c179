#pragma once

#include <string>
#include <utility>
#include <vector>

namespace brenvik::test {

// A command line as main() gets it, for the tools' option parsers: the
// program's name, the words, and the null pointer behind them. The parsers
// may reorder the pointers, so each parse gets a CommandLine of its own.
class CommandLine {
 public:
  CommandLine(const char* program, std::vector<std::string> words) : words_(std::move(words)) {
    words_.insert(words_.begin(), program);
    for (std::string& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
  }
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  int argc() const { return static_cast<int>(words_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

}  // namespace brenvik::test
