#pragma once
// The coloured push button of the memory bars, the peripheral grid and the legend:
// a flat face, a bevelled or pressed frame and a centred single-line caption.

#include <QPushButton>

#include "ui/ColorRef.h"

namespace velmora::ui {

class CColorButton : public QPushButton {
    Q_OBJECT

public:
    // Frame styles: bits 4 (black outline), 2 (raised bevel), 1 (pressed).
    enum FrameStyle : int { kFramePressed = 1, kFrameRaised = 2, kFrameFocused = 6 };

    explicit CColorButton(const QString& caption = QString(), QWidget* parent = nullptr);

    // Sets the caption and face colours and repaints.
    void setColors(ColorRef text, ColorRef face);
    void setColors(const ColorPair& pair) { setColors(pair.text, pair.face); }
    ColorRef textColor() const { return text_; }
    ColorRef faceColor() const { return face_; }

    // The frame style the next paint uses for the current state.
    int frameStyle() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Rect {
        int left;
        int top;
        int right;  // exclusive
        int bottom; // exclusive
        Rect shrunk(int by) const { return {left + by, top + by, right - by, bottom - by}; }
    };

    void drawFrame(QPainter& painter, Rect r, int style) const;
    void drawCaption(QPainter& painter, Rect r, const QColor& color) const;
    static void drawOutline(QPainter& painter, const Rect& r, const QColor& topLeft,
                            const QColor& bottomRight);
    static void drawFocusRect(QPainter& painter, const Rect& r, const QColor& color);

    ColorRef text_;
    ColorRef face_;
    QColor disabledFace_;
    QColor light_;
    QColor highlight_;
    QColor shadow_;
    QColor darkShadow_;
};

}  // namespace velmora::ui
