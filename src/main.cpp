#include "ui/app/Application.h"

int main(int argc, char** argv) {
  return vexilon::RunApplication(argc, argv);
}
