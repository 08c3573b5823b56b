// The main dialog driven through its real widgets, each test in its own working
// folder: template controls, tab order, title, memory bars and track bars,
// peripheral buttons, project and XOM grids, menus, closing paths, pickers,
// import and Create Template.

#include <QtTest>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTableView>

#include <csignal>
#include <filesystem>
#include <memory>
#include <set>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "UiTestSupport.h"
#include "model/ProjectTableEditing.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"
#include "ui/CAboutDlg.h"
#include "ui/CColorButton.h"
#include "ui/CKIVDlg.h"
#include "ui/ColorRef.h"
#include "ui/DialogTemplate.h"
#include "ui/GridView.h"
#include "ui/LocalPathOpener.h"
#include "ui/MemoryTableModel.h"
#include "ui/ProjectTableModel.h"
#include "ui/QtFrontend.h"
#include "ui/XomTableModel.h"

using namespace velmora;
using velmora::test::ScriptedFrontend;
using velmora::test::TempDir;
using velmora::ui::CColorButton;
using velmora::ui::CKIVDlg;
using velmora::ui::GridView;

namespace {

constexpr const char* kFirstRunGeneral =
    "[GENERAL]\r\nFNSBA=0x40000\r\nSRAMNSBA=0x30008000\r\nTEMPLATE_PATH=\r\nBSP_PATH=\r\n"
    "NSBA=0x10080000\r\n\r\n[PRJ0]\r\nNAME=Secure\r\nNS=0x0\r\n";

QString Text(const std::wstring& text) { return QString::fromStdWString(text); }

std::set<std::filesystem::path> EntriesOf(const std::filesystem::path& folder) {
    std::set<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename());
    return names;
}

// Ways a save at close fails that hold for root too, which writes read-only files.
enum class SaveFailure {
    FolderInItsPlace,  // default.kiv became a folder: nothing can be renamed over it
    FullDisk,          // the file size limit stops the write part-way
};

// Makes every save fail until lifted; the folder kind replaces the file.
class FailingSaves {
public:
    FailingSaves(SaveFailure failure, const std::filesystem::path& file)
        : failure_(failure), file_(file) {
        if (failure_ == SaveFailure::FolderInItsPlace) {
            std::filesystem::remove(file_);
            std::filesystem::create_directories(file_ / "inside");
            return;
        }
#ifndef _WIN32
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = 256;  // far below the configuration's size
        setrlimit(RLIMIT_FSIZE, &small);
#endif
    }
    ~FailingSaves() { lift(); }
    FailingSaves(const FailingSaves&) = delete;
    FailingSaves& operator=(const FailingSaves&) = delete;

    void lift() {
        if (lifted_) return;
        lifted_ = true;
        if (failure_ == SaveFailure::FolderInItsPlace) {
            std::filesystem::remove_all(file_);
            return;
        }
#ifndef _WIN32
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
#endif
    }

private:
    SaveFailure failure_;
    std::filesystem::path file_;
    bool lifted_ = false;
#ifndef _WIN32
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
#endif
};

enum class CloseBy { Exit, Escape, CloseBox };

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::FailOnQtWarnings::Install(); }
    void cleanupTestCase() { test::FailOnQtWarnings::Uninstall(); }
    void init();
    void cleanup();

    void templateControls_data();
    void templateControls();
    void staticCaptions_data();
    void staticCaptions();
    void titleScaleAndFixedSize();
    void tabOrderFollowsTheTemplate();
    void menus();
    void projectGridColumns();
    void legendAndBarColours();
    void peripheralButtonsOnTheGrid();
    void peripheralClicks_data();
    void peripheralClicks();
    void loadedTimersDisagreeUntilClicked();
    void trackBars_data();
    void trackBars();
    void xomClicksTakeAndRelease();
    void xomClickOpensNoEditor();
    void nextBootChoicesFollowTheFirstClick();
    void stateDropDownOffersSAndNS();
    void dropDownCellsKeepTheTypedText_data();
    void dropDownCellsKeepTheTypedText();
    void editBoxCommitsInBothGrids_data();
    void editBoxCommitsInBothGrids();
    void rowContextMenuDeletesTheRow();
    void emptyAreaContextMenuAddsAProject();
    void xomGridMenus();
    void headerHasNoMenu();
    void tooManyProjectsBoxIsShownAndClosed();
    void enterInAPathBoxDoesNothing();
    void exitSavesAndClosesOnlyFromExit();
    void enterOnExitSavesAndCloses();
    void escapeSavesAndCloses();
    void closeBoxSavesAndCloses();
    void failedSaveAsksBeforeClosing_data();
    void failedSaveAsksBeforeClosing();
    void folderPickersStartAtTheirBox_data();
    void folderPickersStartAtTheirBox();
    void importCommandAsksForAKeilProject();
    void droppedFilesImportTheFirstOne();
    void scriptErrorLeavesTheDialogOpen();
    void createTemplateReportsValidation();
    void createTemplateInTheBundledWorkingFolder();
    void createTemplateShowsThePickedOutputFolder();
    void createTemplateEndsWithTheScriptsWarnings_data();
    void createTemplateEndsWithTheScriptsWarnings();
    void createTemplateOpensTheOutputFolderByItsFullPath();
    void textInAnOpenEditorIsNotLost();
    void aboutBox();

private:
    CKIVDlg* open(Frontend* frontend);
    CKIVDlg* open() { return open(&frontend_); }
    template <class T>
    T* control(int id) const {
        return qobject_cast<T*>(dialog_->control(id));
    }
    GridView* projectGrid() const;
    void addProjects(int count);
    void clickCell(QTableView* view, int row, int column, Qt::MouseButton button = Qt::LeftButton);
    // A right click as the platform delivers it: the press, then the context-menu event.
    void rightClick(QAbstractScrollArea* view, const QPoint& inViewport);
    void rightClickCell(QTableView* view, int row, int column);
    // Opens the cell's edit box and types text into it, leaving the editor open.
    void typeIntoOpenEditor(QTableView* view, int row, int column, const QString& text);
    void writeImportScript(const std::string& body);
    void closeBy(CloseBy how);
    std::string savedFile() const { return dir_->readFile("default.kiv"); }

    std::unique_ptr<TempDir> dir_;
    ScriptedFrontend frontend_;
    std::unique_ptr<CKIVDlg> dialog_;
};

void DialogTest::init() {
    dir_ = std::make_unique<TempDir>(TempDir::Enter);
    frontend_ = ScriptedFrontend();
}

void DialogTest::cleanup() {
    dialog_.reset();
    dir_.reset();
}

CKIVDlg* DialogTest::open(Frontend* frontend) {
    dialog_ = std::make_unique<CKIVDlg>(frontend);
    dialog_->show();
    if (!QTest::qWaitForWindowExposed(dialog_.get())) return nullptr;
    dialog_->activateWindow();
    if (!QTest::qWaitForWindowActive(dialog_.get())) return nullptr;
    return dialog_.get();
}

GridView* DialogTest::projectGrid() const { return control<GridView>(ui::kIdProjectGrid); }

void DialogTest::addProjects(int count) {
    QAction* add = dialog_->menuCommand(ui::kCmdAddNewProject);
    for (int i = 0; i < count; ++i) add->trigger();
}

void DialogTest::clickCell(QTableView* view, int row, int column, Qt::MouseButton button) {
    const QRect cell = view->visualRect(view->model()->index(row, column));
    QTest::mouseClick(view->viewport(), button, {}, cell.center());
}

void DialogTest::rightClick(QAbstractScrollArea* view, const QPoint& inViewport) {
    QWidget* viewport = view->viewport();
    QTest::mousePress(viewport, Qt::RightButton, {}, inViewport);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inViewport, viewport->mapToGlobal(inViewport));
    QApplication::sendEvent(viewport, &event);
    QTest::mouseRelease(viewport, Qt::RightButton, {}, inViewport);
}

void DialogTest::rightClickCell(QTableView* view, int row, int column) {
    rightClick(view, view->visualRect(view->model()->index(row, column)).center());
}

void DialogTest::typeIntoOpenEditor(QTableView* view, int row, int column, const QString& text) {
    QVERIFY(test::TypeIntoOpenEditor(view, row, column, text));
    QVERIFY(view->model()->index(row, column).data().toString() != text);  // still only in the editor
}

