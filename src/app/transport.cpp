#include "app/transport.h"

namespace kelmar {

Transport::Transport(AppContext& ctx, PatternPage&, SongPage&) : ctx_(ctx) {}
void Transport::Song4Click() {}
void Transport::Pattern1Click() {}
void Transport::Stop1Click() {}
void Transport::Timer1Timer() {}

}  // namespace kelmar
