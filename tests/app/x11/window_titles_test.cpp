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

// The width of the window as the X server holds it.
int XWidth(QWidget* window) {
  QProcess xwininfo;
  xwininfo.start("xwininfo", {"-id", QString::number(window->winId())});
  if (!xwininfo.waitForFinished()) return 0;
  const QString info = QString::fromLocal8Bit(xwininfo.readAllStandardOutput());
  const qsizetype at = info.indexOf("Width:");
  return at < 0 ? 0 : info.mid(at + 6).section('\n', 0, 0).trimmed().toInt();
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
    // A title bar sets the caption in bold beside the window system's buttons; however short
    // the text, the box leaves it room, or the caption shows cut ("Quo... AR").
    QFont bold = box->font();
    bold.setBold(true);
    const QFontMetrics title(bold);
    EXPECT_GE(XWidth(box), title.horizontalAdvance("Quorin.KELMAR") + 6 * title.height());
    box->close();
  });
  window.messages().Info("i");
}