void DialogTest::writeImportScript(const std::string& body) { dir_->writeFile("ldp.lua", body); }

void DialogTest::closeBy(CloseBy how) {
    switch (how) {
        case CloseBy::Exit:
            QTest::mouseClick(control<QPushButton>(ui::kIdExit), Qt::LeftButton);
            return;
        case CloseBy::Escape: {
            auto* box = control<QLineEdit>(ui::kIdTemplatePath);
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        case CloseBy::CloseBox: dialog_->close(); return;
    }
}

// ---------------------------------------------------------------------------

void DialogTest::templateControls_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    const auto px = ui::DialogUnitsToPixels;
    QTest::newRow("Exit") << 1 << "QPushButton" << "Exit" << px(527, 366, 64, 14);
    QTest::newRow("flash track bar") << 1002 << "QSlider" << "" << px(42, 13, 13, 365);
    QTest::newRow("SRAM track bar") << 1005 << "QSlider" << "" << px(101, 14, 13, 365);
    QTest::newRow("project grid") << 1006 << "velmora::ui::GridView" << "" << px(119, 95, 537, 107);
    QTest::newRow("XOM grid") << 1007 << "velmora::ui::GridView" << "" << px(422, 17, 177, 64);
    QTest::newRow("legend secure") << 1008 << "velmora::ui::CColorButton" << ""
                                   << px(129, 367, 14, 14);
    QTest::newRow("legend non-secure") << 1009 << "velmora::ui::CColorButton" << ""
                                       << px(174, 367, 14, 14);
    QTest::newRow("Create Template") << 1010 << "QPushButton" << "Create Template"
                                     << px(592, 366, 64, 14);
    QTest::newRow("template path") << 1011 << "QLineEdit" << "" << px(164, 344, 439, 14);
    QTest::newRow("info text") << 1012 << "QLabel" << "ROM/RAM Info" << px(572, 239, 66, 61);
    QTest::newRow("BSP path") << 1013 << "QLineEdit" << "" << px(164, 330, 439, 14);
    QTest::newRow("BSP picker") << 1014 << "QPushButton" << "..." << px(606, 330, 50, 14);
    QTest::newRow("template picker") << 1015 << "QPushButton" << "..." << px(606, 344, 50, 14);
    QTest::newRow("memory table") << 1016 << "QTableView" << "" << px(121, 17, 296, 58);
    QTest::newRow("logo") << 1017 << "QLabel" << "" << px(608, 27, 32, 32);
}

void DialogTest::templateControls() {
    QFETCH(int, id);
    QFETCH(QString, className);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QVERIFY(open());
    QWidget* widget = dialog_->control(id);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->property(CKIVDlg::kControlIdProperty).toInt(), id);
    QCOMPARE(widget->geometry(), geometry);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) QCOMPARE(button->text(), caption);
    if (auto* label = qobject_cast<QLabel*>(widget)) QCOMPARE(label->text(), caption);
    // Only the information text is hidden.
    QCOMPARE(widget->isVisible(), id != ui::kIdInfoText);
}

void DialogTest::staticCaptions_data() {
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    const auto px = ui::DialogUnitsToPixels;
    QTest::newRow("APROM group") << "QGroupBox" << "APROM" << px(7, 7, 52, 373);
    QTest::newRow("SRAM group") << "QGroupBox" << "SRAM" << px(62, 7, 56, 373);
    QTest::newRow("peripheral group") << "QGroupBox" << "Peripheral Configuration"
                                      << px(119, 206, 537, 119);
    QTest::newRow("memory group") << "QGroupBox" << "Memory Configuration" << px(119, 7, 300, 77);
    QTest::newRow("XOM group") << "QGroupBox" << "XOM Configuration" << px(420, 7, 181, 78);
    QTest::newRow("project group") << "QGroupBox" << "Project Configuration"
                                   << px(119, 85, 537, 120);
    QTest::newRow("Secure") << "QLabel" << "Secure" << px(146, 370, 22, 8);
    QTest::newRow("Non-secure") << "QLabel" << "Non-secure" << px(190, 370, 36, 8);
    QTest::newRow("Template Path:") << "QLabel" << "Template Path:" << px(119, 348, 47, 8);
    QTest::newRow("BSP Path:") << "QLabel" << "BSP Path:" << px(128, 334, 33, 8);
}

void DialogTest::staticCaptions() {
    QFETCH(QString, className);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QVERIFY(open());
    QWidget* found = nullptr;
    for (QWidget* widget : dialog_->findChildren<QWidget*>()) {
        const QString text = qobject_cast<QGroupBox*>(widget)
                                 ? static_cast<QGroupBox*>(widget)->title()
                                 : (qobject_cast<QLabel*>(widget) ? static_cast<QLabel*>(widget)->text()
                                                                  : QString());
        if (text == caption && QString::fromLatin1(widget->metaObject()->className()) == className &&
            widget->geometry() == geometry)
            found = widget;
    }
    QVERIFY(found);
    QCOMPARE(found->property(CKIVDlg::kControlIdProperty).toInt(), int(ui::kIdStatic));
    auto* label = qobject_cast<QLabel*>(found);
    if (!label) return;
    // The caption fits its box and keeps clear of the frame of any control that
    // overlaps the box (the template path box reaches into its label's).
    const int advance = label->fontMetrics().horizontalAdvance(caption);
    QVERIFY(advance <= geometry.width());
    const int left = (label->alignment() & Qt::AlignRight) ? geometry.right() + 1 - advance
                                                           : geometry.left();
    const QRect text(left - 2, geometry.top(), advance + 4, geometry.height());
    for (QWidget* sibling : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (sibling == label || !sibling->isVisible() || qobject_cast<QGroupBox*>(sibling)) continue;
        QVERIFY2(!text.intersects(sibling->geometry()), qPrintable(sibling->objectName()));
    }
}

void DialogTest::titleScaleAndFixedSize() {
    QVERIFY(open());
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Velmora - v1.0.7"));
    QCOMPARE(dialog_->scaleX(), 1.0f);
    QCOMPARE(dialog_->scaleY(), 1.0f);
    QWidget* client = dialog_->findChild<QWidget*>(QStringLiteral("clientArea"));
    QVERIFY(client);
    QCOMPARE(client->size(), QSize(995, 581));
    QCOMPARE(dialog_->minimumSize(), dialog_->maximumSize());
    QCOMPARE(dialog_->width(), 995);
    QVERIFY(!(dialog_->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(dialog_->windowFlags() & Qt::WindowMaximizeButtonHint));
}

void DialogTest::tabOrderFollowsTheTemplate() {
    QVERIFY(open());
    QCOMPARE(dialog_->focusWidget(), dialog_->control(ui::kIdExit));
    QList<int> expected{1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007,
                        1008, 1009, 1010, 1011, 1013, 1014, 1015, 1016};
    for (int id = 2000; id < 2060; ++id) expected << id;
    expected << 1;
    QList<int> seen;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        // An editor or viewport counts as its grid.
        while (focus && !focus->property(CKIVDlg::kControlIdProperty).isValid())
            focus = focus->parentWidget();
        QVERIFY(focus);
        seen << focus->property(CKIVDlg::kControlIdProperty).toInt();
    }
    QCOMPARE(seen, expected);
}

void DialogTest::menus() {
    QVERIFY(open());
    QMenuBar* bar = dialog_->findChild<QMenuBar*>();
    QVERIFY(bar);
    QCOMPARE(bar->actions().first()->text(), QStringLiteral("Project"));
    QAction* add = dialog_->menuCommand(ui::kCmdAddNewProject);
    QAction* import = dialog_->menuCommand(ui::kCmdImportProject);
    QVERIFY(add && import);
    QCOMPARE(add->text(), QStringLiteral("&Add new project"));
    QMenu* project = bar->actions().first()->menu();
    QVERIFY(project);
    QAction* map = dialog_->menuCommand(ui::kCmdMemoryMap);
    QVERIFY(map);
    QCOMPARE(map->text(), QStringLiteral("&Memory map..."));
    QCOMPARE(project->actions().size(), 3);
    QCOMPARE(project->actions().at(0), add);
    QCOMPARE(project->actions().at(1), import);
    QCOMPARE(project->actions().at(2), map);
    // No system menu to extend here: the About item is in the menu bar.
    QAction* about = dialog_->menuCommand(ui::kCmdAbout);
    QVERIFY(about);
    QCOMPARE(about->text(), QStringLiteral("關於 Velmora(&A)..."));
    QVERIFY(bar->actions().contains(about));
}

