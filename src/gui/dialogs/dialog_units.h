#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>

// Dialog layouts are given in dialog units: a quarter of the average
// character width across, an eighth of the character height down.
inline QRect dialogUnits(const QFont& font, int x, int y, int w, int h) {
    const QFontMetrics fm(font);
    const double ux = fm.averageCharWidth() / 4.0;
    const double uy = fm.height() / 8.0;
    return QRect(int(x * ux), int(y * uy), int(w * ux), int(h * uy));
}
