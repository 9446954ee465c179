#pragma once

#include <string>
#include <string_view>

namespace brenvik {

// Which of the two data files a file looks like, from its first line alone.
enum class DataFileKind { Unknown, Db, Mmi };

// A DB file begins with its count line: one field, a number ("3000", or
// "3000,,," as a spreadsheet saves it). An MMI file begins with its first
// setting: a label that is no number, then a value ("s1,1,"). Anything else
// is Unknown.
DataFileKind FirstLineKind(std::string_view line);

// The kind the first line of the file at `path` looks like; Unknown when it
// cannot be read. A failed open is reported on standard error, as
// OpenDataFile does.
DataFileKind GuessDataFileKind(const std::string& path);

}  // namespace brenvik
