#include "app/instrument_page.h"

namespace kelmar {

InstrumentPage::InstrumentPage(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {}
void InstrumentPage::RefreshInstrumentPanel() {}
bool InstrumentPage::FormKeyDown(QKeyEvent*) { return false; }
void InstrumentPage::CopyInstrument1Click() {}
void InstrumentPage::PasteInstrument1Click() {}
void InstrumentPage::CopyEnvelope1Click() {}
void InstrumentPage::PasteEnvelope1Click() {}
void InstrumentPage::RandomWave1Click() {}

}  // namespace kelmar
