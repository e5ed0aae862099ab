// Message boxes captioned "Quorin.KELMAR". Tests queue answers here instead of clicking,
// so no dialog ever waits for a person while a test runs.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>

class QMessageBox;
class QWidget;

namespace kelmar {

// The caption of every message box, whichever part of the program shows it.
inline constexpr char kMessageBoxCaption[] = "Quorin.KELMAR";

// Names the program for the window system: the application "kelmar", its desktop entry
// "org.quorin.Kelmar". No display name is set: the window system would append it to every
// caption.
void NameApplication();

// A box of the caption, as wide as its title bar needs to show the whole caption beside the
// window system's icon and buttons, however short the text.
void FitCaption(QMessageBox& box);

class MessageBoxes {
 public:
  enum class Answer { Yes, No, Ok };

  explicit MessageBoxes(QWidget* owner = nullptr) : owner_(owner) {}

  // Warning icon, Yes and No; true only for Yes. The close question belongs to no window.
  bool Question(const QString& text, bool ownedByWindow = true);
  // Question icon, Yes and No; true only for Yes.
  bool Ask(const QString& text);
  // Error icon, OK; `detail`, when given, is the box's informative text below it (the file
  // a message is about).
  void Error(const QString& text, const QString& detail = {});
  // Information icon, OK.
  void Info(const QString& text);

  // Test seam: the next boxes take these answers without showing; shown texts are recorded.
  void QueueAnswer(Answer answer) { queued_.push_back(answer); }
  const QStringList& Shown() const { return shown_; }
  const QStringList& ShownDetails() const { return details_; }  // the informative texts given
  void ClearShown() {
    shown_.clear();
    details_.clear();
  }

 private:
  bool YesNo(const QString& text, QWidget* owner, bool warning);
  void Tell(const QString& text, const QString& detail, bool error);

  QWidget* owner_;
  std::deque<Answer> queued_;
  QStringList shown_;
  QStringList details_;
};

}  // namespace kelmar
