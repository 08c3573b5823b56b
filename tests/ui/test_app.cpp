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
};

void AppTest::parseArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("folder");
    // --help and --version are answered before Qt looks for a display.
    QTest::addColumn<bool>("answeredWithoutWindow");
    QTest::newRow("none: the current folder") << QStringList{} << Kind::CurrentFolder << QString() << false;
    QTest::newRow("a folder") << QStringList{"work/partition"} << Kind::GivenFolder
                              << QStringLiteral("work/partition") << false;
    QTest::newRow("a folder starting with a dash, as ./-x")
        << QStringList{"./-x"} << Kind::GivenFolder << QStringLiteral("./-x") << false;
    QTest::newRow("desktop entry") << QStringList{"--user-workspace"} << Kind::UserFolder << QString()
                                   << false;
    QTest::newRow("help") << QStringList{"--help"} << Kind::Help << QString() << true;
    QTest::newRow("short help") << QStringList{"-h"} << Kind::Help << QString() << true;
    QTest::newRow("version") << QStringList{"--version"} << Kind::Version << QString() << true;
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << Kind::BadUsage << QString() << false;
    QTest::newRow("empty folder name") << QStringList{""} << Kind::BadUsage << QString() << false;
    QTest::newRow("two folders") << QStringList{"a", "b"} << Kind::BadUsage << QString() << false;
    // Qt's own options are removed by QApplication; the rest is read again then.
    QTest::newRow("Qt option first") << QStringList{"-platform", "offscreen", "--help"}
                                     << Kind::BadUsage << QString() << false;
}

void AppTest::parseArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(Kind, kind);
    QFETCH(QString, folder);
    QFETCH(bool, answeredWithoutWindow);
    const CKIVApp::StartRequest request = CKIVApp::ParseArguments(arguments);
    QCOMPARE(request.kind, kind);
    QCOMPARE(request.folder, folder);
    const std::optional<int> exitCode = CKIVApp::AnswerWithoutWindow(arguments);
    QCOMPARE(exitCode.has_value(), answeredWithoutWindow);
    if (exitCode) QCOMPARE(*exitCode, 0);
}

QTEST_MAIN(AppTest)
#include "test_app.moc"
