#pragma once
// Helpers for Qt tests: a guard that turns every Qt warning into a failure, and
// for driving modal boxes and pop-up menus, a callback that runs as soon as the
// widget appears inside the nested event loop that shows it.

#include <functional>
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace velmora::test {

// Every Qt warning or critical message between Install and Uninstall fails the test
// function that is running, init(), cleanup() and the case-wide functions included;
// the message is still logged. Qt 6.4's QTest::failOnWarning leaves those functions
// and critical messages out. No warning is expected anywhere, so QTest::ignoreMessage
// does not excuse one. Only the offscreen platform's notes on what it cannot do
// (raise a window, grab the keyboard) pass, unlogged: they say nothing about the
// program.
// Install in initTestCase(), Uninstall last in cleanupTestCase().
class FailOnQtWarnings {
public:
    static void Install() { Previous() = qInstallMessageHandler(&Handle); }
    static void Uninstall() { qInstallMessageHandler(Previous()); }

private:
    static QtMessageHandler& Previous() {
        static QtMessageHandler previous = nullptr;
        return previous;
    }

    static bool IsOffscreenLimitation(const QString& message) {
        return QGuiApplication::platformName() == QLatin1String("offscreen") &&
               message.startsWith(QLatin1String("This plugin does not support "));
    }

    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (IsOffscreenLimitation(message)) return;
        if (Previous()) Previous()(type, context, message);
        if (type != QtWarningMsg && type != QtCriticalMsg) return;
        QTest::qFail(qPrintable(QStringLiteral("Qt warning: ") + message), context.file,
                     context.line);
    }
};

// Polls every 10 ms (for up to about 5 s) for a widget that find() returns and
// hands it to act() once. Stops when destroyed, so no callback outlives a test.
class WhenShown {
public:
    WhenShown(std::function<QWidget*()> find, std::function<void(QWidget*)> act)
        : find_(std::move(find)), act_(std::move(act)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { poll(); });
        timer_.start();
    }
    WhenShown(const WhenShown&) = delete;
    WhenShown& operator=(const WhenShown&) = delete;

    bool done() const { return done_; }

private:
    void poll() {
        QWidget* widget = find_();
        if (widget && widget->isVisible()) {
            timer_.stop();
            done_ = true;
            act_(widget);
        } else if (++attempts_ > 500) {
            timer_.stop();
        }
    }

    std::function<QWidget*()> find_;
    std::function<void(QWidget*)> act_;
    QTimer timer_;
    bool done_ = false;
    int attempts_ = 0;
};

struct SeenBox {
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// The next modal message box is recorded into seen and answered with button.
inline std::unique_ptr<WhenShown> AnswerNextMessageBox(SeenBox& seen,
                                                       QMessageBox::StandardButton button) {
    return std::make_unique<WhenShown>([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
                     [&seen, button](QWidget* widget) {
                         auto* box = static_cast<QMessageBox*>(widget);
                         seen.text = box->text();
                         seen.caption = box->windowTitle();
                         seen.icon = box->icon();
                         seen.buttons = box->standardButtons();
                         if (QAbstractButton* target = box->button(button)) target->click();
                         else box->reject();
                     });
}

// The next pop-up menu: its action texts go into texts; the action with the text
// choose is clicked, or the menu is closed when choose is empty or absent.
inline std::unique_ptr<WhenShown> UseNextPopupMenu(QStringList& texts, const QString& choose) {
    return std::make_unique<WhenShown>([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                     [&texts, choose](QWidget* widget) {
                         auto* menu = static_cast<QMenu*>(widget);
                         QAction* target = nullptr;
                         for (QAction* action : menu->actions()) {
                             texts << action->text();
                             if (!choose.isEmpty() && action->text() == choose) target = action;
                         }
                         if (target) {
                             // Keyboard activation makes exec() return the action.
                             menu->setActiveAction(target);
                             QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                             QApplication::sendEvent(menu, &enter);
                         } else {
                             menu->close();
                         }
                     });
}

// Opens the cell's edit box, focuses it and types text into it, leaving the
// editor open; false when no edit box opened.
inline bool TypeIntoOpenEditor(QTableView* view, int row, int column, const QString& text) {
    const QModelIndex cell = view->model()->index(row, column);
    view->setCurrentIndex(cell);
    view->edit(cell);
    auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(cell));
    if (!editor) return false;
    editor->setFocus();
    editor->selectAll();
    QTest::keyClicks(editor, text);
    return true;
}

// Bounding box of the pixels of exactly this colour within area.
inline QRect PixelsOfColour(const QImage& image, QRgb colour, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace velmora::test
