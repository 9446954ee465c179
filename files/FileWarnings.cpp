#include "files/FileWarnings.h"

#include <map>
#include <set>
#include <utility>

namespace brenvik {

void PrintWarnings(const FileWarnings& warnings, ConsoleChannel& console) {
  for (const std::string& warning : warnings) console.Report(warning);
}

std::string WarningCollector::Where(int line) const {
  return m_path + ":" + std::to_string(line) + ": ";
}

std::string WarningCollector::What(const FieldRef& field) const {
  return Where(field.line) + "field " + std::to_string(field.number) + " (" + field.name + ")";
}

void WarningCollector::Add(const FieldRef& field, WarningCause cause, std::string warning) {
  m_found.push_back({field, cause, std::move(warning)});
}

void WarningCollector::CountText(const FieldRef& field, bool quoted) {
  const auto known = m_textsOf.find(field.name);
  if (known == m_textsOf.end()) {
    m_textsOf.emplace(field.name, 1);
  } else {
    ++known->second;
  }
  ++m_texts;
  if (quoted) ++m_quotedTexts;
}

FileWarnings WarningCollector::Gather(int lines, const std::string& linesName) const {
  const bool allQuoted = m_quotedTexts >= 2 && 2 * m_quotedTexts >= m_texts;

  // The lines each cause of each field stands on.
  using Key = std::pair<WarningCause, std::string>;
  std::map<Key, std::set<int>> linesOf;
  for (const Found& found : m_found) {
    linesOf[{found.cause, found.field.name}].insert(found.field.line);
  }

  // A field with a date on at least two lines and half of its lines holds
  // dates on purpose.
  std::map<std::string, int> datesOf;
  for (const Found& found : m_found) {
    if (found.cause == WarningCause::kRetypedDate) ++datesOf[found.field.name];
  }
  const auto isMeantDate = [&](const FieldRef& field) {
    const int dates = datesOf[field.name];
    return dates >= 2 && 2 * dates >= m_textsOf.find(field.name)->second;
  };

  FileWarnings warnings;
  std::set<Key> said;
  for (const Found& found : m_found) {
    if (found.cause == WarningCause::kRetypedDate && isMeantDate(found.field)) continue;
    if (found.cause == WarningCause::kQuotedText && allQuoted) {
      if (said.insert({found.cause, {}}).second) {
        warnings.push_back(m_path + ": " + std::to_string(m_quotedTexts) + " of " +
                           std::to_string(m_texts) +
                           " text fields start with a double quote: the file was saved with "
                           "every text quoted, and the quotes reach the device as part of each "
                           "text; save it again without quoting text cells");
      }
      continue;
    }
    const Key key{found.cause, found.field.name};
    const auto on = static_cast<int>(linesOf[key].size());
    if (on < 2 || 2 * on < lines) {
      warnings.push_back(found.warning);
    } else if (said.insert(key).second) {
      warnings.push_back(found.warning + "; the same on " + std::to_string(on - 1) +
                         " more lines, " + std::to_string(on) + " of the file's " +
                         std::to_string(lines) + " " + linesName);
    }
  }
  return warnings;
}

}  // namespace brenvik
