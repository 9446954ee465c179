#pragma once

namespace brenvik::load {

// The help's paragraphs and the usage error that speak of the system the
// loader runs on: how ports are named, how the ports are listed, what stops
// a download.
struct HelpTexts {
  const char* portForms;    // the help's paragraph on what PORT may be
  const char* portNeeded;   // the usage error of --port without a value
  const char* listColumns;  // the help's lines on --list-ports
  const char* stopping;     // the help's line on what stops a download
  const char* lineExample;  // the help's production-line example
};
const HelpTexts& SystemHelpTexts();

}  // namespace brenvik::load
