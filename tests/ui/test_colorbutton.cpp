// CColorButton: COLORREF colours, the face, the three frame styles, the caption
// positions (released, pressed, disabled) and the focus rectangle.

#include <QtTest>

#include <QPushButton>
#include <QVBoxLayout>

#include "UiTestSupport.h"
#include "ui/CColorButton.h"
#include "ui/ColorRef.h"

using velmora::ui::CColorButton;
using velmora::ui::ColorFromColorRef;
using velmora::ui::ColorRef;
using velmora::ui::ColorsForState;
using velmora::ui::kNonSecureColors;
using velmora::ui::kSecureColors;

namespace {

QRgb Rgb(const QColor& color) { return color.rgb() & 0xFFFFFFu; }
QRgb Rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

}  // namespace

class ColorButtonTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { velmora::test::FailOnQtWarnings::Install(); }
    void cleanupTestCase() { velmora::test::FailOnQtWarnings::Uninstall(); }
    void init();
    void cleanup();

    void colorRefConversion_data();
    void colorRefConversion();
    void colorPairs_data();
    void colorPairs();
    void setColorsRepaintsFace_data();
    void setColorsRepaintsFace();
    void raisedFrameWhenIdle();
    void blackOutlineAndFocusRectangleWithFocus();
    void pressedFrameWhenDown();
    void captionMovesRightAndDownWhenPressed();
    void disabledCaptionIsEngraved();
    void zeroHeightPaintsNothing();

private:
    QImage grab() const { return button_->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QColor paletteColor(QPalette::ColorRole role) const { return button_->palette().color(role); }

    QWidget* window_ = nullptr;
    CColorButton* button_ = nullptr;
    QPushButton* other_ = nullptr;
};

void ColorButtonTest::init() {
    window_ = new QWidget;
    button_ = new CColorButton(QStringLiteral("UART0"), window_);
    other_ = new QPushButton(QStringLiteral("other"), window_);
    button_->setGeometry(10, 10, 80, 26);
    other_->setGeometry(10, 50, 80, 26);
    // Crisp glyphs, so caption pixels carry exactly the caption colour.
    QFont font = button_->font();
    font.setStyleStrategy(QFont::NoAntialias);
    font.setPixelSize(12);
    button_->setFont(font);
    window_->resize(120, 100);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_));
    other_->setFocus();
}

void ColorButtonTest::cleanup() {
    delete window_;
    window_ = nullptr;
}

void ColorButtonTest::colorRefConversion_data() {
    QTest::addColumn<quint32>("colorRef");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("red is the low byte") << quint32(0x0000FF) << QColor(255, 0, 0);
    QTest::newRow("green") << quint32(0x00FF00) << QColor(0, 255, 0);
    QTest::newRow("blue is the third byte") << quint32(0xFF0000) << QColor(0, 0, 255);
    QTest::newRow("secure text") << quint32(0x010101) << QColor(1, 1, 1);
    QTest::newRow("white") << quint32(0xFFFFFF) << QColor(255, 255, 255);
    QTest::newRow("grey") << quint32(0x808080) << QColor(128, 128, 128);
    QTest::newRow("top byte ignored") << quint32(0x12345678) << QColor(0x78, 0x56, 0x34);
}

void ColorButtonTest::colorRefConversion() {
    QFETCH(quint32, colorRef);
    QFETCH(QColor, expected);
    QCOMPARE(ColorFromColorRef(colorRef), expected);
}

void ColorButtonTest::colorPairs_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<quint32>("text");
    QTest::addColumn<quint32>("face");
    QTest::newRow("secure") << 0 << quint32(0x010101) << quint32(0x00FF00);
    QTest::newRow("non-secure") << 1 << quint32(0xFFFFFF) << quint32(0x0000FF);
    QTest::newRow("any other state is non-secure") << 7 << quint32(0xFFFFFF) << quint32(0x0000FF);
    QTest::newRow("negative state is non-secure") << -1 << quint32(0xFFFFFF) << quint32(0x0000FF);
}

void ColorButtonTest::colorPairs() {
    QFETCH(int, state);
    QFETCH(quint32, text);
    QFETCH(quint32, face);
    QCOMPARE(ColorsForState(state).text, text);
    QCOMPARE(ColorsForState(state).face, face);
    // The non-secure face is red on screen, the secure one green.
    QCOMPARE(ColorFromColorRef(kNonSecureColors.face), QColor(Qt::red));
    QCOMPARE(ColorFromColorRef(kSecureColors.face), QColor(Qt::green));
}

void ColorButtonTest::setColorsRepaintsFace_data() {
    QTest::addColumn<int>("state");
    QTest::newRow("secure") << 0;
    QTest::newRow("non-secure") << 1;
}

void ColorButtonTest::setColorsRepaintsFace() {
    QFETCH(int, state);
    button_->setColors(ColorsForState(state));
    QCOMPARE(button_->textColor(), ColorsForState(state).text);
    QCOMPARE(button_->faceColor(), ColorsForState(state).face);
    const QImage image = grab();
    const QColor face = ColorFromColorRef(ColorsForState(state).face);
    // Inside the two-pixel bevel, away from the caption.
    QCOMPARE(Rgb(image, 2, 2), Rgb(face));
    QCOMPARE(Rgb(image, 77, 23), Rgb(face));
    QCOMPARE(Rgb(image, 3, 13), Rgb(face));
}

