#include "ui/CColorButton.h"

#include <QPainter>

namespace velmora::ui {

namespace {

ColorRef ToColorRef(const QColor& c) {
    return static_cast<ColorRef>(c.red()) | (static_cast<ColorRef>(c.green()) << 8) |
           (static_cast<ColorRef>(c.blue()) << 16);
}

}  // namespace

CColorButton::CColorButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent),
      text_(ToColorRef(palette().color(QPalette::ButtonText))),
      face_(ToColorRef(palette().color(QPalette::Button))),
      disabledFace_(palette().color(QPalette::Button)),
      light_(palette().color(QPalette::Midlight)),
      highlight_(palette().color(QPalette::Light)),
      shadow_(palette().color(QPalette::Dark)),
      darkShadow_(palette().color(QPalette::Shadow)) {
    setAutoDefault(false);
}

void CColorButton::setColors(ColorRef text, ColorRef face) {
    text_ = text;
    face_ = face;
    update();
}

int CColorButton::frameStyle() const {
    if (isDown()) return kFramePressed;
    if (hasFocus() || isDefault()) return kFrameFocused;
    return kFrameRaised;
}

void CColorButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Rect item{0, 0, width(), height()};
    const Rect normalText{item.left - 1, item.top - 1, item.right - 1, item.bottom - 1};
    const Rect& pressedText = item;
    const bool enabled = isEnabled();

    painter.fillRect(rect(), enabled ? ColorFromColorRef(face_) : disabledFace_);
    drawFrame(painter, item, frameStyle());
    if (!enabled) {
        // Engraved: a white copy one pixel right and down under the grey caption.
        drawCaption(painter, pressedText, ColorFromColorRef(0xFFFFFF));
        drawCaption(painter, normalText, ColorFromColorRef(0x808080));
    } else {
        drawCaption(painter, isDown() ? pressedText : normalText, ColorFromColorRef(text_));
    }
    if (hasFocus()) drawFocusRect(painter, item.shrunk(4), ColorFromColorRef(text_));
}

void CColorButton::drawFrame(QPainter& painter, Rect r, int style) const {
    if (style & 4) {
        drawOutline(painter, r, Qt::black, Qt::black);
        r = r.shrunk(1);
    }
    if (style & 2) {
        drawOutline(painter, r, highlight_, darkShadow_);
        r = r.shrunk(1);
        drawOutline(painter, r, light_, shadow_);
    }
    if (style & 1) {
        drawOutline(painter, r, darkShadow_, darkShadow_);
        r = r.shrunk(1);
        drawOutline(painter, r, shadow_, shadow_);
    }
}

void CColorButton::drawOutline(QPainter& painter, const Rect& r, const QColor& topLeft,
                               const QColor& bottomRight) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    // One-pixel lines that stop short of their end point, as GDI draws them.
    painter.fillRect(r.left, r.top, w, 1, topLeft);
    painter.fillRect(r.left, r.top, 1, h, topLeft);
    painter.fillRect(r.left, r.bottom - 1, w, 1, bottomRight);
    painter.fillRect(r.right - 1, r.top, 1, h, bottomRight);
}

void CColorButton::drawCaption(QPainter& painter, Rect r, const QColor& color) const {
    const QString caption = text();
    const int h = fontMetrics().height();
    // Measured from the rectangle's own top so that the pressed rectangle, one
    // pixel lower, moves the caption down as well as right.
    const int y = r.top + (r.bottom - r.top - h) / 2 - 1;
    painter.setPen(color);
    painter.setFont(font());
    painter.drawText(QRect(r.left + 3, y, (r.right - 3) - (r.left + 3), h),
                     Qt::AlignCenter | Qt::TextSingleLine, caption);
}

void CColorButton::drawFocusRect(QPainter& painter, const Rect& r, const QColor& color) {
    if (r.right - r.left <= 0 || r.bottom - r.top <= 0) return;
    // Every other pixel along the edge, starting at the corner.
    for (int x = r.left; x < r.right; x += 2) {
        painter.fillRect(x, r.top, 1, 1, color);
        painter.fillRect(x, r.bottom - 1, 1, 1, color);
    }
    for (int y = r.top; y < r.bottom; y += 2) {
        painter.fillRect(r.left, y, 1, 1, color);
        painter.fillRect(r.right - 1, y, 1, 1, color);
    }
}

}  // namespace velmora::ui
