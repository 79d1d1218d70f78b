// The large numeric readout both dialogs paint: white bold 24-pixel Tahoma on navy.
#pragma once

#include <QRect>
#include <QString>

class QPainter;

namespace velmora {

// Fills `area` navy and sets the readout's font and white pen on `painter`.
void beginReadout(QPainter& painter, const QRect& area);

// Draws `text` centred on one line in `area`.
void drawReadoutText(QPainter& painter, const QRect& area, const QString& text);

}  // namespace velmora
