#pragma once
// Dialog units to pixels: a horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height, rounded
// to the nearest pixel.

#include <QFontMetrics>

inline int DluX(const QFontMetrics& metrics, int dlu) {
    return (dlu * metrics.averageCharWidth() + 2) / 4;
}

inline int DluY(const QFontMetrics& metrics, int dlu) {
    return (dlu * metrics.height() + 4) / 8;
}
