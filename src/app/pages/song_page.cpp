#include "app/pages/song_page.h"
#include "app/pages/song_color.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QValidator>

#include "app/access/bar_keys.h"
#include "app/access/control_names.h"
#include "app/fixed_font.h"
#include "app/pages/text_hit.h"
#include "app/message_box.h"
#include "app/platform_key.h"
#include "app/scroll_bar_moves.h"
#include "app/step_runs.h"
#include "editors/song/order_list.h"
#include "editors/song/order_optimizer.h"
#include "editors/song/song_settings_rules.h"
#include "files/song_stream.h"
#include "files/text_codepage.h"

namespace kelmar {

namespace {

// The order list box: read-only, its caret always at the order cursor. Keys go through
// the page's two key stages; a click puts the cursor on the clicked entry and digit.
class OrderMemo : public QPlainTextEdit {
 public:
  OrderMemo(SongPage& page, QWidget* parent) : QPlainTextEdit(parent), page_(page) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool consumed = page_.MemoPOKeyDown(event);
    const QString text = event->text();
    // Keys without a character that the order editor leaves alone (page keys, Tab, ...)
    // still reach the box; the caret goes back to the cursor afterwards.
    if (!consumed && text.isEmpty()) QPlainTextEdit::keyPressEvent(event);
    if (!text.isEmpty()) page_.MemoPOKeyPress(event);
    page_.PlaceOrderCaret();
    page_.OrderKeyDone(event);
    event->accept();
  }
  void focusInEvent(QFocusEvent* event) override {
    QPlainTextEdit::focusInEvent(event);
    page_.MemoPOEnter();
  }
  void mousePressEvent(QMouseEvent* event) override { Click(event); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { Click(event); }
  void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
  void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }

 private:
  void Click(QMouseEvent* event) {
    page_.MemoPOClick(CharacterAt(*this, event->position().toPoint()));
    if (!hasFocus()) setFocus(Qt::MouseFocusReason);
    event->accept();
  }
  SongPage& page_;
};

QString ToCrLf(QString text) { return text.replace(QLatin1Char('\n'), QLatin1String("\r\n")); }
QString FromCrLf(QString text) { return text.replace(QLatin1String("\r\n"), QLatin1String("\n")); }

// What of the text a song file keeps as it is, in at most room bytes (files/text_codepage.h).
QString Storable(const QString& text, size_t room = SIZE_MAX) {
  return QString::fromStdString(FitWindows1252(text.toStdString(), room));
}

// The title box leaves out, as they are typed or pasted, the characters a song file cannot store.
class StorableText : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override {
    pos = static_cast<int>(Storable(input.left(pos)).size());  // every storable character is one unit
    input = Storable(input);
    return Acceptable;
  }
};

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int width) {
  auto* label = new QLabel(text, parent);
  if (name) label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(x, y, width, 14);
  return label;
}

}  // namespace

SongPage::SongPage(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("TOrder"));
  const QFont fixed = FixedPitchFont(11);
  BuildOrderList(fixed);
  BuildTitleAndComment(fixed);
  BuildSpeedAndTempo(fixed);
  BuildColorBars();
  RefreshSongText();
}

void SongPage::BuildOrderList(const QFont& fixed) {
  optimize_ = new QPushButton(QStringLiteral("Optimize"), this);
  optimize_->setObjectName(QStringLiteral("Optimize"));
  optimize_->setToolTip(QStringLiteral(
      "Makes the order list play the first of any identical patterns in place of the others"));
  optimize_->setStatusTip(optimize_->toolTip());
  optimize_->setGeometry(3, 4, 70, 23);
  connect(optimize_, &QPushButton::clicked, this, [this] { OptimizeClick(); });

  memoPO_ = new OrderMemo(*this, this);
  memoPO_->setObjectName(QStringLiteral("MemoPO"));
  memoPO_->setGeometry(3, 32, 70, 457);
  memoPO_->setFont(fixed);
  memoPO_->setReadOnly(true);
  memoPO_->setTextInteractionFlags(Qt::TextSelectableByKeyboard);
  memoPO_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memoPO_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memoPO_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memoPO_->setUndoRedoEnabled(false);
  memoPO_->setContextMenuPolicy(Qt::NoContextMenu);
  memoPO_->setPlainText(FromCrLf(QString::fromStdString(InitialOrderListText())));
  memoPO_->setAccessibleName(QStringLiteral("Order list"));
  NameScrollBarsOf(memoPO_);
}

