// Turns dialog templates (dialog units) into absolutely positioned Qt widgets.
#pragma once

#include "platform/resources.h"

#include <QFont>
#include <QHash>
#include <QRect>

class QWidget;

namespace velmora {

// Dialog base units of a font: horizontal and vertical pixels per 4 and 8 dialog units.
struct DialogUnits {
    int baseX;
    int baseY;
};

// The dialog font: `points` at the screen's logical DPI, face substituted when missing.
QFont dialogFont(const char* face, int points);

// baseX = average width of the 52 letters A-Z a-z, rounded; baseY = the font's height.
DialogUnits dialogBaseUnits(const QFont& font);

// Dialog units to pixels: x * baseX / 4, y * baseY / 8, rounded.
QRect mapDialogRect(const QRect& dlu, DialogUnits units);

// Creates the template's controls as children of `dialog` in tab order, sets the dialog's
// font, caption and fixed client size. Returns the controls by id (IDC_STATIC excluded).
// A template that repeats an id aborts: such a template would route commands ambiguously.
QHash<int, QWidget*> buildDialog(const DialogTemplate& tmpl, QWidget* dialog);

// Maps the fonts named by the resources to what the system has (Chinese "宋体", SimSun,
// "MS Sans Serif", Tahoma). Call once after the application object exists.
void installFontSubstitutions();

}  // namespace velmora