void DialogTest::projectGridColumns() {
    QVERIFY(open());
    GridView* grid = projectGrid();
    QCOMPARE(grid->model()->columnCount(), 14);
    QVERIFY(grid->isColumnHidden(0));
    QVERIFY(grid->isColumnHidden(13));
    int visible = 0;
    for (int column = 0; column < 14; ++column) {
        if (grid->isColumnHidden(column)) continue;
        ++visible;
        QCOMPARE(grid->columnWidth(column), ui::ProjectTableModel::ColumnWidth(column));
    }
    QCOMPARE(visible, 12);
    QVERIFY(grid->showGrid());
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(!grid->verticalHeader()->isVisible());
    // The default configuration: one secure project.
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("Secure"));
    auto* xom = control<GridView>(ui::kIdXomGrid);
    QCOMPARE(xom->model()->rowCount(), 4);
    QCOMPARE(xom->columnWidth(0), 35);
    QCOMPARE(xom->columnWidth(1), 75);
    QCOMPARE(xom->columnWidth(2), 55);
    QCOMPARE(xom->columnWidth(3), 80);
    auto* memory = control<QTableView>(ui::kIdMemoryTable);
    QCOMPARE(memory->columnWidth(0), 35);
    QCOMPARE(memory->columnWidth(4), 100);
    QCOMPARE(memory->model()->index(0, 3).data().toString(), QStringLiteral("0x10080000"));
    QCOMPARE(memory->model()->index(2, 4).data().toString(), QStringLiteral("64 KB(0x10000)"));
}

void DialogTest::legendAndBarColours() {
    QVERIFY(open());
    const auto secure = ui::kSecureColors;
    const auto nonSecure = ui::kNonSecureColors;
    for (int id : {1000, 1003, 1008}) {
        auto* button = control<CColorButton>(id);
        QVERIFY(button);
        QCOMPARE(button->faceColor(), secure.face);
        QCOMPARE(button->textColor(), secure.text);
    }
    for (int id : {1001, 1004, 1009}) {
        auto* button = control<CColorButton>(id);
        QVERIFY(button);
        QCOMPARE(button->faceColor(), nonSecure.face);
        QCOMPARE(button->textColor(), nonSecure.text);
    }
}

void DialogTest::peripheralButtonsOnTheGrid() {
    QVERIFY(open());
    const PeripheralTable& table = dialog_->configuration().peripherals;
    QCOMPARE(int(table.size()), 60);
    for (int i = 0; i < 60; ++i) {
        CColorButton* button = dialog_->peripheralButton(i);
        QVERIFY(button);
        QCOMPARE(dialog_->control(2000 + i), button);
        QCOMPARE(button->text(), Text(table[std::size_t(i)].name));
        QCOMPARE(button->geometry(), QRect(180 + (i % 10) * 80, 325 + (i / 10) * 26, 80, 26));
        QCOMPARE(button->faceColor(), ui::ColorsForState(table[std::size_t(i)].state).face);
        QCOMPARE(button->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    }
    QVERIFY(!dialog_->peripheralButton(60));
}

void DialogTest::peripheralClicks_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QList<int>>("states");
    QTest::newRow("Timer2 makes both timers secure") << QList<int>{6} << QList<int>{6, 7}
                                                     << QList<int>{0, 0};
    QTest::newRow("then Timer3 makes both non-secure") << QList<int>{6, 7} << QList<int>{6, 7}
                                                       << QList<int>{1, 1};
    QTest::newRow("Timer3 alone moves Timer2 too") << QList<int>{7} << QList<int>{6, 7}
                                                   << QList<int>{0, 0};
    QTest::newRow("WDT is always secure") << QList<int>{47, 47} << QList<int>{47}
                                          << QList<int>{0};
    QTest::newRow("Timer0 is always secure") << QList<int>{4} << QList<int>{4} << QList<int>{0};
    QTest::newRow("UART0 alone") << QList<int>{23} << QList<int>{22, 23, 24}
                                 << QList<int>{1, 0, 1};
    QTest::newRow("UART0 twice") << QList<int>{23, 23} << QList<int>{23} << QList<int>{1};
}

void DialogTest::peripheralClicks() {
    QFETCH(QList<int>, clicks);
    QFETCH(QList<int>, rows);
    QFETCH(QList<int>, states);
    QVERIFY(open());
    for (int index : clicks) {
        QTest::mouseClick(dialog_->peripheralButton(index), Qt::LeftButton);
        // Separate clicks, never a double click.
        QTest::qWait(QApplication::doubleClickInterval() / 4);
    }
    for (int i = 0; i < rows.size(); ++i) {
        const int row = rows[i];
        QCOMPARE(dialog_->configuration().peripherals[std::size_t(row)].state, states[i]);
        const ui::ColorPair colours = ui::ColorsForState(states[i]);
        QCOMPARE(dialog_->peripheralButton(row)->faceColor(), colours.face);
        QCOMPARE(dialog_->peripheralButton(row)->textColor(), colours.text);
    }
}

void DialogTest::loadedTimersDisagreeUntilClicked() {
    {
        CKIVDlg first(&frontend_);
        first.reject();
    }
    std::string file = savedFile();
    const std::size_t at = file.find("Timer3=1");
    QVERIFY(at != std::string::npos);
    file.replace(at, 8, "Timer3=0");
    dir_->writeFile("default.kiv", file);

    QVERIFY(open());
    QCOMPARE(dialog_->peripheralButton(6)->faceColor(), ui::kNonSecureColors.face);
    QCOMPARE(dialog_->peripheralButton(7)->faceColor(), ui::kSecureColors.face);
    QTest::mouseClick(dialog_->peripheralButton(7), Qt::LeftButton);
    QCOMPARE(dialog_->configuration().peripherals[6].state, 1);
    QCOMPARE(dialog_->configuration().peripherals[7].state, 1);
    QCOMPARE(dialog_->peripheralButton(6)->faceColor(), ui::kNonSecureColors.face);
    QCOMPARE(dialog_->peripheralButton(7)->faceColor(), ui::kNonSecureColors.face);
}

void DialogTest::trackBars_data() {
    QTest::addColumn<int>("trackBar");
    QTest::addColumn<int>("key");    // 0: set the position directly, as a drag does
    QTest::addColumn<int>("value");  // for key 0
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("topCaption");
    QTest::addColumn<QString>("bottomCaption");
    QTest::addColumn<int>("splitRow");
    QTest::addColumn<int>("tableColumn");  // Secure ROM 1 / Secure RAM 2
    QTest::addColumn<QString>("secureEnd");
    QTest::addColumn<QString>("nonSecureBase");
    QTest::addColumn<QString>("nonSecureSize");
    QTest::addColumn<quint32>("modelValue");
    QTest::newRow("flash End") << 1002 << int(Qt::Key_End) << 0 << 256 << "512 KB" << "0 KB" << 560
                               << 1 << "0x0007FFFF" << "0x10080000" << "0 KB(0x0)"
                               << quint32(0x10080000);
    QTest::newRow("flash Home") << 1002 << int(Qt::Key_Home) << 0 << 1 << "2 KB" << "510 KB" << 30
                                << 1 << "0x000007FF" << "0x10000800" << "510 KB(0x7F800)"
                                << quint32(0x10000800);
    QTest::newRow("flash middle") << 1002 << 0 << 128 << 128 << "256 KB" << "256 KB" << 294 << 1
                                  << "0x0003FFFF" << "0x10040000" << "256 KB(0x40000)"
                                  << quint32(0x10040000);
    QTest::newRow("flash Page Up") << 1002 << int(Qt::Key_PageUp) << 0 << 205 << "410 KB"
                                   << "102 KB" << 454 << 1 << "0x000667FF" << "0x10066800"
                                   << "102 KB(0x19800)" << quint32(0x10066800);
    QTest::newRow("SRAM End") << 1005 << int(Qt::Key_End) << 0 << 12 << "96 KB" << "0 KB" << 560
                              << 2 << "0x20017FFF" << "0x30018000" << "0 KB(0x0)"
                              << quint32(0x30018000);
    QTest::newRow("SRAM Home") << 1005 << int(Qt::Key_Home) << 0 << 0 << "0 KB" << "96 KB" << 28
                               << 2 << "0x1FFFFFFF" << "0x30000000" << "96 KB(0x18000)"
                               << quint32(0x30000000);
    QTest::newRow("SRAM middle") << 1005 << 0 << 6 << 6 << "48 KB" << "48 KB" << 294 << 2
                                 << "0x2000BFFF" << "0x3000C000" << "48 KB(0xC000)"
                                 << quint32(0x3000C000);
    QTest::newRow("SRAM Down moves toward the maximum")
        << 1005 << int(Qt::Key_Down) << 0 << 5 << "40 KB" << "56 KB" << 250 << 2 << "0x20009FFF"
        << "0x3000A000" << "56 KB(0xE000)" << quint32(0x3000A000);
}

