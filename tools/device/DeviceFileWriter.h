#pragma once

#include <string>

#include "base/Result.h"
#include "files/DbTable.h"
#include "files/MmiBlock.h"

namespace brenvik::device {

// Writes a database in the DB file format: the count line, a heading line, then
// one line per entry "i,code,attribute,subEntryCount,label,value,text,...,tail,0,0"
// with i counting from 1 and the numbers in decimal. Texts are written as they
// stand; a text that is empty or holds a comma cannot be read back the same, as
// in any DB file. At most kMaxDbEntries entries are written. Each writer fails
// with "path: cause", and leaves no half-written file behind.
Result<> WriteDbFile(const DbTable& table, const std::string& path);

// Writes an MMI block in the MMI file format: eight "label,value," lines, each
// setting as the one character '0' + value, then the three texts.
Result<> WriteMmiFile(const MmiBlock& block, const std::string& path);

}  // namespace brenvik::device