void SongPage::BuildTitleAndComment(const QFont& fixed) {
  editTit_ = new QLineEdit(this);
  editTit_->setObjectName(QStringLiteral("EditTit"));
  editTit_->setGeometry(112, 4, 537, 22);
  editTit_->setFont(fixed);
  editTit_->setMaxLength(32767);
  editTit_->setValidator(new StorableText(editTit_));
  editTit_->setAccessibleName(QStringLiteral("Title"));
  connect(editTit_, &QLineEdit::textEdited, this, [this](const QString& text) { TitleEdited(text); });

  memoC_ = new QPlainTextEdit(this);
  memoC_->setObjectName(QStringLiteral("MemoC"));
  memoC_->setGeometry(112, 32, 537, 372);
  memoC_->setFont(fixed);
  memoC_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memoC_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memoC_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memoC_->setUndoRedoEnabled(false);  // the song's timeline undoes typing too
  memoC_->setTabChangesFocus(true);   // Tab goes on to the next control, as in a dialog
  memoC_->setAccessibleName(QStringLiteral("Comment"));
  NameScrollBarsOf(memoC_);
  connect(memoC_->document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
    if (!settingText_) commentEdit_ = {from, from + added};
  });
  connect(memoC_, &QPlainTextEdit::textChanged, this, [this] { CommentChanged(); });
}

void SongPage::BuildSpeedAndTempo(const QFont& fixed) {
  const QLabel* speed = AddLabel(this, nullptr, QStringLiteral("Speed"), 111, 408, 40);
  labelSPD_ = AddLabel(this, "LabelSPD", QString::fromStdString(NumberLabelText(kDefaultSpeed)), 152, 408, 30);
  labelSPD_->setFont(fixed);
  scrollBarSPD_ = AddBar("ScrollBarSPD", 184, 409, 464, kSpeedMin, kSpeedMax, kSpeedPageStep, kDefaultSpeed, -1);
  OnUserMove(scrollBarSPD_, [this](int position) { ScrollBarSPDScroll(position); });
  scrollBarSPD_->setAccessibleName(speed->text());

  const QLabel* tempo = AddLabel(this, nullptr, QStringLiteral("Tempo"), 112, 424, 40);
  labelTPO_ = AddLabel(this, "LabelTPO", QString::fromStdString(NumberLabelText(kDefaultTempo)), 152, 424, 30);
  labelTPO_->setFont(fixed);
  scrollBarTPO_ = AddBar("ScrollBarTPO", 184, 425, 464, kTempoMin, kTempoMax, kTempoPageStep, kDefaultTempo, -1);
  OnUserMove(scrollBarTPO_, [this](int position) { ScrollBarTPOScroll(position); });
  scrollBarTPO_->setAccessibleName(tempo->text());
}

void SongPage::BuildColorBars() {
  const QString text = AddLabel(this, nullptr, QStringLiteral("Text Color"), 112, 440, 70)->text();
  const QString back = AddLabel(this, nullptr, QStringLiteral("Back Color"), 112, 456, 70)->text();
  const char* const textNames[3] = {"ScrollBarRF", "ScrollBarGF", "ScrollBarBF"};
  const char* const backNames[3] = {"ScrollBarRB", "ScrollBarGB", "ScrollBarBB"};
  const char* const shades[3] = {"red", "green", "blue"};
  for (int n = 0; n < 3; ++n) {
    const int x = 184 + 160 * n;
    textBars_[n] = AddBar(textNames[n], x, 441, 144, kColorMin, kColorMax, kColorPageStep,
                          ColorByte(ctx_.settings.TextColor, n), n);
    backBars_[n] = AddBar(backNames[n], x, 456, 144, kColorMin, kColorMax, kColorPageStep,
                          ColorByte(ctx_.settings.BackColor, n), n);
    // Named after the row's caption and the shade: "Text Color red".
    textBars_[n]->setAccessibleName(text + ' ' + QLatin1String(shades[n]));
    backBars_[n]->setAccessibleName(back + ' ' + QLatin1String(shades[n]));
    OnUserMove(textBars_[n], [this, n](int position) { ScrollBarRFScroll(n, position); });
    OnUserMove(backBars_[n], [this, n](int position) { ScrollBarRBScroll(n, position); });
  }
}