void DialogTest::trackBars() {
    QFETCH(int, trackBar);
    QFETCH(int, key);
    QFETCH(int, value);
    QFETCH(int, position);
    QFETCH(QString, topCaption);
    QFETCH(QString, bottomCaption);
    QFETCH(int, splitRow);
    QFETCH(int, tableColumn);
    QFETCH(QString, secureEnd);
    QFETCH(QString, nonSecureBase);
    QFETCH(QString, nonSecureSize);
    QFETCH(quint32, modelValue);
    QVERIFY(open());
    auto* slider = control<QSlider>(trackBar);
    QVERIFY(slider);
    QVERIFY(slider->invertedAppearance());
    QCOMPARE(slider->tickPosition(), QSlider::NoTicks);
    if (key) {
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key(key));
    } else {
        slider->setValue(value);
    }
    QCOMPARE(slider->value(), position);

    const bool flash = trackBar == ui::kIdFlashTrackBar;
    auto* top = control<CColorButton>(flash ? ui::kIdFlashSecureBar : ui::kIdSramSecureBar);
    auto* bottom = control<CColorButton>(flash ? ui::kIdFlashNonSecureBar : ui::kIdSramNonSecureBar);
    const int left = flash ? 14 : 100;
    QCOMPARE(top->text(), topCaption);
    QCOMPARE(bottom->text(), bottomCaption);
    QCOMPARE(top->geometry(), QRect(left, 28, 48, splitRow - 28));
    QCOMPARE(bottom->geometry(), QRect(left, splitRow, 48, 560 - splitRow));

    const QAbstractItemModel* memory = control<QTableView>(ui::kIdMemoryTable)->model();
    QCOMPARE(memory->index(1, tableColumn).data().toString(), secureEnd);
    QCOMPARE(memory->index(0, tableColumn + 2).data().toString(), nonSecureBase);
    QCOMPARE(memory->index(2, tableColumn + 2).data().toString(), nonSecureSize);
    const PartitionConfig& config = dialog_->configuration();
    QCOMPARE(flash ? config.nsba : config.sramNsba, modelValue);

    // The boundary is kept on save.
    dialog_->reject();
    const std::string saved = savedFile();
    const QString line = QStringLiteral("%1=0x%2").arg(flash ? "NSBA" : "SRAMNSBA")
                             .arg(modelValue, 0, 16);
    QVERIFY2(QString::fromStdString(saved).contains(line), qPrintable(line));
}

void DialogTest::xomClicksTakeAndRelease() {
    QVERIFY(open());
    QAbstractItemModelTester projectTester(dialog_->projectModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester xomTester(dialog_->xomModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    addProjects(3);
    auto* model = dialog_->projectModel();
    QVERIFY(model->setData(model->index(3, kColumnName), QStringLiteral("App")));
    GridView* grid = projectGrid();
    const auto state = [&](int row, int region) {
        return model->index(row, kColumnXom0 + region).data(ui::ProjectTableModel::XomStateRole).toInt();
    };
    const QAbstractItemModel* xom = control<GridView>(ui::kIdXomGrid)->model();

    clickCell(grid, 3, kColumnXom0 + 2);
    QCOMPARE(state(3, 2), int(XomCellState::Owned));
    for (int row = 0; row < 3; ++row) QCOMPARE(state(row, 2), int(XomCellState::Taken));
    QCOMPARE(xom->index(2, 3).data().toString(), QStringLiteral("App"));
    QVERIFY(!model->index(0, kColumnXom0 + 2).data(Qt::DecorationRole).isValid());

    // A hidden box in the same column releases the region.
    clickCell(grid, 0, kColumnXom0 + 2);
    for (int row = 0; row < 4; ++row) QCOMPARE(state(row, 2), int(XomCellState::Free));
    QCOMPARE(xom->index(2, 3).data().toString(), QString());

    // Deleting the owner of XOM0 frees the column for every other row.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    clickCell(grid, 1, kColumnXom0);
    QCOMPARE(state(1, 0), int(XomCellState::Owned));
    QCOMPARE(xom->index(0, 3).data().toString(), QStringLiteral("NewPrj"));
    QStringList texts;
    auto menu = test::UseNextPopupMenu(texts, QStringLiteral("Delete \"NewPrj\""));
    rightClickCell(grid, 1, kColumnName);
    QTRY_VERIFY(menu->done());
    QCOMPARE(model->rowCount(), 3);
    for (int row = 0; row < 3; ++row) QCOMPARE(state(row, 0), int(XomCellState::Free));
    QCOMPARE(xom->index(0, 3).data().toString(), QString());
}

void DialogTest::xomClickOpensNoEditor() {
    QVERIFY(open());
    GridView* grid = projectGrid();
    clickCell(grid, 0, kColumnXom0 + 1);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    clickCell(grid, 0, kColumnXom0 + 1);  // selected already: still no editor
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QVERIFY(!grid->isPersistentEditorOpen(grid->model()->index(0, kColumnXom0 + 1)));
    QVERIFY(!grid->viewport()->findChild<QLineEdit*>());
    QVERIFY(!grid->viewport()->findChild<QComboBox*>());
    // Two clicks: taken, then released.
    QCOMPARE(dialog_->configuration().projects.rows[0].xomCells[1], XomCellState::Free);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                       grid->visualRect(grid->model()->index(0, kColumnXom0 + 3)).center());
    QVERIFY(!grid->viewport()->findChild<QLineEdit*>());
}

void DialogTest::nextBootChoicesFollowTheFirstClick() {
    QVERIFY(open());
    addProjects(2);
    auto* model = dialog_->projectModel();
    model->setData(model->index(1, kColumnName), QStringLiteral("Second"));
    model->setData(model->index(2, kColumnName), QStringLiteral("Third"));
    GridView* grid = projectGrid();
    const QModelIndex cell = model->index(0, kColumnNextBoot);

    // Before any click in the column: the placeholders.
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* combo = grid->viewport()->findChild<QComboBox*>();
    QVERIFY(combo);
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0), QStringLiteral("t1"));
    QCOMPARE(combo->itemText(1), QStringLiteral("t2"));
    QCOMPARE(combo->itemText(2), QStringLiteral("t3"));
    QTest::keyClick(combo, Qt::Key_Escape);
    QTRY_VERIFY(!grid->viewport()->findChild<QComboBox*>());

    // A click in the column replaces them with the other rows' names.
    grid->setCurrentIndex(model->index(1, kColumnName));
    clickCell(grid, 0, kColumnNextBoot);
    const std::vector<std::wstring> expected{L"Second", L"Third"};
    QCOMPARE(dialog_->configuration().projects.nextBootChoices, expected);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QVERIFY(!grid->viewport()->findChild<QComboBox*>());
    clickCell(grid, 0, kColumnNextBoot);  // a click on the selected cell opens the editor
    QTRY_VERIFY(grid->viewport()->findChild<QComboBox*>());
    combo = grid->viewport()->findChild<QComboBox*>();
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QStringLiteral("Second"));
    QCOMPARE(combo->itemText(1), QStringLiteral("Third"));
    // Typed text is accepted as it is.
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("Elsewhere"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QTRY_COMPARE(cell.data().toString(), QStringLiteral("Elsewhere"));
    QVERIFY(dialog_->isVisible());
}

