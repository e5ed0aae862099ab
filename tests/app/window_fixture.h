// The real main window for widget tests, started without a sound device, and the helpers that
// drive it (with the window's header and the Qt classes they use): a TEST_F derives from
// WindowTest; a test of several windows holds Windows.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <memory>

#include "app/commands/command_table.h"
#include "app/main_window.h"

namespace kelmar::testing {

class Window {
 public:
  // Replaces the window there is with a new one; the tests that hear sound open audio here.
  void StartWindow(MainWindow::Options options = {.openAudio = false}) {
    window.reset();
    window = std::make_unique<MainWindow>(nullptr, options);
  }
  template <typename T = QAction>
  T* Find(const char* name) {
    T* found = window->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QAction* Item(const char* name) { return Find(name); }
  QMenu* Menu(const char* name) { return Find<QMenu>(name); }
  QTabWidget* Pages() { return Find<QTabWidget>("PageControl2"); }
  void ShowPage(int page) { Pages()->setCurrentIndex(page); }
  void ShowActive() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  QWidget* Focused() { return QApplication::focusWidget(); }
  // The command of the table of that object name, as the user chooses it from the menu
  // ("Song2" is Load / Song).
  void Run(const char* commandName) {
    EXPECT_NE(FindCommand(commandName), nullptr) << commandName << " is no command of the table";
    if (QAction* item = Item(commandName)) item->trigger();
  }
  // The answer to the next message box.
  void Answer(MessageBoxes::Answer answer) { window->messages().QueueAnswer(answer); }

  std::unique_ptr<MainWindow> window;
};

class WindowTest : public ::testing::Test, public Window {
 protected:
  using Window::Run;  // not the private one of ::testing::Test
  void SetUp() override { StartWindow(); }
  // Destroyed without closing, so no question is pending.
  void TearDown() override { window.reset(); }
};

}  // namespace kelmar::testing