QScrollBar* SongPage::AddBar(const char* name, int x, int y, int width, int minimum, int maximum, int pageStep,
                             int position, int tag) {
  auto* bar = new QScrollBar(Qt::Horizontal, this);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setGeometry(x, y, width, 12);
  bar->setRange(minimum, maximum);
  bar->setSingleStep(1);
  bar->setPageStep(pageStep);
  TakeKeyboard(bar);
  SetPosition(bar, position);
  if (tag >= 0) bar->setProperty("Tag", tag);
  WatchDrags(bar);
  return bar;
}

int SongPage::OrderTextPosition(int line, int column) const {
  const QTextBlock block = memoPO_->document()->findBlockByNumber(line);
  if (!block.isValid()) return 0;
  return block.position() + std::min(column, block.length() - 1);
}

void SongPage::PlaceOrderCaret() {
  QTextCursor cursor = memoPO_->textCursor();
  cursor.setPosition(OrderTextPosition(ctx_.state.OrderRow, OrderCaretColumn(ctx_.state)));
  memoPO_->setTextCursor(cursor);
  const int position = ctx_.state.OrderRow;
  memoPO_->setAccessibleDescription(
      QString::fromStdString(OrderEntryWords(position, ctx_.engine.song.Order[position])));
}

void SongPage::RefreshOrderList() {
  const QString text = FromCrLf(QString::fromStdString(OrderListText(ctx_.engine.song.Order)));
  if (memoPO_->toPlainText() != text) {
    // Keep the list where the user scrolled it; placing the caret then scrolls only as
    // far as needed to show the cursor.
    QScrollBar* vertical = memoPO_->verticalScrollBar();
    const int scrolled = vertical->value();
    memoPO_->setPlainText(text);
    vertical->setValue(scrolled);
  }
  PlaceOrderCaret();

  const Song& song = ctx_.engine.song;
  labelSPD_->setText(QString::fromStdString(NumberLabelText(song.Speed)));
  SetPosition(scrollBarSPD_, ScrollPositionFor(song.Speed, kSpeedMin, kSpeedMax));
  labelTPO_->setText(QString::fromStdString(NumberLabelText(song.Tempo)));
  SetPosition(scrollBarTPO_, ScrollPositionFor(song.Tempo, kTempoMin, kTempoMax));

  RefreshSongText();
}

void SongPage::RefreshSongText() {
  // The boxes hand every edit to the settings at once, so they differ only after the
  // song's title or comment was replaced (new song, load).
  settingText_ = true;
  const QString title = QString::fromStdString(ctx_.settings.Title);
  if (editTit_->text() != title) editTit_->setText(title);
  const QString comment = FromCrLf(QString::fromStdString(ctx_.settings.Comment));
  if (memoC_->toPlainText() != comment) memoC_->setPlainText(comment);
  settingText_ = false;
}

void SongPage::TitleEdited(const QString& text) {
  if (settingText_ || text.toStdString() == ctx_.settings.Title) return;  // a character left out
  ctx_.settings.Title = text.toStdString();
  ctx_.views.StepDone("Title", TypingRun(editTit_));
}

void SongPage::FitCommentEdit() {
  if (commentEdit_.first < 0) return;
  QTextCursor edit(memoC_->document());
  edit.setPosition(commentEdit_.first);
  edit.setPosition(std::min(commentEdit_.second, memoC_->document()->characterCount() - 1), QTextCursor::KeepAnchor);
  commentEdit_ = {-1, -1};
  QString added = edit.selectedText();
  added.replace(QChar::ParagraphSeparator, QLatin1Char('\n')).replace(QChar::LineSeparator, QLatin1Char('\n'));
  // Line breaks count as the CR LF the file stores.
  const size_t others = Windows1252Size(memoC_->toPlainText().toStdString()) - Windows1252Size(added.toStdString());
  const QString kept = Storable(added, others < kMaxChunkLength ? kMaxChunkLength - others : 0);
  if (kept == added) return;
  settingText_ = true;
  edit.insertText(kept);
  settingText_ = false;
}

void SongPage::CommentChanged() {
  if (settingText_) return;
  FitCommentEdit();
  const std::string comment = ToCrLf(memoC_->toPlainText()).toStdString();
  if (comment == ctx_.settings.Comment) return;  // a format-only change of the document
  ctx_.settings.Comment = comment;
  ctx_.views.StepDone("Comment", TypingRun(memoC_));
}

