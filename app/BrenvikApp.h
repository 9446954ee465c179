#pragma once

#include <QApplication>

namespace brenvik::app {

// The program: one application object, which runs the main window modally;
// closing the window ends the program.
class CBrenvikApp : public QApplication {
  Q_OBJECT

 public:
  CBrenvikApp(int& argc, char** argv);

  // Runs the main window until it is closed; returns the exit code, 0.
  int InitInstance();
};

}  // namespace brenvik::app
