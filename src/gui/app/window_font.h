#pragma once
// The main window's font: SimSun at 18 pixels. Where SimSun is missing, a face with Chinese
// glyphs takes its place at the largest size up to 18 pixels at which every caption of the
// fixed layout still fits its box, since the boxes were laid out for SimSun's metrics.

#include <QFont>
#include <QStringList>

class QWidget;

namespace otdr::gui {

constexpr int kWindowFontPixels = 18;

// The window's font families, first choice first, at a pixel size.
QFont windowFont(int pixelSize = kWindowFontPixels);
// The names of the widgets under `root` whose caption or value text does not fit its box in
// `font`. A label's or line edit's widest value is its "widestText" property; a grid's, per
// column, "widestText0", "widestText1", ...
QStringList captionsThatDoNotFit(const QWidget* root, const QFont& font);
// The largest size from 18 pixels down at which the captions under `root` fit.
int fittingPixelSize(const QWidget* root);

}  // namespace otdr::gui
