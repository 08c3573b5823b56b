// Commands that run scripts, seen from the dialog: an endless script brings up the
// progress window after a second, Cancel ends the command and leaves the dialog as
// it was; what the scripts printed appears in its own window after the command.

#include <QtTest>

#include <QClipboard>
#include <QFontInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "UiTestSupport.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"
#include "ui/CKIVDlg.h"
#include "ui/DialogTemplate.h"
#include "ui/MemoryTableModel.h"
#include "ui/ProjectTableModel.h"
#include "ui/ScriptOutputWindow.h"
#include "ui/XomTableModel.h"

using namespace velmora;
using velmora::test::ScriptedFrontend;
using velmora::test::TempDir;
using velmora::ui::CKIVDlg;

namespace {

struct Box {
    QString caption;
    QString text;
};

// Answers every message box that comes up (Ok, or Cancel where there is no Ok) and
// keeps what it said.
class BoxAnswerer {
public:
    BoxAnswerer() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { poll(); });
        timer_.start();
    }
    QList<Box> seen;

private:
    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box == answered_) return;
        answered_ = box;
        seen.append({box->windowTitle(), box->text()});
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
        else box->reject();
    }

    QTimer timer_;
    QPointer<QMessageBox> answered_;
};

// What the progress window showed when it came up, and Cancel pressed on it.
struct ProgressSeen {
    bool shown = false;
    qint64 afterMs = 0;
    QString label;
    Qt::WindowModality modality = Qt::NonModal;
    bool ownedByTheDialog = false;
    bool modalWindow = false;
};

QProgressDialog* VisibleProgress() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* progress = qobject_cast<QProgressDialog*>(widget);
        if (progress && progress->isVisible()) return progress;
    }
    return nullptr;
}

// Every cell of a model, row by row.
QStringList Cells(const QAbstractItemModel* model) {
    QStringList cells;
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
    return cells;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A front end that notes, at each box, whether the output window was already up.
class WatchingFrontend : public ScriptedFrontend {
public:
    MessageAnswer message(const std::wstring& text, const std::wstring& caption, MessageIcon icon,
                          MessageButtons buttons) override {
        const ui::ScriptOutputWindow* window = dialog ? dialog->scriptOutputWindow() : nullptr;
        outputShownAtABox = outputShownAtABox || (window && window->isVisible());
        return ScriptedFrontend::message(text, caption, icon, buttons);
    }
    CKIVDlg* dialog = nullptr;
    bool outputShownAtABox = false;
};

}  // namespace

class LongCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void endlessScriptShowsProgressAndCancelKeepsTheDialog_data();
    void endlessScriptShowsProgressAndCancelKeepsTheDialog();
    void printedLinesShowAfterTheCommand_data();
    void printedLinesShowAfterTheCommand();

private:
    bool openInBundledCopy(Frontend* frontend);
    void runCommand(const QString& command);
    QStringList tables() const;

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<CKIVDlg> dialog_;
};

void LongCommandsTest::init() { dir_ = std::make_unique<TempDir>(TempDir::Enter); }

void LongCommandsTest::cleanup() {
    dialog_.reset();
    dir_.reset();
}

bool LongCommandsTest::openInBundledCopy(Frontend* frontend) {
    const std::filesystem::path bundled = VELMORA_WORKSPACE_DIR;
    std::filesystem::copy(bundled, dir_->path(), std::filesystem::copy_options::recursive);
    dialog_ = std::make_unique<CKIVDlg>(frontend);
    dialog_->show();
    return QTest::qWaitForWindowExposed(dialog_.get());
}

void LongCommandsTest::runCommand(const QString& command) {
    if (command == QLatin1String("create template")) {
        QTest::mouseClick(qobject_cast<QPushButton*>(dialog_->control(ui::kIdCreateTemplate)),
                          Qt::LeftButton);
    } else {
        // A non-secure target the shipped script reads without a note.
        const std::filesystem::path project = dir_->writeFile(
            "p.uvprojx",
            "<Project><Targets><Target><TargetName>App</TargetName><TargetOption>"
            "<TargetCommonOption><OutputName>App</OutputName></TargetCommonOption><TargetArmAds>"
            "<ArmAdsMisc><nSecure>0</nSecure><Ir1Chk>1</Ir1Chk><Im1Chk>1</Im1Chk><OnChipMemories>"
            "<OCR_RVCT4><StartAddress>0x10040000</StartAddress><Size>0x10000</Size></OCR_RVCT4>"
            "<OCR_RVCT9><StartAddress>0x30008000</StartAddress><Size>0x8000</Size></OCR_RVCT9>"
            "</OnChipMemories></ArmAdsMisc></TargetArmAds></TargetOption></Target></Targets>"
            "</Project>");
        dialog_->importKeilProject(QString::fromStdString(project.string()));
    }
}

QStringList LongCommandsTest::tables() const {
    return Cells(dialog_->projectModel()) + Cells(dialog_->xomModel()) +
           Cells(dialog_->memoryModel());
}

void LongCommandsTest::endlessScriptShowsProgressAndCancelKeepsTheDialog_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("note");
    QTest::newRow("create template") << "create template" << "tes.lua"
                                     << "Creating the template..."
                                     << "Create Template was cancelled.";
    QTest::newRow("import") << "import" << "ldp.lua" << "Importing the Keil project..."
                            << "The import was cancelled. No project row was added.";
}

