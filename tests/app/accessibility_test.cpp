// The window as assistive technology reads it, through Qt's accessibility interface.
#include <QAccessible>
#include <QPlainTextEdit>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

#include "app/pages/pattern_page.h"
#include "app/pages/song_color.h"
#include "app/window_pages.h"
#include "window_fixture.h"

namespace kelmar::testing {
namespace {

// The names of the shown controls under `iface`.
void CollectNames(QAccessibleInterface* iface, QStringList& names) {
  static const QSet<QAccessible::Role> kControls = {
      QAccessible::PushButton, QAccessible::CheckBox, QAccessible::RadioButton, QAccessible::ScrollBar,
      QAccessible::EditableText, QAccessible::PageTab, QAccessible::ComboBox, QAccessible::SpinBox};
  for (int k = 0; k < iface->childCount(); ++k) {
    QAccessibleInterface* child = iface->child(k);
    if (child == nullptr || child->state().invisible) continue;
    if (kControls.contains(child->role())) names << child->text(QAccessible::Name);
    CollectNames(child, names);
  }
}

// Each name or description change: the object, its name and its description then.
std::vector<std::tuple<QObject*, QString, QString>> changes;

void Record(QAccessibleEvent* event) {
  QAccessibleInterface* iface = event->accessibleInterface();
  const bool change = event->type() == QAccessible::NameChanged || event->type() == QAccessible::DescriptionChanged;
  if (iface == nullptr || !change) return;
  changes.emplace_back(event->object(), iface->text(QAccessible::Name), iface->text(QAccessible::Description));
}

// What a screen reader's bridge does when it starts: the events go out, here to `handler`.
void ListenAs(QAccessible::UpdateHandler handler) {
  QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(handler != nullptr);
  QAccessible::installUpdateHandler(handler);
}

using AccessibilityTest = WindowTest;

TEST_F(AccessibilityTest, EveryControlOfEveryPageHasANameOfItsOwn) {
  ShowActive();
  for (int page = 0; page < Pages()->count(); ++page) {
    ShowPage(page);
    QStringList names;
    CollectNames(QAccessible::queryAccessibleInterface(Pages()->widget(page)), names);
    const std::string shown = names.join(" | ").toStdString();
    EXPECT_FALSE(names.isEmpty() || names.contains(QString())) << page << ": " << shown;
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size()) << shown;
  }
}

TEST_F(AccessibilityTest, ACursorMoveSaysTheRowAndTheCellAndSwitchesAreSaid) {
  ShowActive();
  ShowPage(kPatternPage);
  window->engine().song.Cell(0, 2, 1) = {13, 0x21, 5, 0xFF};
  window->patternPage().FocusTrack(3);
  ListenAs(Record);
  QTest::keyClick(Focused(), Qt::Key_Down);
  std::erase_if(changes, [this](const auto& change) { return std::get<0>(change) != Focused(); });
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(std::get<1>(changes.back()), "Track 3, row 1, note");
  EXPECT_EQ(std::get<2>(changes.back()), "C sharp 1, instrument 5, volume left 15 right 15");

  Run("Record1");
  EXPECT_EQ(Focused()->accessibleDescription(), "Record on");
  QTest::keyClick(Focused(), Qt::Key_Down);
  EXPECT_EQ(Focused()->accessibleDescription(), "no note");  // the cell's words again
  ListenAs(nullptr);
}

TEST_F(AccessibilityTest, HighContrastLeavesTheSongsColoursToComeBack) {
  const uint32_t songText = window->settings().TextColor;
  Run("HighContrast1");
  EXPECT_EQ(window->patternPage().Memo(1)->palette().color(QPalette::Base), QColor(Qt::black));
  Run("HighContrast1");
  EXPECT_EQ(window->patternPage().Memo(1)->palette().color(QPalette::Text), ToQColor(songText));
}

}  // namespace
}  // namespace kelmar::testing
