// The main dialog's template in app/win32/brenvik.rc, read as text, against
// the layout table the Qt window is placed from: the same controls in the
// same order, each with its id, kind, place, size, styles and caption.

#include "app/MainDialogLayout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace brenvik::app {
namespace {

// One control line of a dialog template, with what the table says of it.
struct TemplateControl {
  std::string statement;  // COMBOBOX, EDITTEXT, PUSHBUTTON, LTEXT or CONTROL
  std::string name;       // IDC_PORT, IDC_STATIC
  std::string caption;    // a button's or a label's text, the logo's bitmap
  int x = 0, y = 0, width = 0, height = 0;
  bool disabled = false;
  bool readOnly = false;
  bool operator==(const TemplateControl&) const = default;
};

void PrintTo(const TemplateControl& c, std::ostream* out) {
  *out << c.statement << " " << c.name << " \"" << c.caption << "\" " << c.x << "," << c.y << ","
       << c.width << "," << c.height << (c.disabled ? " disabled" : "")
       << (c.readOnly ? " read-only" : "");
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields;
  std::stringstream in(text);
  for (std::string field; std::getline(in, field, ',');) {
    field = Trimmed(field);
    if (field.size() >= 2 && field.front() == '"') field = field.substr(1, field.size() - 2);
    fields.push_back(field);
  }
  return fields;
}

// The statement's fields: [caption,] id, x, y, width, height [, styles];
// CONTROL: bitmap, id, class, styles, x, y, width, height.
TemplateControl Parse(const std::string& line) {
  TemplateControl c;
  const std::string text = Trimmed(line);
  c.statement = text.substr(0, text.find(' '));
  std::vector<std::string> f = Fields(text.substr(c.statement.size()));
  const bool captioned = c.statement == "PUSHBUTTON" || c.statement == "LTEXT";
  const std::size_t at = c.statement == "CONTROL" ? 4 : captioned ? 2 : 1;
  if (f.size() < at + 4) return c;
  c.caption = captioned || c.statement == "CONTROL" ? f[0] : "";
  c.name = f[captioned || c.statement == "CONTROL" ? 1 : 0];
  c.x = std::stoi(f[at]);
  c.y = std::stoi(f[at + 1]);
  c.width = std::stoi(f[at + 2]);
  c.height = std::stoi(f[at + 3]);
  const std::string styles = c.statement == "CONTROL" ? f[3] : f.size() > at + 4 ? f[at + 4] : "";
  c.disabled = styles.find("WS_DISABLED") != std::string::npos;
  c.readOnly = styles.find("ES_READONLY") != std::string::npos;
  return c;
}

TemplateControl Expected(const DialogControl& row) {
  static const char* const kStatements[] = {"COMBOBOX", "EDITTEXT", "PUSHBUTTON", "LTEXT",
                                            "CONTROL"};
  return {kStatements[static_cast<int>(row.kind)],
          row.name,
          row.kind == ControlKind::Logo ? "IDB_LOGO" : row.caption,
          row.x,
          row.y,
          row.width,
          row.height,
          row.disabledAtStart,
          row.readOnly};
}

TEST(MainDialogLayout, TheWin32TemplateHoldsTheTablesControlsInItsOrder) {
  std::ifstream rc(BRENVIK_MAIN_RC);
  ASSERT_TRUE(rc) << BRENVIK_MAIN_RC;
  std::string line;
  while (std::getline(rc, line) && !line.starts_with("IDD_MAIN DIALOGEX")) {
  }
  EXPECT_EQ(line.substr(line.find("DIALOGEX") + 8), " 0, 0, " + std::to_string(kMainDialogWidth) +
                                                        ", " + std::to_string(kMainDialogHeight));
  while (std::getline(rc, line) && Trimmed(line) != "BEGIN") {
  }
  std::vector<TemplateControl> controls;
  while (std::getline(rc, line) && Trimmed(line) != "END") controls.push_back(Parse(line));

  ASSERT_EQ(controls.size(), kMainDialogControls.size());
  for (std::size_t i = 0; i < controls.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(controls[i], Expected(kMainDialogControls[i]));
  }
}

}  // namespace
}  // namespace brenvik::app