void SongPage::TOrderShow() {
  RefreshOrderList();
  memoPO_->setFocus(Qt::OtherFocusReason);
}

QList<QWidget*> SongPage::TextBoxes() { return {memoPO_, memoC_, editTit_}; }

void SongPage::ApplyColors() {
  const QColor text = ToQColor(ShownTextColor(ctx_.settings, ctx_.state));
  const QColor back = ToQColor(ShownBackColor(ctx_.settings, ctx_.state));
  for (QWidget* box : ctx_.views.TextBoxes()) {
    if (!box) continue;
    QPalette palette = box->palette();
    // Every colour group, so that the disabled row-number column and boxes without the
    // focus look the same.
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Base, back);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Window, back);
    box->setPalette(palette);
  }
  for (int n = 0; n < 3; ++n) {
    SetPosition(textBars_[n], ColorByte(ctx_.settings.TextColor, n));
    SetPosition(backBars_[n], ColorByte(ctx_.settings.BackColor, n));
  }
}

void SongPage::MemoPOEnter() { PlaceOrderCaret(); }

void SongPage::MemoPOClick(const TextHit& hit) {
  ClickOrderLine(ctx_.state, hit.line, hit.character);
  PlaceOrderCaret();
}

void SongPage::OrderKeyDone(const QKeyEvent* event) {
  const char* step = event->key() == Qt::Key_Insert   ? "Insert Order Line"
                     : event->key() == Qt::Key_Delete ? "Delete Order Line"
                                                      : "Order Entry";
  ctx_.views.StepDone(step, KeyRun(QStringLiteral("MemoPO"), event));
}

bool SongPage::MemoPOKeyDown(QKeyEvent* event) {
  const int code = OrderKeyCodeOf(PlatformKeyOf(event));
  if (code == 0) {
    PlaceOrderCaret();
    return false;
  }
  OrderKeyResult result;
  {
    EngineLock lock(ctx_.engine);
    result = OrderKeyDown(ctx_.engine.song.Order, ctx_.state, code);
  }
  if (result.refresh) RefreshOrderList();
  PlaceOrderCaret();
  return result.consumed;
}

void SongPage::MemoPOKeyPress(const QKeyEvent* event) {
  const PlatformKey key = PlatformKeyOf(event);
  if (TypedCharacter(key) != 0) {
    EngineLock lock(ctx_.engine);
    for (const char32_t character : key.Text) OrderKeyPress(ctx_.engine.song.Order, ctx_.state, character);
  }
  // Redrawn even when nothing changed.
  RefreshOrderList();
}

void SongPage::OptimizeClick() {
  if (ctx_.messages.Question(QStringLiteral("This will change your Pattern Order List. Are you sure?"),
                             /*ownedByWindow=*/false)) {
    EngineLock lock(ctx_.engine);
    Optimize(ctx_.engine.song);
  }
  RefreshOrderList();
  ctx_.views.StepDone("Optimize");
}

void SongPage::ScrollBarSPDScroll(int position) {
  labelSPD_->setText(QString::fromStdString(NumberLabelText(position)));
  {
    EngineLock lock(ctx_.engine);
    ctx_.engine.song.Speed = static_cast<uint8_t>(position);
  }
  ctx_.views.StepDone("Speed", BarRun(scrollBarSPD_));
}

void SongPage::ScrollBarTPOScroll(int position) {
  labelTPO_->setText(QString::fromStdString(NumberLabelText(position)));
  {
    EngineLock lock(ctx_.engine);
    ctx_.engine.song.Tempo = static_cast<uint8_t>(position);
  }
  ctx_.views.StepDone("Tempo", BarRun(scrollBarTPO_));
}

void SongPage::ScrollBarRFScroll(int tag, int position) {
  ctx_.settings.TextColor = ComposeColor(ctx_.settings.TextColor, tag, position);
  ApplyColors();
  ctx_.views.StepDone("Text Color", BarRun(textBars_[tag]));
}

void SongPage::ScrollBarRBScroll(int tag, int position) {
  ctx_.settings.BackColor = ComposeColor(ctx_.settings.BackColor, tag, position);
  ApplyColors();
  ctx_.views.StepDone("Back Color", BarRun(backBars_[tag]));
}

}  // namespace kelmar
