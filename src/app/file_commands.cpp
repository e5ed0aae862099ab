#include "app/file_commands.h"

namespace kelmar {

FileCommands::FileCommands(AppContext& ctx, QWidget*) : ctx_(ctx) {}
void FileCommands::Song2Click() {}
void FileCommands::Song3Click() {}
void FileCommands::LoadPattern1Click() {}
void FileCommands::SavePattern1Click() {}
void FileCommands::NewPattern1Click() {}
void FileCommands::Instrument1Click() {}
void FileCommands::Instrument2Click() {}
void FileCommands::Instrument3Click() {}
void FileCommands::OSC1Wave1Click(int) {}
void FileCommands::OSC1Wave2Click(int) {}

}  // namespace kelmar