void ColorButtonTest::raisedFrameWhenIdle() {
    button_->setColors(kNonSecureColors);
    QCOMPARE(button_->frameStyle(), int(CColorButton::kFrameRaised));
    const QImage image = grab();
    QCOMPARE(Rgb(image, 0, 0), Rgb(paletteColor(QPalette::Light)));
    QCOMPARE(Rgb(image, 40, 0), Rgb(paletteColor(QPalette::Light)));
    QCOMPARE(Rgb(image, 0, 12), Rgb(paletteColor(QPalette::Light)));
    QCOMPARE(Rgb(image, 79, 25), Rgb(paletteColor(QPalette::Shadow)));
    QCOMPARE(Rgb(image, 40, 25), Rgb(paletteColor(QPalette::Shadow)));
    QCOMPARE(Rgb(image, 79, 12), Rgb(paletteColor(QPalette::Shadow)));
    QCOMPARE(Rgb(image, 1, 1), Rgb(paletteColor(QPalette::Midlight)));
    QCOMPARE(Rgb(image, 78, 24), Rgb(paletteColor(QPalette::Dark)));
}

void ColorButtonTest::blackOutlineAndFocusRectangleWithFocus() {
    button_->setColors(kSecureColors);
    button_->setFocus();
    QVERIFY(button_->hasFocus());
    QCOMPARE(button_->frameStyle(), int(CColorButton::kFrameFocused));
    const QImage image = grab();
    QCOMPARE(Rgb(image, 0, 0), Rgb(QColor(Qt::black)));
    QCOMPARE(Rgb(image, 79, 25), Rgb(QColor(Qt::black)));
    QCOMPARE(Rgb(image, 1, 1), Rgb(paletteColor(QPalette::Light)));
    QCOMPARE(Rgb(image, 78, 24), Rgb(paletteColor(QPalette::Shadow)));
    QCOMPARE(Rgb(image, 2, 2), Rgb(paletteColor(QPalette::Midlight)));
    // Dotted, four pixels in from every edge, in the caption colour.
    const QColor dot = ColorFromColorRef(kSecureColors.text);
    const QColor face = ColorFromColorRef(kSecureColors.face);
    QCOMPARE(Rgb(image, 4, 4), Rgb(dot));
    QCOMPARE(Rgb(image, 5, 4), Rgb(face));
    QCOMPARE(Rgb(image, 6, 4), Rgb(dot));
    QCOMPARE(Rgb(image, 4, 6), Rgb(dot));
    QCOMPARE(Rgb(image, 75, 4), Rgb(dot));
    QCOMPARE(Rgb(image, 3, 4), Rgb(face));
}

void ColorButtonTest::pressedFrameWhenDown() {
    button_->setColors(kSecureColors);
    button_->setDown(true);
    QCOMPARE(button_->frameStyle(), int(CColorButton::kFramePressed));
    const QImage image = grab();
    QCOMPARE(Rgb(image, 0, 0), Rgb(paletteColor(QPalette::Shadow)));
    QCOMPARE(Rgb(image, 79, 25), Rgb(paletteColor(QPalette::Shadow)));
    QCOMPARE(Rgb(image, 1, 1), Rgb(paletteColor(QPalette::Dark)));
    QCOMPARE(Rgb(image, 78, 24), Rgb(paletteColor(QPalette::Dark)));
    QCOMPARE(Rgb(image, 2, 2), Rgb(ColorFromColorRef(kSecureColors.face)));
}

void ColorButtonTest::captionMovesRightAndDownWhenPressed() {
    button_->setColors(kNonSecureColors);
    const QRect inner(3, 3, 74, 20);
    const QRgb white = qRgb(255, 255, 255);
    const QRect released = velmora::test::PixelsOfColour(grab(), white, inner);
    button_->setDown(true);
    const QRect pressed = velmora::test::PixelsOfColour(grab(), white, inner);
    QVERIFY(!released.isEmpty());
    QCOMPARE(pressed, released.translated(1, 1));
    // Centred: the caption's middle is within a pixel or two of the button's.
    QVERIFY(qAbs(released.center().x() - 39) <= 2);
    QVERIFY(qAbs(released.center().y() - 12) <= 3);
}

void ColorButtonTest::disabledCaptionIsEngraved() {
    button_->setColors(kNonSecureColors);
    button_->setEnabled(false);
    const QImage image = grab();
    // The disabled face is the system face, not the red one.
    QCOMPARE(Rgb(image, 3, 13), Rgb(paletteColor(QPalette::Button)));
    const QRect inner(2, 2, 76, 22);
    const QRect grey = velmora::test::PixelsOfColour(image, qRgb(0x80, 0x80, 0x80), inner);
    const QRect white = velmora::test::PixelsOfColour(image, qRgb(0xFF, 0xFF, 0xFF), inner);
    QVERIFY(!grey.isEmpty());
    QVERIFY(!white.isEmpty());
    // The white copy lies one pixel right and down of the grey one.
    QCOMPARE(white.right(), grey.right() + 1);
    QCOMPARE(white.bottom(), grey.bottom() + 1);
}

void ColorButtonTest::zeroHeightPaintsNothing() {
    button_->setColors(kNonSecureColors);
    button_->setGeometry(10, 40, 48, 0);
    QVERIFY(button_->grab().isNull() || button_->grab().height() == 0);
    button_->setText(QStringLiteral("0 KB"));
    QCOMPARE(button_->text(), QStringLiteral("0 KB"));
}

QTEST_MAIN(ColorButtonTest)
#include "test_colorbutton.moc"
