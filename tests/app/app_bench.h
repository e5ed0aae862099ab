// What a page or a file command works on, without the main window: a fresh engine (no
// audio device; tests render by calling RenderBuffer themselves), the editing state, the
// settings, answerable message boxes, and one fake of the views the window would be.
#pragma once

#include <gtest/gtest.h>

#include <QList>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTest>
#include <QTextBlock>
#include <QWidget>
#include <memory>
#include <optional>

#include "app/app_context.h"
#include "app/message_box.h"
#include "app/pages/pattern_page.h"
#include "app/pages/song_page.h"
#include "audio/audio_output.h"
#include "history/history.h"

namespace kelmar::testing {

// Clicks a text box on the right half of a character, where the nearest caret place is
// already the next character's.
inline void ClickOn(QPlainTextEdit* box, int line, int character, Qt::KeyboardModifiers modifiers = {}) {
  QTextCursor at(box->document()->findBlockByNumber(line));
  at.setPosition(at.position() + character);
  const QRect caret = box->cursorRect(at);
  const int width = box->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  QTest::mouseClick(box->viewport(), Qt::LeftButton, modifiers, {caret.left() + width * 3 / 4, caret.center().y()});
}

// Views as the window keeps them: every refresh is logged ("instrument", "pattern",
// "order", "colors", "new") and forwarded to the real pages a test made, and the song's
// history says, as in the window, whether the song changed since it was last saved.
class FakeViews : public Views {
 public:
  // The history starts from the song as it is now.
  void Watch(Song& song, SongSettings& settings) {
    document_.emplace(SongDocument{song, settings});
    history_ = std::make_unique<History>(song, settings);
  }

  void RefreshInstrumentPanel() override { calls << "instrument"; }
  void RefreshPatternView() override {
    calls << "pattern";
    if (patternPage) patternPage->RefreshPatternView();
  }
  void RefreshOrderList() override {
    calls << "order";
    if (songPage) songPage->RefreshOrderList();
  }
  void ApplyColors() override {
    calls << "colors";
    if (songPage) songPage->ApplyColors();
  }
  void NewSong() override { calls << "new"; }
  QList<QWidget*> TextBoxes() override {
    QList<QWidget*> boxes = otherBoxes;
    if (songPage) boxes += songPage->TextBoxes();
    return boxes;
  }
  void StepDone(std::string_view name, StepRun run) override { history_->Record(*document_, name, 0, run); }
  bool UnsavedChanges() const override { return history_->Unsaved(); }

  // The song as it is now counts as saved (a load or save behind the editors' back).
  void Resync() { history_->MarkSaved(*document_); }
  // An edit of the user's: the comment changes, as one step.
  void Edit() {
    document_->settings.Comment += "*";
    StepDone("Comment", {});
  }
  int Count(const char* call) const { return static_cast<int>(calls.count(QString::fromLatin1(call))); }

  QStringList calls;
  PatternPage* patternPage = nullptr;
  SongPage* songPage = nullptr;
  QList<QWidget*> otherBoxes;  // stand-ins for the text boxes of the other pages

 private:
  std::optional<SongDocument> document_;
  std::unique_ptr<History> history_;
};

struct AppBench {
  AppBench()
      : engine(std::make_unique<Engine>()), audio(*engine), ctx{*engine, state, settings, messages, audio, views} {
    views.Watch(engine->song, settings);
  }

  std::unique_ptr<Engine> engine;
  EditorState state;
  SongSettings settings;
  MessageBoxes messages;
  AudioOutput audio;
  FakeViews views;
  AppContext ctx;
};

// A test fixture on the bench, with its parts under the names of fixture members.
class AppBenchTest : public ::testing::Test {
 protected:
  AppBench bench_;
  std::unique_ptr<Engine>& engine_ = bench_.engine;
  EditorState& state_ = bench_.state;
  SongSettings& settings_ = bench_.settings;
  MessageBoxes& messages_ = bench_.messages;
  AudioOutput& audio_ = bench_.audio;
  FakeViews& views_ = bench_.views;
  AppContext& ctx_ = bench_.ctx;
};

}  // namespace kelmar::testing
