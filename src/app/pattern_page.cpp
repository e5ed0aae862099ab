#include "app/pattern_page.h"

namespace kelmar {

PatternPage::PatternPage(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {}
void PatternPage::RefreshPatternView() {}
void PatternPage::TPattEdShow() {}
bool PatternPage::FormKeyDown(QKeyEvent*) { return false; }
void PatternPage::CopyTrack1Click() {}
void PatternPage::PasteTrack1Click() {}
void PatternPage::ClonePattern1Click() {}
QList<QWidget*> PatternPage::TextBoxes() { return {}; }

}  // namespace kelmar
