// The "Song Editor" page (TOrder): the order list MemoPO with its keyboard, the song's
// title, comment, tempo, speed and the two colours, and the "Optimize" button.
// The rules live in editors/pattern (order_list, song_settings_rules); this page only
// turns widget events into them and redraws.
#pragma once

#include <QWidget>
#include <utility>

#include "app/app_context.h"

class QFont;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;

namespace kelmar {

struct TextHit;

class SongPage : public QWidget {
  Q_OBJECT
 public:
  SongPage(AppContext& ctx, QWidget* parent);

  // Rebuilds the order list text from the song and places the caret at the order cursor;
  // then sets the speed and tempo controls, and the title and comment boxes when the song's
  // text was replaced from outside (new song, load).
  void RefreshOrderList();
  // The page became visible.
  void TOrderShow();
  // MemoPO, MemoC, EditTit.
  QList<QWidget*> TextBoxes();
  // Colours every text box of the window and sets the six colour bars from the colours.
  void ApplyColors();

  // MemoPO's events. The key stages return whether the key was used up.
  void MemoPOEnter();
  // A press of the mouse on a character of the list: the order cursor goes there.
  void MemoPOClick(const TextHit& hit);
  bool MemoPOKeyDown(QKeyEvent* event);
  void MemoPOKeyPress(const QKeyEvent* event);
  // Both key stages ran: the key's change becomes an undo step.
  void OrderKeyDone(const QKeyEvent* event);

  void OptimizeClick();

  // User moves of the scroll bars (never run when the program sets a position).
  void ScrollBarSPDScroll(int position);
  void ScrollBarTPOScroll(int position);
  void ScrollBarRFScroll(int tag, int position);
  void ScrollBarRBScroll(int tag, int position);

  // The caret at the order cursor, as a point.
  void PlaceOrderCaret();
  // MemoPO's character index of a line and column (the widget's text has one-character
  // line breaks).
  int OrderTextPosition(int line, int column) const;

  QPlainTextEdit* MemoPO() const { return memoPO_; }
  QPlainTextEdit* MemoC() const { return memoC_; }
  QLineEdit* EditTit() const { return editTit_; }

 private:
  // The page's controls; the order they are built in is the focus chain's.
  void BuildOrderList(const QFont& fixed);
  void BuildTitleAndComment(const QFont& fixed);
  void BuildSpeedAndTempo(const QFont& fixed);
  void BuildColorBars();

  void RefreshSongText();
  void TitleEdited(const QString& text);
  void CommentChanged();
  // Leaves out of the comment box's last edit what a song file could not store as it is:
  // characters the code page lacks, and what passes the comment's 65,535 bytes.
  void FitCommentEdit();
  QScrollBar* AddBar(const char* name, int x, int y, int width, int minimum, int maximum, int pageStep,
                     int position, int tag);

  AppContext& ctx_;
  QPlainTextEdit* memoPO_ = nullptr;
  QPlainTextEdit* memoC_ = nullptr;
  QLineEdit* editTit_ = nullptr;
  QPushButton* optimize_ = nullptr;
  QLabel* labelSPD_ = nullptr;
  QLabel* labelTPO_ = nullptr;
  QScrollBar* scrollBarSPD_ = nullptr;
  QScrollBar* scrollBarTPO_ = nullptr;
  QScrollBar* textBars_[3] = {};
  QScrollBar* backBars_[3] = {};
  bool settingText_ = false;  // the program is writing the title or comment box
  std::pair<int, int> commentEdit_{-1, -1};  // the comment box's last edit: its new characters
};

}  // namespace kelmar
