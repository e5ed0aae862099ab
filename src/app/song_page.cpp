#include "app/song_page.h"

namespace kelmar {

SongPage::SongPage(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {}
void SongPage::RefreshOrderList() {}
void SongPage::TOrderShow() {}
QList<QWidget*> SongPage::TextBoxes() { return {}; }
void SongPage::ApplyColors() {}

}  // namespace kelmar
