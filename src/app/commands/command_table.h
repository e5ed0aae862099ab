// The command table: every command of the menu bar, in menu order, and the menus they sit
// in. It is also the glossary of the handler names ("Song2" is Load > "Song"): read it to
// find what a name means, and add a row to add a command.
#pragma once

#include <span>

#include "app/commands/command.h"

namespace kelmar {

std::span<const Command> CommandTable();
std::span<const CommandMenu> CommandMenus();

// The row of that object name, or nullptr.
const Command* FindCommand(const char* name);
// The menu of that object name, or nullptr.
const CommandMenu* FindMenu(const char* name);

}  // namespace kelmar
