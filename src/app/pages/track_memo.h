// One track column of the pattern page: a read-only text box that hands every key, click
// and focus change to the page's handlers.
#pragma once

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include "app/pages/pattern_page.h"
#include "app/pages/text_hit.h"

namespace kelmar {

// One track column. Every key, click and focus change goes to the page's handlers; the
// box itself never edits or moves its caret, so what it shows is always the cells and the
// caret is always at the cursor (a click moves the cursor, then the caret follows).
class TrackMemo : public QPlainTextEdit {
 public:
  TrackMemo(PatternPage& page, int track, QWidget* parent) : QPlainTextEdit(parent), page_(page), track_(track) {}
  int Tag() const { return track_; }

 protected:
  bool event(QEvent* event) override {
    // Shortcuts belong to the menu, never to the text box's own copy and select-all.
    if (event->type() == QEvent::ShortcutOverride) {
      event->ignore();
      return true;
    }
    // Tab and Shift+Tab walk the tracks; past the first or last track they leave the
    // columns along the focus chain, after their key-down stage.
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      const bool tab = key->key() == Qt::Key_Tab;
      if ((tab && track_ < kTrackCount - 1) || (key->key() == Qt::Key_Backtab && track_ > 0)) {
        keyPressEvent(key);
        return true;
      }
      if (tab || key->key() == Qt::Key_Backtab) page_.Memo1KeyDown(track_, key);
    }
    return QPlainTextEdit::event(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    const char* step = page_.StepName(track_, event);
    if (!page_.Memo1KeyDown(track_, event)) page_.Memo1KeyPress(track_, event);
    page_.KeyDone(step, track_, event);
    event->accept();
  }
  void keyReleaseEvent(QKeyEvent* event) override { event->accept(); }
  void focusInEvent(QFocusEvent* event) override {
    QPlainTextEdit::focusInEvent(event);
    page_.Memo1Enter(track_, event->reason() == Qt::MouseFocusReason);
  }
  void mousePressEvent(QMouseEvent* event) override {
    setFocus(Qt::MouseFocusReason);  // the toolkit gave it already, before the press came
    page_.Memo1MouseDown(track_, CharacterAt(*this, event->position().toPoint()),
                         event->modifiers() & Qt::ShiftModifier);
    event->accept();
  }
  void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
  void mouseReleaseEvent(QMouseEvent* event) override {
    page_.Memo1Click(track_);
    event->accept();
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    page_.Memo1Click(track_);
    event->accept();
  }
  void inputMethodEvent(QInputMethodEvent* event) override { event->ignore(); }

 private:
  PatternPage& page_;
  int track_;
};

}  // namespace kelmar