void DialogTest::stateDropDownOffersSAndNS() {
    QVERIFY(open());
    GridView* grid = projectGrid();
    const QModelIndex cell = grid->model()->index(0, kColumnState);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* combo = grid->viewport()->findChild<QComboBox*>();
    QVERIFY(combo);
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QStringLiteral("S"));
    QCOMPARE(combo->itemText(1), QStringLiteral("NS"));
    QCOMPARE(combo->currentText(), QStringLiteral("S"));
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("X"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QTRY_COMPARE(cell.data().toString(), QStringLiteral("X"));
    QCOMPARE(Text(dialog_->configuration().projects.rows[0].stateText), QStringLiteral("X"));
}

void DialogTest::dropDownCellsKeepTheTypedText_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    // Each typed text is the start of a choice in another case: "S", "NS", "Second".
    for (const auto& [column, name] : {std::pair{int(kColumnState), "State"},
                                       std::pair{int(kColumnNextBoot), "Next Boot"}}) {
        for (const char* typed : {"s", "ns", "sec"}) {
            for (const auto& [key, keyName] : {std::pair{int(Qt::Key_Return), "Enter"},
                                               std::pair{int(Qt::Key_Tab), "Tab"}}) {
                QTest::addRow("%s: %s, %s", name, typed, keyName) << column << QString(typed) << key;
            }
        }
    }
}

void DialogTest::dropDownCellsKeepTheTypedText() {
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QVERIFY(open());
    addProjects(3);
    auto* model = dialog_->projectModel();
    const QStringList names{QStringLiteral("Second"), QStringLiteral("NS"), QStringLiteral("S")};
    for (int row = 1; row <= 3; ++row) model->setData(model->index(row, kColumnName), names[row - 1]);
    GridView* grid = projectGrid();
    const QModelIndex cell = model->index(0, column);

    // A click selects the cell (and gives Next Boot its choices); F2 opens its editor.
    clickCell(grid, 0, column);
    QTest::keyClick(grid, Qt::Key_F2);
    auto* combo = grid->viewport()->findChild<QComboBox*>();
    QVERIFY(combo);
    const QString completion = column == kColumnState ? QStringLiteral("NS") : QStringLiteral("Second");
    QVERIFY(combo->findText(completion) >= 0);
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), typed);
    QTest::keyClick(combo->lineEdit(), Qt::Key(key));

    QTRY_COMPARE(cell.data().toString(), typed);
    const ProjectEntry& row = dialog_->configuration().projects.rows[0];
    QCOMPARE(Text(column == kColumnState ? row.stateText : row.nextBoot), typed);
    QVERIFY(dialog_->isVisible());
}

void DialogTest::editBoxCommitsInBothGrids_data() {
    QTest::addColumn<int>("grid");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("project name") << int(ui::kIdProjectGrid) << 0 << int(kColumnName);
    QTest::newRow("project RO") << int(ui::kIdProjectGrid) << 0 << int(kColumnRo);
    QTest::newRow("XOM base") << int(ui::kIdXomGrid) << 1 << int(ui::XomTableModel::kColumnBase);
    QTest::newRow("XOM size") << int(ui::kIdXomGrid) << 2 << int(ui::XomTableModel::kColumnSize);
}

// Each commit reaches its own grid only: any other view's refusal is a Qt warning,
// which fails the test.
void DialogTest::editBoxCommitsInBothGrids() {
    QFETCH(int, grid);
    QFETCH(int, row);
    QFETCH(int, column);
    QVERIFY(open());
    auto* view = control<GridView>(grid);
    typeIntoOpenEditor(view, row, column, QStringLiteral("0x4000"));
    QTest::keyClick(view->indexWidget(view->model()->index(row, column)), Qt::Key_Return);
    QTRY_COMPARE(view->model()->index(row, column).data().toString(), QStringLiteral("0x4000"));
    QVERIFY(!view->indexWidget(view->model()->index(row, column)));
}

void DialogTest::rowContextMenuDeletesTheRow() {
    QVERIFY(open());
    addProjects(1);
    auto* model = dialog_->projectModel();
    model->setData(model->index(0, kColumnName), QStringLiteral("R&D"));
    QStringList texts;
    {
        auto menu = test::UseNextPopupMenu(texts, QString());
        rightClickCell(projectGrid(), 0, kColumnRo);
        QTRY_VERIFY(menu->done());
    }
    // The name shows as typed: the ampersand is no mnemonic.
    QCOMPARE(texts, QStringList{QStringLiteral("Delete \"R&&D\"")});
    QCOMPARE(model->rowCount(), 2);

    // The context-menu key on the focused row offers the same item.
    texts.clear();
    projectGrid()->setFocus();
    projectGrid()->setCurrentIndex(model->index(0, kColumnRo));
    {
        auto keyMenu = test::UseNextPopupMenu(texts, QString());
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1),
                              projectGrid()->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(projectGrid(), &key);
        QTRY_VERIFY(keyMenu->done());
    }
    QCOMPARE(texts, QStringList{QStringLiteral("Delete \"R&&D\"")});

    texts.clear();
    auto menu = test::UseNextPopupMenu(texts, QStringLiteral("Delete \"R&&D\""));
    rightClickCell(projectGrid(), 0, kColumnRo);
    QTRY_VERIFY(menu->done());
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->index(0, kColumnName).data().toString(), QStringLiteral("NewPrj"));
}

void DialogTest::emptyAreaContextMenuAddsAProject() {
    QVERIFY(open());
    GridView* grid = projectGrid();
    QStringList texts;
    auto menu = test::UseNextPopupMenu(texts, QStringLiteral("Add new project"));
    rightClick(grid, QPoint(40, grid->viewport()->height() - 10));
    QTRY_VERIFY(menu->done());
    QCOMPARE(texts, QStringList{QStringLiteral("Add new project")});
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(grid->model()->index(1, kColumnName).data().toString(), QStringLiteral("NewPrj"));

    // The context-menu key with no current row offers the same.
    grid->setCurrentIndex(QModelIndex());
    texts.clear();
    auto keyMenu = test::UseNextPopupMenu(texts, QString());
    QContextMenuEvent keyEvent(QContextMenuEvent::Keyboard, QPoint(5, 5),
                               grid->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(grid, &keyEvent);
    QTRY_VERIFY(keyMenu->done());
    QCOMPARE(texts, QStringList{QStringLiteral("Add new project")});
}

void DialogTest::xomGridMenus() {
    QVERIFY(open());
    QAbstractItemModelTester projectTester(dialog_->projectModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    auto* grid = control<GridView>(ui::kIdXomGrid);
    QStringList texts;
    {
        auto menu = test::UseNextPopupMenu(texts, QString());
        rightClickCell(grid, 1, 1);
        QTest::qWait(150);
        QVERIFY(!menu->done());  // rows offer no menu
    }
    // The rows fill the XOM grid; below them (if any space is left) is the empty area.
    const int below = grid->rowViewportPosition(3) + grid->rowHeight(3) + 2;
    if (below < grid->viewport()->height()) {
        auto menu = test::UseNextPopupMenu(texts, QStringLiteral("Add new project"));
        rightClick(grid, QPoint(10, below));
        QTRY_VERIFY(menu->done());
        QCOMPARE(dialog_->projectModel()->rowCount(), 2);
    } else {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                grid->mapToGlobal(QPoint(5, 5)));
        grid->setCurrentIndex(QModelIndex());
        auto menu = test::UseNextPopupMenu(texts, QStringLiteral("Add new project"));
        QApplication::sendEvent(grid, &event);
        QTRY_VERIFY(menu->done());
        QCOMPARE(dialog_->projectModel()->rowCount(), 2);
    }
}

void DialogTest::headerHasNoMenu() {
    QVERIFY(open());
    for (int id : {ui::kIdProjectGrid, ui::kIdXomGrid}) {
        auto* grid = control<GridView>(id);
        QStringList texts;
        auto menu = test::UseNextPopupMenu(texts, QString());
        QHeaderView* header = grid->horizontalHeader();
        rightClick(header, QPoint(30, header->height() / 2));
        QTest::qWait(150);
        QVERIFY(!menu->done());
    }
    QCOMPARE(dialog_->projectModel()->rowCount(), 1);
}

void DialogTest::tooManyProjectsBoxIsShownAndClosed() {
    // The dialog's own Qt front end: a real message box, closed by the test.
    QVERIFY(open(nullptr));
    addProjects(9);
    QCOMPARE(dialog_->projectModel()->rowCount(), 10);
    test::SeenBox seen;
    auto box = test::AnswerNextMessageBox(seen, QMessageBox::Ok);
    dialog_->menuCommand(ui::kCmdAddNewProject)->trigger();
    QVERIFY(box->done());
    QCOMPARE(seen.text, QStringLiteral("Too many projects"));
    QCOMPARE(seen.caption, QStringLiteral("WARNING"));
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(dialog_->projectModel()->rowCount(), 10);
    QVERIFY(dialog_->isVisible());
}

void DialogTest::enterInAPathBoxDoesNothing() {
    QVERIFY(open());
    QAbstractItemModelTester memoryTester(dialog_->memoryModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int id : {ui::kIdTemplatePath, ui::kIdBspPath}) {
        auto* box = control<QLineEdit>(id);
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("out"));
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->result(), 0);
        QVERIFY(!std::filesystem::exists(dir_->file("default.kiv")));
    }
    // Nor in a grid, on a track bar or on a peripheral button.
    for (QWidget* widget : {static_cast<QWidget*>(projectGrid()), dialog_->control(1002),
                            static_cast<QWidget*>(dialog_->peripheralButton(3))}) {
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Return);
        QVERIFY(dialog_->isVisible());
    }
    QCOMPARE(dialog_->configuration().peripherals[3].state, 1);
    QVERIFY(!std::filesystem::exists(dir_->file("default.kiv")));
}