void LongCommandsTest::endlessScriptShowsProgressAndCancelKeepsTheDialog() {
    QFETCH(QString, command);
    QFETCH(QString, script);
    QFETCH(QString, label);
    QFETCH(QString, note);
    // The dialog's own front end: real boxes and the real progress window.
    QVERIFY(openInBundledCopy(nullptr));
    dir_->writeFile(script.toStdString(), "while true do end\n");
    const QStringList before = tables();
    const std::string kivBefore = ReadFile(dir_->file("default.kiv"));

    BoxAnswerer boxes;
    ProgressSeen seen;
    int reentered = 0;
    QElapsedTimer clock;
    test::WhenShown cancel(VisibleProgress, [&](QWidget* widget) {
        auto* progress = static_cast<QProgressDialog*>(widget);
        seen = {true,
                clock.elapsed(),
                progress->labelText(),
                progress->windowModality(),
                progress->parentWidget() == dialog_.get(),
                QGuiApplication::modalWindow() == progress->windowHandle()};
        // A second command while the first runs does nothing.
        const int boxesBefore = int(boxes.seen.size());
        dialog_->createTemplate();
        dialog_->importKeilProject(QStringLiteral("/elsewhere.uvprojx"));
        reentered = int(boxes.seen.size()) - boxesBefore;
        progress->findChild<QPushButton*>()->click();
    });
    clock.start();
    runCommand(command);

    QVERIFY(seen.shown);
    QVERIFY2(seen.afterMs >= 1000, qPrintable(QString::number(seen.afterMs)));
    QVERIFY2(seen.afterMs < 10000, qPrintable(QString::number(seen.afterMs)));
    QCOMPARE(seen.label, label);
    QCOMPARE(seen.modality, Qt::WindowModal);
    QVERIFY(seen.ownedByTheDialog);
    QVERIFY(seen.modalWindow);
    QCOMPARE(reentered, 0);
    // One note, no error box; the progress window is gone, the dialog stays as it was.
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].caption, QStringLiteral("Velmora"));
    QVERIFY2(boxes.seen[0].text.startsWith(note), qPrintable(boxes.seen[0].text));
    QVERIFY(!VisibleProgress());
    QVERIFY(dialog_->isVisible());
    QCOMPARE(tables(), before);
    QCOMPARE(ReadFile(dir_->file("default.kiv")), kivBefore);
    QVERIFY(!dialog_->scriptOutputWindow());
    // And it takes the next command.
    dialog_->addNewProject();
    QCOMPARE(dialog_->projectModel()->rowCount(), 3);
}

void LongCommandsTest::printedLinesShowAfterTheCommand_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("printing");
    QTest::addColumn<QString>("printed");
    QTest::newRow("create template")
        << "create template" << "tes.lua"
        << "print('tes.lua: note for ' .. prjname)\n"
        << "SecureApp (tes.lua):\ntes.lua: note for SecureApp\n";
    QTest::newRow("import")
        << "import" << "ldp.lua"
        << "dbg('ldp.lua: T: no scatter file of its own, NSC region unknown')\n"
           "print('read', 1)\n"
        << "ldp.lua: T: no scatter file of its own, NSC region unknown\nread\t1\n";
}

void LongCommandsTest::printedLinesShowAfterTheCommand() {
    QFETCH(QString, command);
    QFETCH(QString, script);
    QFETCH(QString, printing);
    QFETCH(QString, printed);
    WatchingFrontend frontend;
    QVERIFY(openInBundledCopy(&frontend));
    frontend.dialog = dialog_.get();
    const std::string original = ReadFile(dir_->file(script.toStdString()));

    // Nothing printed: no window.
    runCommand(command);
    QVERIFY(!frontend.messages.empty() || command == QLatin1String("import"));
    QVERIFY(!dialog_->scriptOutputWindow());

    // Printed: the lines, after the command's boxes, read-only, monospace, copyable.
    dir_->writeFile(script.toStdString(), printing.toStdString() + original);
    frontend.clearRecords();
    frontend.queueAnswer(MessageAnswer::Yes);  // the output folder is no longer empty
    runCommand(command);
    ui::ScriptOutputWindow* window = dialog_->scriptOutputWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(!window->isModal());
    QVERIFY(!frontend.outputShownAtABox);
    const QPlainTextEdit* text = window->textView();
    QCOMPARE(text->toPlainText(), printed);
    QVERIFY(!text->toPlainText().contains(QStringLiteral("Flolder name")));
    QVERIFY(text->isReadOnly());
    QVERIFY(text->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    QVERIFY(QFontInfo(text->font()).fixedPitch());
    QPushButton* copy = nullptr;
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Copy All")) copy = button;
    QVERIFY(copy);
    copy->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), printed);

    // The next command that prints nothing takes the old output away.
    dir_->writeFile(script.toStdString(), original);
    frontend.queueAnswer(MessageAnswer::Yes);
    runCommand(command);
    QVERIFY(!window->isVisible());
    QVERIFY(dialog_->isVisible());
}

QTEST_MAIN(LongCommandsTest)
#include "test_longcommands.moc"
