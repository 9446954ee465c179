#pragma once

#include <string>
#include <vector>

#include "app/PortChoices.h"
#include "download/DownloadProgress.h"

namespace brenvik::app {

// What the window controller needs of a main window, in its own words: each
// toolkit's dialog implements it over its controls, which it finds by their
// IDC_ ids. Texts are UTF-8. Everything here is called on the UI thread.
class WindowView {
 public:
  virtual ~WindowView() = default;

  // The text of an edit field or of the port field.
  virtual std::string FieldText(int id) = 0;
  // Shows text in an edit field; a field that shows it already is left
  // alone, as rewriting it would move the caret of a field being edited.
  virtual void SetFieldText(int id, const std::string& text) = 0;
  virtual void EnableControl(int id, bool enabled) = 0;
  virtual void SetCaption(int id, const char* caption) = 0;
  // The window's own caption.
  virtual void SetTitle(const std::string& title) = 0;

  // Shows text with one OK button and returns once it was dismissed.
  virtual void ShowMessage(const std::string& text) = 0;
  // Asks text with Yes and No, No the default; true for Yes.
  virtual bool AskQuestion(const std::string& text) = 0;
  // The chosen file's path, or an empty text when the operator cancelled.
  virtual std::string ChooseFile(DownloadKind kind) = 0;

  // Starts (or restarts) timer 1, which ticks every 100 ms.
  virtual void StartTimer() = 0;
  virtual void StopTimer() = 0;

  // The port list's current index, -1 when there is none.
  virtual int ChosenPortIndex() = 0;
  // Lists present below COM48 in place of the ports listed there before, the
  // list as wide as its longest line, so that an adapter can be told by its
  // name; what the field shows afterwards is set by one of the two below.
  virtual void ListPresentPorts(const std::vector<PortChoice>& present) = 0;
  virtual void ChoosePortIndex(int index) = 0;
  virtual void TypePort(const std::string& text) = 0;
};

}  // namespace brenvik::app
