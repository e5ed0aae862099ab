#include "app/wav_export.h"

namespace kelmar {

WavExport::WavExport(AppContext& ctx, QWidget*) : ctx_(ctx) {}
void WavExport::ExportWAV1Click() {}

}  // namespace kelmar
