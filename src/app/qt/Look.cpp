#include "app/qt/Look.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vindeleo {

GradientPanel::GradientPanel(const design::Gradient& gradient, QWidget* parent)
    : QWidget(parent), gradient_(gradient) {}

void GradientPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0.0, ColourOf(gradient_.start));
    fill.setColorAt(0.5, ColourOf(gradient_.middle));
    fill.setColorAt(1.0, ColourOf(gradient_.end));
    painter.fillRect(rect(), fill);
}

QFont DesignFont(const design::Font& font) {
    QFont qtFont{QString::fromLatin1(font.face)};
    qtFont.setStyleHint(QFont::SansSerif);
    qtFont.setPixelSize((font.points * 96 + 36) / 72);  // points at 96 dots per inch, rounded
    qtFont.setBold(font.bold);
    return qtFont;
}

QLabel* PlacedLabel(const QString& text, const QFont& font, design::Box place, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(PlaceOf(place));
    return label;
}

namespace {
constexpr int kGlyphSize = 16;

QPixmap EmptyGlyph() {
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}
}  // namespace

QIcon CheckMarkGlyph() {
    QPixmap pixmap = EmptyGlyph();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath tick;
    tick.moveTo(2.5, 8.5);
    tick.lineTo(6.5, 12.5);
    tick.lineTo(13.5, 3.5);
    painter.setPen(QPen(ColourOf(design::kCheckMarkGreen), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(tick);
    return QIcon(pixmap);
}

QIcon CloseGlyph() {
    // An open door with an arrow leading out.
    QPixmap pixmap = EmptyGlyph();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ColourOf(design::kDoorOutline), 1));
    painter.setBrush(ColourOf(design::kDoorWood));
    painter.drawRect(QRectF(2.5, 1.5, 7, 13));
    painter.setBrush(ColourOf(design::kDoorArrow));
    painter.setPen(Qt::NoPen);
    QPainterPath arrow;
    arrow.moveTo(8, 7);
    arrow.lineTo(12, 7);
    arrow.lineTo(12, 4.5);
    arrow.lineTo(15.5, 8);
    arrow.lineTo(12, 11.5);
    arrow.lineTo(12, 9);
    arrow.lineTo(8, 9);
    arrow.closeSubpath();
    painter.drawPath(arrow);
    return QIcon(pixmap);
}

}  // namespace vindeleo
