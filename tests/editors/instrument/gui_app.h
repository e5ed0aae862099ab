// The scope images carry text, and text needs a GUI application: one for the whole program.
#pragma once

#include <QGuiApplication>

namespace kelmar::test {

inline void EnsureGuiApp() {
  if (QCoreApplication::instance() != nullptr) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "kelmar_instrument_editor_tests";
  static char* argv[] = {name, nullptr};
  new QGuiApplication(argc, argv);  // lives until the program ends
}

}  // namespace kelmar::test