void DialogTest::exitSavesAndClosesOnlyFromExit() {
    QVERIFY(open());
    control<QLineEdit>(ui::kIdTemplatePath)->setFocus();
    dialog_->exitCommand();  // the command with the focus elsewhere
    QVERIFY(dialog_->isVisible());
    QVERIFY(!std::filesystem::exists(dir_->file("default.kiv")));

    QTest::mouseClick(control<QPushButton>(ui::kIdExit), Qt::LeftButton);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    QVERIFY(savedFile().rfind(kFirstRunGeneral, 0) == 0);
}

void DialogTest::enterOnExitSavesAndCloses() {
    QVERIFY(open());
    control<QLineEdit>(ui::kIdBspPath)->setText(QStringLiteral("C:\\BSP"));
    control<QPushButton>(ui::kIdExit)->setFocus();
    QTest::keyClick(control<QPushButton>(ui::kIdExit), Qt::Key_Return);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    QVERIFY(QString::fromStdString(savedFile()).contains(QStringLiteral("BSP_PATH=C:\\BSP\r\n")));
}

void DialogTest::escapeSavesAndCloses() {
    QVERIFY(open());
    control<QLineEdit>(ui::kIdTemplatePath)->setFocus();
    QTest::keyClick(control<QLineEdit>(ui::kIdTemplatePath), Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Rejected));
    QVERIFY(savedFile().rfind(kFirstRunGeneral, 0) == 0);
    QVERIFY(QString::fromStdString(savedFile()).contains(QStringLiteral("[IP]\r\nCRPT=1\r\n")));
}

void DialogTest::closeBoxSavesAndCloses() {
    QVERIFY(open());
    addProjects(1);
    dialog_->close();
    QVERIFY(!dialog_->isVisible());
    const QString saved = QString::fromStdString(savedFile());
    QVERIFY(saved.contains(QStringLiteral("[PRJ1]\r\nNAME=NewPrj\r\n")));

    // The next start shows what was saved.
    QVERIFY(open());
    QCOMPARE(dialog_->projectModel()->rowCount(), 2);

    // A cell editor still open keeps what was typed.
    typeIntoOpenEditor(projectGrid(), 1, kColumnName, QStringLiteral("Typed"));
    dialog_->close();
    QVERIFY(!dialog_->isVisible());
    QVERIFY(QString::fromStdString(savedFile()).contains(QStringLiteral("[PRJ1]\r\nNAME=Typed\r\n")));
}

void DialogTest::failedSaveAsksBeforeClosing_data() {
    QTest::addColumn<SaveFailure>("failure");
    QTest::addColumn<CloseBy>("how");
    QTest::addColumn<bool>("closeAnyway");
    QTest::newRow("folder in its place, Exit, No")
        << SaveFailure::FolderInItsPlace << CloseBy::Exit << false;
    QTest::newRow("folder in its place, close box, Yes")
        << SaveFailure::FolderInItsPlace << CloseBy::CloseBox << true;
#ifndef _WIN32
    QTest::newRow("full disk, Esc, No") << SaveFailure::FullDisk << CloseBy::Escape << false;
    QTest::newRow("full disk, Exit, Yes") << SaveFailure::FullDisk << CloseBy::Exit << true;
#endif
}

// A save that fails at close must not silently throw the session's edits away:
// No keeps the dialog and its tables for a later close that saves, Yes closes
// and leaves the old file as it was.
void DialogTest::failedSaveAsksBeforeClosing() {
    QFETCH(SaveFailure, failure);
    QFETCH(CloseBy, how);
    QFETCH(bool, closeAnyway);
    QVERIFY(open());
    closeBy(CloseBy::Exit);  // the first run's file
    const std::string before = savedFile();
    QVERIFY(!before.empty());

    QVERIFY(open());
    addProjects(1);
    control<QLineEdit>(ui::kIdBspPath)->setText(QStringLiteral("C:\\BSP"));
    frontend_.queueAnswer(MessageAnswer::Ok);  // "Unable to write ini file."
    frontend_.queueAnswer(closeAnyway ? MessageAnswer::Yes : MessageAnswer::No);
    FailingSaves failing(failure, dir_->file("default.kiv"));
    const auto entries = EntriesOf(dir_->path());
    closeBy(how);
    const bool isFolder = std::filesystem::is_directory(dir_->file("default.kiv"));
    failing.lift();

    QCOMPARE(frontend_.messages.size(), std::size_t(2));
    QCOMPARE(Text(frontend_.messages[0].text), QStringLiteral("Unable to write ini file."));
    const test::RecordedMessage& question = frontend_.messages[1];
    QCOMPARE(Text(question.text),
             QStringLiteral("The configuration could not be saved to default.kiv.\n\n"
                            "Close Velmora anyway? Your changes would be lost."));
    QCOMPARE(Text(question.caption), QStringLiteral("Velmora"));
    QCOMPARE(question.icon, MessageIcon::Warning);
    QCOMPARE(question.buttons, MessageButtons::YesNo);
    QCOMPARE(isFolder, failure == SaveFailure::FolderInItsPlace);
    QCOMPARE(EntriesOf(dir_->path()).size(), entries.size() - (isFolder ? 1 : 0));
    if (failure == SaveFailure::FullDisk) QCOMPARE(savedFile(), before);

    QCOMPARE(dialog_->isVisible(), !closeAnyway);
    if (closeAnyway) return;
    QCOMPARE(dialog_->result(), 0);
    QCOMPARE(dialog_->projectModel()->rowCount(), 2);
    QCOMPARE(projectGrid()->model()->index(1, kColumnName).data().toString(),
             QStringLiteral("NewPrj"));
    QCOMPARE(control<QLineEdit>(ui::kIdBspPath)->text(), QStringLiteral("C:\\BSP"));

    // Once the cause is gone, the next close saves the edits and asks nothing.
    closeBy(how);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(frontend_.messages.size(), std::size_t(2));
    const QString saved = QString::fromStdString(savedFile());
    QVERIFY(saved.contains(QStringLiteral("[PRJ1]\r\nNAME=NewPrj\r\n")));
    QVERIFY(saved.contains(QStringLiteral("BSP_PATH=C:\\BSP\r\n")));
}

void DialogTest::folderPickersStartAtTheirBox_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("box");
    QTest::addColumn<bool>("withEditBox");
    QTest::newRow("BSP Path") << int(ui::kIdBrowseBsp) << int(ui::kIdBspPath) << false;
    QTest::newRow("Template Path") << int(ui::kIdBrowseTemplate) << int(ui::kIdTemplatePath) << true;
}

