#pragma once
// The look shared by the desktop windows: gradient panels, the fonts of the
// design (given in points at 96 dots per inch), and the buttons' glyphs.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QWidget>

class QLabel;

namespace vindeleo {

struct Gradient {
    QColor start;
    QColor middle;
    QColor end;
};
// The upper panels of the main window (and the chooser's panel), and its lower panel.
inline const Gradient kWarmGradient{QColor(249, 211, 125), QColor(255, 255, 255), QColor(255, 238, 221)};
inline const Gradient kCoolGradient{QColor(194, 205, 254), QColor(207, 242, 254), QColor(204, 216, 230)};

// A panel painted from top to bottom with a three-colour gradient.
class GradientPanel : public QWidget {
public:
    GradientPanel(const Gradient& gradient, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Gradient gradient_;
};

// A font of the design; a family that is missing falls back to the system's
// sans-serif face. The size is kept in pixels, so that texts fit the design's
// boxes whatever the screen's resolution.
QFont DesignFont(const char* family, int points, bool bold = false);
inline QFont SansSerif8() { return DesignFont("MS Sans Serif", 8); }

// A label with a fixed place and plain text (never read as markup).
QLabel* PlacedLabel(const QString& text, const QFont& font, const QRect& place, QWidget* parent);

// The green check mark of an OK-kind button, and the glyph of a close-kind button.
QIcon CheckMarkGlyph();
QIcon CloseGlyph();

}  // namespace vindeleo
