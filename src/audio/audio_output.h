// STUB: replaced by the audio layer. The only code that calls SDL.
#pragma once
namespace kelmar { class AudioOutput; }
