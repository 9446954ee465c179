#include "app/BrenvikApp.h"

int main(int argc, char** argv) {
  brenvik::app::CBrenvikApp app(argc, argv);
  return app.InitInstance();
}
