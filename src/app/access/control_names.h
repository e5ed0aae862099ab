// Names and descriptions for assistive technology, taken from what the window already shows:
// a control's caption, the label beside it, its hint. Qt names buttons, check boxes, tabs
// and menu items from their own text; these fill in the controls whose caption is a label
// of its own or a drawing. Window thread only.
#pragma once

#include <QString>

class QAbstractScrollArea;
class QButtonGroup;
class QFormLayout;
class QLabel;
class QWidget;

namespace kelmar {

// The name, and the description (the control's hint when none is given).
void Describe(QWidget* control, const QString& name, const QString& description = QString());
// Each radio button of the group is named "<title> <its text>" ("Octave 3").
void NameButtons(QButtonGroup* group, const QString& title);
// The scroll bars a text box brings along are named after the box ("Comment, vertical
// scroll bar"); call it once the box has its name.
void NameScrollBarsOf(QAbstractScrollArea* box);
// A label that names `field` (its buddy), as a screen reader reads a form.
QLabel* Labelling(const QString& text, QWidget* field);
// The rows of a form whose field is a row of controls: the row's label names the first of
// them. (A row of one control QFormLayout labels by itself.)
void LabelRowsOfLayouts(QFormLayout& form);
// "Source Osc1 Amplitude" as it is spoken: "Source oscillator 1 Amplitude".
QString SpokenCaption(const QString& caption);

}  // namespace kelmar
