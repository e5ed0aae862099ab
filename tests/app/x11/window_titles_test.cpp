// Captions as the X server holds them: xcb on a private virtual display (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

#include "app/main_window.h"
#include "app/message_box.h"

std::string NetWmName(QWidget* window) {
  QProcess xprop;
  xprop.start("xprop", {"-id", QString::number(window->winId()), "-notype", "_NET_WM_NAME"});
  return xprop.waitForFinished() ? xprop.readAllStandardOutput().trimmed().toStdString() : "";
}

TEST(WindowTitles, CaptionsStandAlone) {
  char name[] = "kelmar", *argv[] = {name, nullptr};
  int argc = 1;
  QApplication app(argc, argv);
  kelmar::NameApplication();
  kelmar::MainWindow window(nullptr, kelmar::MainWindowOptions{false});
  window.show();
  EXPECT_EQ(NetWmName(&window), "_NET_WM_NAME = \"Quorin.Kelmar\"");
  QTimer::singleShot(0, [] {
    auto* box = static_cast<QMessageBox*>(QApplication::activeModalWidget());
    EXPECT_EQ(NetWmName(box), "_NET_WM_NAME = \"Quorin.KELMAR\"");
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    box->close();
  });
  window.messages().Info("i");
}