void DialogTest::folderPickersStartAtTheirBox() {
    QFETCH(int, button);
    QFETCH(int, box);
    QFETCH(bool, withEditBox);
    QVERIFY(open());
    auto* edit = control<QLineEdit>(box);
    edit->setText(QStringLiteral("/work/typed"));
    frontend_.queueFolder(std::nullopt);
    QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
    QCOMPARE(frontend_.picks.size(), std::size_t(1));
    QCOMPARE(Text(frontend_.picks[0].title), QStringLiteral("Please select a folder"));
    QCOMPARE(Text(frontend_.picks[0].startFolderOrFilter), QStringLiteral("/work/typed"));
    QCOMPARE(frontend_.picks[0].withEditBox, withEditBox);
    QCOMPARE(edit->text(), QStringLiteral("/work/typed"));  // cancelled: unchanged

    frontend_.queueFolder(std::wstring(L"/work/picked"));
    QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("/work/picked"));
    const PartitionConfig& config = dialog_->configuration();
    QCOMPARE(Text(box == ui::kIdBspPath ? config.bspPath : config.templatePath),
             QStringLiteral("/work/picked"));
}

void DialogTest::importCommandAsksForAKeilProject() {
    writeImportScript("addprj('Imported', 2, 0x10040000, 0x2000, 0x30008000, 0x3f000, 0x800,"
                      " 0, 1, 0, 0, 'Secure', infname)\n");
    QVERIFY(open());
    QAbstractItemModelTester projectTester(dialog_->projectModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester xomTester(dialog_->xomModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAction* import = dialog_->menuCommand(ui::kCmdImportProject);
    frontend_.queueFile(std::nullopt);
    import->trigger();
    QCOMPARE(frontend_.picks.size(), std::size_t(1));
    QCOMPARE(Text(frontend_.picks[0].title), QStringLiteral("Choose Open file..."));
    QCOMPARE(Text(frontend_.picks[0].startFolderOrFilter),
             QStringLiteral("Keil Project(*.uvprojx) |*.uvprojx|All files(*.*)|*.*||"));
    QCOMPARE(Text(frontend_.picks[0].defaultExtension), QStringLiteral(".uvprojx"));
    QCOMPARE(dialog_->projectModel()->rowCount(), 1);  // cancelled: nothing imported

    const QString path = QString::fromStdString(dir_->writeFile("app.uvprojx", "<x/>").string());
    frontend_.queueFile(path.toStdWString());
    import->trigger();
    const QAbstractItemModel* model = dialog_->projectModel();
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(1, kColumnName).data().toString(), QStringLiteral("Imported"));
    QCOMPARE(model->index(1, kColumnState).data().toString(), QStringLiteral("NS"));
    QCOMPARE(model->index(1, kColumnNsc).data().toString(), QString());
    QCOMPARE(model->index(1, kColumnPath).data().toString(), path);
    QCOMPARE(model->index(1, kColumnXom0 + 1).data(ui::ProjectTableModel::XomStateRole).toInt(),
             int(XomCellState::Owned));
    QCOMPARE(model->index(0, kColumnXom0 + 1).data(ui::ProjectTableModel::XomStateRole).toInt(),
             int(XomCellState::Taken));
}

void DialogTest::droppedFilesImportTheFirstOne() {
    writeImportScript("addprj('Dropped', 0, 0, 0x1000, 0x20000000, 0, 0, 0, 0, 0, 0, '', infname)\n"
                      "setxom(0, '0x10000', '0x800')\nsetxom(5, '0x1', '0x1')\n");
    QVERIFY(open());
    const QString first = QString::fromStdString(dir_->writeFile("notes.txt", "x").string());
    const QString second = QString::fromStdString(dir_->writeFile("b.uvprojx", "x").string());
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    GridView* grid = projectGrid();
    const QPoint at(30, 30);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &drop);
    QVERIFY(drop.isAccepted());

    const QAbstractItemModel* model = dialog_->projectModel();
    // The import runs once the drop has returned: one import, of the first file only.
    QTRY_COMPARE(model->rowCount(), 2);
    QTest::qWait(50);
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(1, kColumnName).data().toString(), QStringLiteral("Dropped"));
    // The script gets the path as the file picker would give it.
    QCOMPARE(model->index(1, kColumnPath).data().toString(), QDir::toNativeSeparators(first));
    const QAbstractItemModel* xom = control<GridView>(ui::kIdXomGrid)->model();
    QCOMPARE(xom->index(0, 1).data().toString(), QStringLiteral("0x10000"));
    QCOMPARE(xom->index(0, 2).data().toString(), QStringLiteral("0x800"));
    QVERIFY(frontend_.messages.empty());

    // Nothing but files is taken.
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &refused);
    QVERIFY(!refused.isAccepted());
}

void DialogTest::scriptErrorLeavesTheDialogOpen() {
    writeImportScript("printResult = 'read 1 target'\n"
                      "addprj('Before', 0, 0, 0x1000, 0x20000000, 0, 0, 0, 0, 0, 0, '', infname)\n"
                      "error('no target found')\n");
    QVERIFY(open());
    const QString path = QString::fromStdString(dir_->writeFile("p.uvprojx", "x").string());
    dialog_->importKeilProject(path);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(frontend_.messages.size(), std::size_t(2));
    QCOMPARE(Text(frontend_.messages[0].caption), QStringLiteral("ERROR"));
    QVERIFY(Text(frontend_.messages[0].text).contains(QStringLiteral("no target found")));
    QCOMPARE(Text(frontend_.messages[1].caption), QStringLiteral("Console"));
    QCOMPARE(Text(frontend_.messages[1].text), QStringLiteral("read 1 target"));
    // The row added before the error stays, and the dialog still works and saves.
    QCOMPARE(dialog_->projectModel()->rowCount(), 2);
    addProjects(1);
    QCOMPARE(dialog_->projectModel()->rowCount(), 3);
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    QVERIFY(QString::fromStdString(savedFile()).contains(QStringLiteral("NAME=Before\r\n")));

    // A missing script is reported the same way.
    std::filesystem::remove(dir_->file("ldp.lua"));
    QVERIFY(open());
    frontend_.clearRecords();
    dialog_->importKeilProject(path);
    QVERIFY(dialog_->isVisible());
    QVERIFY(!frontend_.messages.empty());
    QCOMPARE(Text(frontend_.messages[0].caption), QStringLiteral("ERROR"));
    QVERIFY(Text(frontend_.messages[0].text).startsWith(QStringLiteral("cannot run configuration file: ")));
}

void DialogTest::createTemplateReportsValidation() {
    QVERIFY(open());
    QTest::mouseClick(control<QPushButton>(ui::kIdCreateTemplate), Qt::LeftButton);
    QCOMPARE(frontend_.messages.size(), std::size_t(1));
    QCOMPARE(Text(frontend_.messages[0].caption), QStringLiteral("ERROR"));
    QVERIFY(frontend_.messages[0].icon == MessageIcon::Error);
    QVERIFY(frontend_.openedFolders.empty());
    QVERIFY(dialog_->isVisible());
    // Creating a template never saves.
    QVERIFY(!std::filesystem::exists(dir_->file("default.kiv")));
}

void DialogTest::createTemplateInTheBundledWorkingFolder() {
    const std::filesystem::path bundled = VELMORA_WORKSPACE_DIR;
    if (!std::filesystem::exists(bundled / "default.kiv") || !std::filesystem::exists(bundled / "tes.lua"))
        QSKIP("the bundled working folder has no sample configuration yet");
    std::filesystem::copy(bundled, dir_->path(), std::filesystem::copy_options::recursive);
    QVERIFY(open());
    QCOMPARE(control<QLineEdit>(ui::kIdTemplatePath)->text(), QStringLiteral("BSP/SampleCode/TrustZone"));
    QCOMPARE(control<QLineEdit>(ui::kIdBspPath)->text(), QStringLiteral("BSP"));
    QTest::mouseClick(control<QPushButton>(ui::kIdCreateTemplate), Qt::LeftButton);
    QVERIFY(!frontend_.messages.empty());
    const auto& last = frontend_.messages.back();
    QCOMPARE(Text(last.caption), QStringLiteral("Trust Manager"));
    QCOMPARE(Text(last.text), QStringLiteral("Trust Zone Template Created!"));
    QCOMPARE(frontend_.openedFolders.size(), std::size_t(1));
    QVERIFY(std::filesystem::is_directory(dir_->file("BSP/SampleCode/TrustZone/SecureApp")));
    QVERIFY(dialog_->isVisible());
}

