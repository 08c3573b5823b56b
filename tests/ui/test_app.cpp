// CKIVApp's command line: the folder the dialog starts in, --help and --version.

#include <QtTest>

#include "ui/CKIVApp.h"

using velmora::ui::CKIVApp;
using Kind = CKIVApp::StartRequest::Kind;

Q_DECLARE_METATYPE(Kind)

class AppTest : public QObject {
    Q_OBJECT

private slots:
    void parseArguments_data();
    void parseArguments();
    void onlyHelpAndVersionAnswerWithoutWindow_data();
    void onlyHelpAndVersionAnswerWithoutWindow();
};

void AppTest::parseArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("folder");
    QTest::newRow("none: the current folder") << QStringList{} << Kind::CurrentFolder << QString();
    QTest::newRow("a folder") << QStringList{"work/partition"} << Kind::GivenFolder
                              << QStringLiteral("work/partition");
    QTest::newRow("a folder starting with a dash, given as ./-x")
        << QStringList{"./-x"} << Kind::GivenFolder << QStringLiteral("./-x");
    QTest::newRow("desktop entry") << QStringList{"--user-workspace"} << Kind::UserFolder << QString();
    QTest::newRow("help") << QStringList{"--help"} << Kind::Help << QString();
    QTest::newRow("short help") << QStringList{"-h"} << Kind::Help << QString();
    QTest::newRow("version") << QStringList{"--version"} << Kind::Version << QString();
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << Kind::BadUsage << QString();
    QTest::newRow("empty folder name") << QStringList{""} << Kind::BadUsage << QString();
    QTest::newRow("two folders") << QStringList{"a", "b"} << Kind::BadUsage << QString();
    QTest::newRow("folder and option") << QStringList{"a", "--user-workspace"} << Kind::BadUsage
                                       << QString();
}

void AppTest::parseArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(Kind, kind);
    QFETCH(QString, folder);
    const CKIVApp::StartRequest request = CKIVApp::ParseArguments(arguments);
    QCOMPARE(request.kind, kind);
    QCOMPARE(request.folder, folder);
}

void AppTest::onlyHelpAndVersionAnswerWithoutWindow_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("answered");
    QTest::newRow("help") << QStringList{"--help"} << true;
    QTest::newRow("version") << QStringList{"--version"} << true;
    QTest::newRow("none") << QStringList{} << false;
    QTest::newRow("folder") << QStringList{"work"} << false;
    QTest::newRow("desktop entry") << QStringList{"--user-workspace"} << false;
    // Qt's own options are removed only by QApplication; then they are read again.
    QTest::newRow("Qt option first") << QStringList{"-platform", "offscreen", "--help"} << false;
}

void AppTest::onlyHelpAndVersionAnswerWithoutWindow() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, answered);
    const std::optional<int> exitCode = CKIVApp::AnswerWithoutWindow(arguments);
    QCOMPARE(exitCode.has_value(), answered);
    if (answered) QCOMPARE(*exitCode, 0);
}

QTEST_MAIN(AppTest)
#include "test_app.moc"
