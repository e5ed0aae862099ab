// The text of the "About" page: the banner, the key and effect reference, the credit line.
#pragma once

#include <QString>
#include <QStringList>

namespace kelmar {

// One entry per line, without line breaks.
QStringList AboutLines();
// The lines joined with "\n", as the about text box holds them.
QString AboutText();

}  // namespace kelmar
