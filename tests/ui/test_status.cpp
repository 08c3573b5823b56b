// The live status line and the "Memory map..." command, driven through the real
// dialog in its own working folder: what the line says after each kind of edit,
// that a fix clears it, that a long message is elided with the whole of it in
// the tooltip, where the line sits, and the file and URL the map command hands
// to the desktop.

#include <QtTest>

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "UiTestSupport.h"
#include "model/ProjectTableEditing.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"
#include "ui/CColorButton.h"
#include "ui/CKIVDlg.h"
#include "ui/DialogTemplate.h"
#include "ui/GridView.h"
#include "ui/ProjectTableModel.h"
#include "ui/StatusLine.h"
#include "ui/XomTableModel.h"

using namespace velmora;
using velmora::test::ScriptedFrontend;
using velmora::test::TempDir;
using velmora::ui::CKIVDlg;

namespace {

namespace stdfs = std::filesystem;

const stdfs::path kWorkspace = VELMORA_WORKSPACE_DIR;

}  // namespace

class StatusLineTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lineSitsInTheFreeStrip();
    void firstMessageOfTheConfiguration_data();
    void firstMessageOfTheConfiguration();
    void cellCommitShowsAndFixClears();
    void trackBarShowsAndFixClears();
    void pathBoxShowsAndFixClears();
    void xomAndRowEditsRunTheCheck();
    void bspFolderMadeOutsideCountsOnReturn();
    void longMessageIsElidedWithTheWholeInTheTooltip();
    void memoryMapIsHandedToTheBrowser();
    void memoryMapOfAnInvalidConfiguration();
    void memoryMapFailuresAreShown();

private:
    CKIVDlg* open();
    void useWorkspace() { stdfs::copy(kWorkspace, dir_->path(), stdfs::copy_options::recursive); }
    ui::StatusLine* line() const { return dialog_->statusLine(); }
    QString status() const { return line()->fullText(); }
    template <class T>
    T* control(int id) const {
        return qobject_cast<T*>(dialog_->control(id));
    }
    void typeIntoCell(int row, int column, const QString& text) {
        QVERIFY(test::TypeIntoOpenEditor(control<ui::GridView>(ui::kIdProjectGrid), row, column, text));
    }
    static std::string ReadPage(const QUrl& url);

    std::unique_ptr<TempDir> dir_;
    ScriptedFrontend frontend_;
    std::unique_ptr<CKIVDlg> dialog_;
    QList<QUrl> opened_;
    bool openerSucceeds_ = true;
};

void StatusLineTest::init() {
    dir_ = std::make_unique<TempDir>(TempDir::Enter);
    frontend_ = ScriptedFrontend();
    opened_.clear();
    openerSucceeds_ = true;
}

void StatusLineTest::cleanup() {
    dialog_.reset();
    dir_.reset();
}

CKIVDlg* StatusLineTest::open() {
    dialog_ = std::make_unique<CKIVDlg>(&frontend_);
    dialog_->setUrlOpener([this](const QUrl& url) {
        opened_ << url;
        return openerSucceeds_;
    });
    dialog_->show();
    if (!QTest::qWaitForWindowExposed(dialog_.get())) return nullptr;
    dialog_->activateWindow();
    if (!QTest::qWaitForWindowActive(dialog_.get())) return nullptr;
    return dialog_.get();
}

