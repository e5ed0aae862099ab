// Captions as the X server holds them: xcb on a private virtual display (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

#include "app/keys/key_caps.h"
#include "app/keys/key_presets.h"
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

// One application for the whole program, kept to its end: the X server resets when its last
// client goes, and may refuse one that comes during the reset.
void App() {
  static char name[] = "kelmar", *argv[] = {name, nullptr};
  static int argc = 1;
  static const QApplication* app = new QApplication(argc, argv);
  (void)app;
}

TEST(WindowTitles, CaptionsStandAlone) {
  App();
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

// Ctrl alone by its side, as the modifier transport preset binds it: the right one plays the
// song, the left one stays a modifier.
TEST(PlaceKeys, RightCtrlPlaysTheSongLeftCtrlDoesNot) {
  App();
  kelmar::MainWindow window(nullptr, kelmar::MainWindowOptions{false});
  window.ApplyKeys(kelmar::BindingsOfPreset(kelmar::KeyPresets()[2]));
  window.show();
  auto press = [&](quint32 x11Code) {
    QKeyEvent event(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, x11Code, 0, 0);
    QApplication::sendEvent(window.focusWidget() ? window.focusWidget() : &window, &event);
  };
  press(37);  // left
  EXPECT_EQ(window.engine().Playing, 0);
  press(105);  // right
  EXPECT_NE(window.engine().Playing, 0);
  EXPECT_EQ(kelmar::KeyCaps().Of(*kelmar::PlaceNamed("KeyZ")), "Z");  // the virtual display's US layout
}