void DialogTest::createTemplateShowsThePickedOutputFolder() {
    const std::filesystem::path bundled = VELMORA_WORKSPACE_DIR;
    if (!std::filesystem::exists(bundled / "default.kiv") || !std::filesystem::exists(bundled / "tes.lua"))
        QSKIP("the bundled working folder has no sample configuration yet");
    std::filesystem::copy(bundled, dir_->path(), std::filesystem::copy_options::recursive);
    QVERIFY(open());
    // An output folder that exists and is not empty: the question, then the picker.
    auto* templatePath = control<QLineEdit>(ui::kIdTemplatePath);
    templatePath->setText(QStringLiteral("BSP"));
    const std::filesystem::path picked = dir_->file("picked");
    std::filesystem::create_directory(picked);
    frontend_.queueAnswer(MessageAnswer::No);
    frontend_.queueFolder(QString::fromStdString(picked.string()).toStdWString());
    QTest::mouseClick(control<QPushButton>(ui::kIdCreateTemplate), Qt::LeftButton);
    QVERIFY(!frontend_.messages.empty());
    QCOMPARE(frontend_.messages[0].buttons, MessageButtons::YesNoCancel);
    QCOMPARE(frontend_.picks.size(), std::size_t(1));
    QCOMPARE(templatePath->text(), QString::fromStdString(picked.string()));
    QVERIFY(std::filesystem::is_directory(picked / "SecureApp"));
}

void DialogTest::createTemplateEndsWithTheScriptsWarnings_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("changed");
    QTest::addColumn<QString>("warning");
    // The sample's secure SRAM ends at 0x20008000; the template reserves 0xC08 bytes
    // for stack, heap and seal.
    QTest::newRow("secure data region below stack and heap")
        << "RW=0x20000000\r\n" << "RW=0x20007800\r\n"
        << "SecureApp: the data region at 0x20007800 holds 0x00000800 bytes, less than the "
           "0x00000C08 bytes the linker files reserve for stack and heap";
    QTest::newRow("non-secure image whose next boot is secure")
        << "NEXTBOOT=\r\n" << "NEXTBOOT=SecureApp\r\n"
        << "NonSecureApp: a non-secure image cannot start the secure image at 0x00000000; it boots nothing";
}

// The real scripts in the bundled working folder: what they warn about ends
// Create Template in the warnings box instead of the plain completion box.
void DialogTest::createTemplateEndsWithTheScriptsWarnings() {
    QFETCH(QString, line);
    QFETCH(QString, changed);
    QFETCH(QString, warning);
    const std::filesystem::path bundled = VELMORA_WORKSPACE_DIR;
    if (!std::filesystem::exists(bundled / "default.kiv") || !std::filesystem::exists(bundled / "tes.lua"))
        QSKIP("the bundled working folder has no sample configuration yet");
    std::filesystem::copy(bundled, dir_->path(), std::filesystem::copy_options::recursive);
    std::string kiv = dir_->readFile("default.kiv");
    const auto at = kiv.find(line.toStdString());
    QVERIFY(at != std::string::npos);
    kiv.replace(at, static_cast<std::size_t>(line.size()), changed.toStdString());
    dir_->writeFile("default.kiv", kiv);
    QVERIFY(open());
    QTest::mouseClick(control<QPushButton>(ui::kIdCreateTemplate), Qt::LeftButton);
    QVERIFY(!frontend_.messages.empty());
    const auto& last = frontend_.messages.back();
    QCOMPARE(Text(last.caption), QStringLiteral("WARNING"));
    QCOMPARE(last.icon, MessageIcon::Warning);
    QCOMPARE(last.buttons, MessageButtons::Ok);
    QCOMPARE(Text(last.text), QStringLiteral("Trust Zone Template created with warnings:\n\n") + warning);
    QCOMPARE(frontend_.openedFolders.size(), std::size_t(1));
    QVERIFY(std::filesystem::is_directory(dir_->file("BSP/SampleCode/TrustZone/SecureApp")));
}

void DialogTest::createTemplateOpensTheOutputFolderByItsFullPath() {
    const std::filesystem::path bundled = VELMORA_WORKSPACE_DIR;
    if (!std::filesystem::exists(bundled / "default.kiv") || !std::filesystem::exists(bundled / "tes.lua"))
        QSKIP("the bundled working folder has no sample configuration yet");
    std::filesystem::copy(bundled, dir_->path(), std::filesystem::copy_options::recursive);
    // The dialog's own Qt front end, with the desktop replaced by a recorder.
    QList<QUrl> opened;
    ui::QtFrontend qtFrontend(nullptr, ui::LocalPathOpener([&opened](const QUrl& url) {
                                  opened << url;
                                  return true;
                              }));
    QVERIFY(open(&qtFrontend));
    QCOMPARE(control<QLineEdit>(ui::kIdTemplatePath)->text(), QStringLiteral("BSP/SampleCode/TrustZone"));
    test::SeenBox completion;
    auto box = test::AnswerNextMessageBox(completion, QMessageBox::Ok);
    QTest::mouseClick(control<QPushButton>(ui::kIdCreateTemplate), Qt::LeftButton);
    QVERIFY(box->done());
    QCOMPARE(completion.text, QStringLiteral("Trust Zone Template Created!"));

    QCOMPARE(opened.size(), 1);
    QVERIFY(opened[0].isLocalFile());
    const QString expected =
        QString::fromStdString((dir_->path() / "BSP" / "SampleCode" / "TrustZone").string());
    QCOMPARE(opened[0].toLocalFile(), expected);
    QVERIFY(QFileInfo(opened[0].toLocalFile()).isDir());
    dialog_.reset();  // before the front end it uses
}

void DialogTest::textInAnOpenEditorIsNotLost() {
    writeImportScript("addprj('Dropped', 0, 0, 0x1000, 0x20000000, 0, 0, 0, 0, 0, 0, '', infname)\n");
    QVERIFY(open());
    GridView* grid = projectGrid();

    // Create Template pressed without the focus leaving the cell (as an
    // accessibility client presses it): validation sees the typed name.
    typeIntoOpenEditor(grid, 0, kColumnName, QStringLiteral("1st"));
    control<QPushButton>(ui::kIdCreateTemplate)->click();
    QCOMPARE(frontend_.messages.size(), std::size_t(1));
    QCOMPARE(Text(frontend_.messages[0].text),
             QStringLiteral("[1st] project first char must be '_', 'a'~'z' or 'A'~'Z'."));

    // A file dropped while a cell is being edited: the drop takes no focus, and
    // the import must not throw the typed text away with the editor.
    typeIntoOpenEditor(grid, 0, kColumnName, QStringLiteral("Edited"));
    const QString file = QString::fromStdString(dir_->writeFile("a.uvprojx", "x").string());
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(30, 30), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &enter);
    QDropEvent drop(QPoint(30, 30), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &drop);
    QVERIFY(drop.isAccepted());
    QTRY_COMPARE(dialog_->projectModel()->rowCount(), 2);
    QCOMPARE(grid->model()->index(0, kColumnName).data().toString(), QStringLiteral("Edited"));
    QCOMPARE(grid->model()->index(1, kColumnName).data().toString(), QStringLiteral("Dropped"));

    // Destroyed with an editor open and focused, as when the session ends with the
    // dialog on screen: the editor's last commit must find its table still there.
    typeIntoOpenEditor(grid, 1, kColumnRo, QStringLiteral("0x400"));
    dialog_.reset();
    QVERIFY(!std::filesystem::exists(dir_->file("default.kiv")));
}

void DialogTest::aboutBox() {
    QVERIFY(open());
    QString title;
    QString product;
    test::WhenShown about(
        [] { return qobject_cast<ui::CAboutDlg*>(QApplication::activeModalWidget()); },
        [&](QWidget* widget) {
            title = widget->windowTitle();
            if (auto* label = widget->findChild<QLabel*>(QStringLiteral("productName")))
                product = label->text();
            static_cast<QDialog*>(widget)->accept();
        });
    dialog_->menuCommand(ui::kCmdAbout)->trigger();
    QVERIFY(about.done());
    QCOMPARE(title, QStringLiteral("關於 Velmora"));
    QCOMPARE(product, QStringLiteral("Velmora"));
    QVERIFY(dialog_->isVisible());
}

QTEST_MAIN(DialogTest)
#include "test_dialog.moc"