std::string StatusLineTest::ReadPage(const QUrl& url) {
    std::ifstream in(url.toLocalFile().toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// ---------------------------------------------------------------------------

void StatusLineTest::lineSitsInTheFreeStrip() {
    QVERIFY(open());
    const QRect rect = line()->geometry();
    QVERIFY(line()->isVisible());
    // Between the legend's "Non-secure" caption and Exit, on their row.
    const QRect nonSecure = ui::DialogUnitsToPixels(190, 370, 36, 8);
    const QRect exit = control<QPushButton>(ui::kIdExit)->geometry();
    QVERIFY(rect.left() > nonSecure.right());
    QVERIFY(rect.right() < exit.left());
    QCOMPARE(rect.top(), exit.top());
    QCOMPARE(rect.height(), exit.height());
    // It covers no control, the peripheral buttons included.
    for (QWidget* child : line()->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child == line() || !child->isVisible() || qobject_cast<QGroupBox*>(child)) continue;
        QVERIFY2(!child->geometry().intersects(rect), qPrintable(child->objectName()));
    }
}

void StatusLineTest::firstMessageOfTheConfiguration_data() {
    QTest::addColumn<bool>("sample");
    QTest::addColumn<QString>("bspPath");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("passes");
    // No file: the first-run defaults have XOM sizes 0.
    QTest::newRow("defaults") << false << "" << "XOM 0 size must >= one page (2048 Bytes)" << false;
    QTest::newRow("sample") << true << "BSP" << "Ready: 2 projects" << true;
    QTest::newRow("sample, BSP missing") << true << "NoSuchFolder" << "Worng BSP path" << false;
}

void StatusLineTest::firstMessageOfTheConfiguration() {
    QFETCH(bool, sample);
    QFETCH(QString, bspPath);
    QFETCH(QString, expected);
    QFETCH(bool, passes);
    if (sample) useWorkspace();
    QVERIFY(open());
    control<QLineEdit>(ui::kIdBspPath)->setText(bspPath);
    QTRY_COMPARE(status(), expected);
    QCOMPARE(line()->passes(), passes);
    QCOMPARE(line()->toolTip(), expected);
    // The line never speaks through a box.
    QVERIFY(frontend_.messages.empty());
}

void StatusLineTest::cellCommitShowsAndFixClears() {
    useWorkspace();
    QVERIFY(open());
    QTRY_COMPARE(status(), QStringLiteral("Ready: 2 projects"));
    auto* grid = control<ui::GridView>(ui::kIdProjectGrid);
    typeIntoCell(0, kColumnName, QStringLiteral("1st"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(status(), QStringLiteral("[1st] project first char must be '_', 'a'~'z' or 'A'~'Z'."));
    grid->model()->setData(grid->model()->index(0, kColumnName), QStringLiteral("SecureApp"));
    QTRY_COMPARE(status(), QStringLiteral("Ready: 2 projects"));
    QVERIFY(line()->passes());
    QVERIFY(frontend_.messages.empty());
}

void StatusLineTest::trackBarShowsAndFixClears() {
    useWorkspace();
    QVERIFY(open());
    auto* flash = control<QSlider>(ui::kIdFlashTrackBar);
    // The boundary above NonSecureApp's code at 0x10040000.
    flash->setValue(129);
    QTRY_COMPARE(status(), QStringLiteral("NonSecureApp RO base must located in Non-secure region."));
    QVERIFY(!line()->passes());
    flash->setValue(128);
    QTRY_COMPARE(status(), QStringLiteral("Ready: 2 projects"));
    // A peripheral click changes no rule: the line stays.
    QTest::mouseClick(dialog_->peripheralButton(23), Qt::LeftButton);
    QTest::qWait(20);
    QCOMPARE(status(), QStringLiteral("Ready: 2 projects"));
}

void StatusLineTest::pathBoxShowsAndFixClears() {
    useWorkspace();
    QVERIFY(open());
    auto* bsp = control<QLineEdit>(ui::kIdBspPath);
    bsp->setFocus();
    QTest::keyClick(bsp, Qt::Key_End);
    QTest::keyClicks(bsp, QStringLiteral("x"));
    QTRY_COMPARE(status(), QStringLiteral("Worng BSP path"));
    QTest::keyClick(bsp, Qt::Key_Backspace);
    QTRY_COMPARE(status(), QStringLiteral("Ready: 2 projects"));
    stdfs::remove_all(dir_->file("BSP/Library/CMSIS"));
    QTest::keyClicks(bsp, QStringLiteral("/"));
    QTest::keyClick(bsp, Qt::Key_Backspace);
    QTRY_COMPARE(status(), QStringLiteral("Worng BSP\\CMSIS path"));
}

void StatusLineTest::xomAndRowEditsRunTheCheck() {
    useWorkspace();
    QVERIFY(open());
    QTRY_COMPARE(status(), QStringLiteral("Ready: 2 projects"));
    // XOM1's base into SecureApp's code, which the XOM table names as its user.
    auto* xom = dialog_->xomModel();
    xom->setData(xom->index(1, ui::XomTableModel::kColumnBase), QStringLiteral("0x10000"));
    QTRY_COMPARE(status(), QStringLiteral("SecureApp RO region cannot overlap with XOM1 region"));
    xom->setData(xom->index(1, ui::XomTableModel::kColumnBase), QStringLiteral("0x24000"));
    QTRY_COMPARE(status(), QStringLiteral("Ready: 2 projects"));
    // A new row is "NewPrj" of zeros.
    dialog_->menuCommand(ui::kCmdAddNewProject)->trigger();
    QTRY_COMPARE(status(), QStringLiteral("NewPrj RO size (0 Bytes) must >= one page (2048 Bytes)"));
    dialog_->projectModel()->deleteProject(2);
    QTRY_COMPARE(status(), QStringLiteral("Ready: 2 projects"));
}

void StatusLineTest::bspFolderMadeOutsideCountsOnReturn() {
    useWorkspace();
    stdfs::remove_all(dir_->file("BSP"));
    QVERIFY(open());
    QTRY_COMPARE(status(), QStringLiteral("Worng BSP path"));
    for (const char* folder : {"BSP/Library/Device/Quorvex/V6048", "BSP/Library/CMSIS", "BSP/Library/StdDriver"})
        stdfs::create_directories(dir_->file(folder));
    // Nothing is remembered from the last look: coming back to the window asks again.
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(dialog_.get(), &activation);
    QTRY_COMPARE(status(), QStringLiteral("Ready: 2 projects"));
}

void StatusLineTest::longMessageIsElidedWithTheWholeInTheTooltip() {
    QVERIFY(open());
    const QString name = QStringLiteral("9") + QString(200, QLatin1Char('n'));
    dialog_->projectModel()->setData(dialog_->projectModel()->index(0, kColumnName), name);
    const QString expected = QStringLiteral("[%1] project first char must be '_', 'a'~'z' or 'A'~'Z'.").arg(name);
    QTRY_COMPARE(status(), expected);
    QCOMPARE(line()->toolTip(), expected);
    QVERIFY(line()->text() != expected);
    QVERIFY(line()->text().endsWith(QChar(0x2026)));
    QVERIFY(line()->fontMetrics().horizontalAdvance(line()->text()) <= line()->contentsRect().width());
}

void StatusLineTest::memoryMapIsHandedToTheBrowser() {
    useWorkspace();
    QVERIFY(open());
    QAction* map = dialog_->menuCommand(ui::kCmdMemoryMap);
    QVERIFY(map);
    map->trigger();
    QCOMPARE(opened_.size(), 1);
    QVERIFY(opened_[0].isLocalFile());
    const stdfs::path file = opened_[0].toLocalFile().toStdString();
    QCOMPARE(QString::fromStdString(file.filename().string()), QStringLiteral("MemoryMap.html"));
    // Not in the working folder or the output folder.
    QVERIFY(file.parent_path() != dir_->path());
    std::string page = ReadPage(opened_[0]);
    QVERIFY(page.find("<svg") != std::string::npos);
    QVERIFY(page.find(">SecureApp code</text>") != std::string::npos);
    QVERIFY(page.find("passes every check") != std::string::npos);

    // The map of the configuration as it stands now, an open editor's text included.
    typeIntoCell(1, kColumnName, QStringLiteral("Renamed"));
    map->trigger();
    QCOMPARE(opened_.size(), 2);
    page = ReadPage(opened_[1]);
    QVERIFY(page.find(">Renamed code</text>") != std::string::npos);
    QVERIFY(frontend_.messages.empty());
    // The folder goes with the dialog.
    dialog_.reset();
    QVERIFY(!stdfs::exists(file));
}

void StatusLineTest::memoryMapOfAnInvalidConfiguration() {
    QVERIFY(open());
    dialog_->projectModel()->setData(dialog_->projectModel()->index(0, kColumnRo), QStringLiteral("zz"));
    dialog_->menuCommand(ui::kCmdMemoryMap)->trigger();
    QCOMPARE(opened_.size(), 1);
    const std::string page = ReadPage(opened_[0]);
    QVERIFY(page.find("Create Template refuses it: XOM 0 size must &gt;= one page") != std::string::npos);
    QVERIFY(page.find(">Secure code</text>") != std::string::npos);
    QVERIFY(frontend_.messages.empty());
}

void StatusLineTest::memoryMapFailuresAreShown() {
    QVERIFY(open());
    openerSucceeds_ = false;
    dialog_->menuCommand(ui::kCmdMemoryMap)->trigger();
    QCOMPARE(opened_.size(), 1);
    QCOMPARE(frontend_.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdWString(frontend_.messages[0].caption), QStringLiteral("Memory map"));
    QVERIFY(frontend_.messages[0].icon == MessageIcon::Warning);
    QVERIFY(QString::fromStdWString(frontend_.messages[0].text)
                .startsWith(QStringLiteral("Unable to open the memory map in a browser: ")));
}

QTEST_MAIN(StatusLineTest)
#include "test_status.moc"
