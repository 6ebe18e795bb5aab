#pragma once
// The look shared by the desktop windows: the design's colours, places and
// fonts (session/Design.h) as Qt takes them, gradient panels, and the
// buttons' glyphs.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QRect>
#include <QWidget>

#include "session/Design.h"

class QLabel;

namespace vindeleo {

// A colour of the design.
inline QColor ColourOf(design::Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }
// A place of the design (Qt's widgets are placed in pixels at 96 dots per inch).
inline QRect PlaceOf(design::Box box) { return QRect(box.x, box.y, box.width, box.height); }

// A panel painted from top to bottom with a three-colour gradient.
class GradientPanel : public QWidget {
public:
    GradientPanel(const design::Gradient& gradient, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    design::Gradient gradient_;
};

// A font of the design; a family that is missing falls back to the system's
// sans-serif face. The size is kept in pixels, so that texts fit the design's
// boxes whatever the screen's resolution.
QFont DesignFont(const design::Font& font);

// A label with a fixed place and plain text (never read as markup).
QLabel* PlacedLabel(const QString& text, const QFont& font, design::Box place, QWidget* parent);

// The green check mark of an OK-kind button, and the glyph of a close-kind button.
QIcon CheckMarkGlyph();
QIcon CloseGlyph();

}  // namespace vindeleo
