// The table models over the core's rows, the delegates and the Qt front end's
// boxes and filters.

#include <QtTest>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyleOptionViewItem>

#include "UiTestSupport.h"
#include "model/PartitionConfig.h"
#include "model/ProjectTableEditing.h"
#include "support/ScriptedFrontend.h"
#include "ui/CheckBoxImages.h"
#include "ui/ComboBoxDelegate.h"
#include "ui/LineEditDelegate.h"
#include "ui/LocalPathOpener.h"
#include "ui/MemoryTableModel.h"
#include "ui/NativePath.h"
#include "ui/ProjectTableModel.h"
#include "ui/QtFrontend.h"
#include "ui/XomTableModel.h"

using namespace velmora;
using velmora::ui::MemoryTableModel;
using velmora::ui::ProjectTableModel;
using velmora::ui::XomTableModel;

namespace {

void AddRow(ProjectTable& table, const std::wstring& name, unsigned xomMask = 0) {
    AddProjectRow(table, name, 0, 0, 0x1000, 0x20000000, 0x3f000, 0x800, xomMask, L"", L"");
}

// The file dialog that a pick has opened, for test::WhenShown.
QWidget* ActiveFileDialog() { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }

int XomState(const ProjectTableModel& model, int row, int region) {
    return model.index(row, kColumnXom0 + region).data(ProjectTableModel::XomStateRole).toInt();
}

}  // namespace

class ModelsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::FailOnQtWarnings::Install(); }
    void cleanupTestCase() { test::FailOnQtWarnings::Uninstall(); }
    void projectHeaders_data();
    void projectHeaders();
    void projectFlags_data();
    void projectFlags();
    void projectCellsShowTheRowTexts();
    void projectSetDataKeepsTypedText();
    void xomImagesFollowTheCellStates();
    void toggleXomTakesAndReleasesARegion();
    void deletingTheOwnerFreesTheColumn();
    void addNewProjectStopsAtTenRows();
    void nextBootChoicesAreTheOtherNames();
    void xomTableShowsFourRows();
    void xomTableEditsBaseAndSizeOnly_data();
    void xomTableEditsBaseAndSizeOnly();
    void memoryTableTexts_data();
    void memoryTableTexts();
    void comboDelegateOffersChoicesAndKeepsTypedText();
    void lineEditDelegateRoundTrip();
    void nameFiltersFromWin32_data();
    void nameFiltersFromWin32();
    void qtFrontendShowsTheBoxAsGiven_data();
    void qtFrontendShowsTheBoxAsGiven();
    void qtFrontendFolderPickerStartsAtTheFolder();
    void qtFrontendFilePickerUsesTheFilter();
    void qtFrontendFilePickerShowsFilesWithoutADot();
    void qtFrontendFilePickerTakesANewNameInAnExistingFolder_data();
    void qtFrontendFilePickerTakesANewNameInAnExistingFolder();
    void nativePath_data();
    void nativePath();
    void qtFrontendOpensTheFolderByItsFullPath_data();
    void qtFrontendOpensTheFolderByItsFullPath();
};

void ModelsTest::projectHeaders_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("width");
    const char* titles[] = {"",    "Project", "State", "RO",   "RO SIZE", "RW",        "NSC",
                            "NSC SIZE", "XOM0", "XOM1", "XOM2", "XOM3",    "Next Boot", "Path"};
    const int widths[] = {0, 80, 45, 75, 75, 75, 75, 75, 45, 45, 45, 45, 80, 130};
    for (int column = 0; column < kProjectColumnCount; ++column)
        QTest::addRow("column %d", column) << column << QString::fromLatin1(titles[column])
                                           << widths[column];
}

void ModelsTest::projectHeaders() {
    QFETCH(int, column);
    QFETCH(QString, title);
    QFETCH(int, width);
    ProjectTable table;
    XomTable xom;
    ProjectTableModel model(table, xom);
    QCOMPARE(model.columnCount(), 14);
    QCOMPARE(model.headerData(column, Qt::Horizontal).toString(), title);
    QCOMPARE(ProjectTableModel::ColumnWidth(column), width);
}

void ModelsTest::projectFlags_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("editable");
    QTest::newRow("hidden column 0") << 0 << false;
    QTest::newRow("Project") << 1 << true;
    QTest::newRow("State") << 2 << true;
    QTest::newRow("RO") << 3 << true;
    QTest::newRow("NSC SIZE") << 7 << true;
    QTest::newRow("XOM0") << 8 << false;
    QTest::newRow("XOM3") << 11 << false;
    QTest::newRow("Next Boot") << 12 << true;
    QTest::newRow("Path") << 13 << true;
}

void ModelsTest::projectFlags() {
    QFETCH(int, column);
    QFETCH(bool, editable);
    ProjectTable table;
    XomTable xom;
    AddRow(table, L"Secure");
    ProjectTableModel model(table, xom);
    const Qt::ItemFlags flags = model.flags(model.index(0, column));
    QCOMPARE(bool(flags & Qt::ItemIsEditable), editable);
    QVERIFY(flags & Qt::ItemIsEnabled);
}

void ModelsTest::projectCellsShowTheRowTexts() {
    ProjectTable table;
    XomTable xom;
    AddProjectRow(table, L"App", 1, 0x10040000, 0x2000, 0x30008000, 0x3f000, 0x800, 0,
                  L"Secure", L"C:\\prj");
    ProjectTableModel model(table, xom);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("App"));
    QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("NS"));
    QCOMPARE(model.index(0, 3).data().toString(), QStringLiteral("0x10040000"));
    QCOMPARE(model.index(0, 4).data().toString(), QStringLiteral("0x2000"));
    QCOMPARE(model.index(0, 5).data().toString(), QStringLiteral("0x30008000"));
    QCOMPARE(model.index(0, 6).data().toString(), QString());  // non-secure: no NSC
    QCOMPARE(model.index(0, 12).data().toString(), QStringLiteral("Secure"));
    QCOMPARE(model.index(0, 13).data().toString(), QStringLiteral("C:\\prj"));
    QVERIFY(!model.index(0, 8).data().isValid());
}

void ModelsTest::projectSetDataKeepsTypedText() {
    ProjectTable table;
    XomTable xom;
    AddRow(table, L"Secure");
    ProjectTableModel model(table, xom);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(model.index(0, 4), QStringLiteral("1000 ")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(QString::fromStdWString(table.rows[0].roSize), QStringLiteral("1000 "));
    QVERIFY(model.setData(model.index(0, 2), QStringLiteral("maybe")));
    QCOMPARE(QString::fromStdWString(table.rows[0].stateText), QStringLiteral("maybe"));
    // Cells without text refuse, and so do other roles.
    QVERIFY(!model.setData(model.index(0, 9), QStringLiteral("x")));
    QVERIFY(!model.setData(model.index(0, 1), QStringLiteral("x"), Qt::DisplayRole));
    QCOMPARE(changed.count(), 2);
}

void ModelsTest::xomImagesFollowTheCellStates() {
    ProjectTable table;
    XomTable xom;
    AddRow(table, L"A", 0b0010);
    AddRow(table, L"B");
    ProjectTableModel model(table, xom);
    // Row A owns XOM1: ticked; B is Taken there: no image; XOM0 is Free for both.
    QCOMPARE(XomState(model, 0, 1), int(XomCellState::Owned));
    QCOMPARE(XomState(model, 1, 1), int(XomCellState::Taken));
    QVERIFY(!model.index(0, 9).data(Qt::DecorationRole).value<QPixmap>().isNull());
    QVERIFY(!model.index(1, 9).data(Qt::DecorationRole).isValid());
    QVERIFY(!model.index(1, 8).data(Qt::DecorationRole).value<QPixmap>().isNull());
    QCOMPARE(model.index(0, 8).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    const ui::CheckBoxImages images;
    QCOMPARE(images.image(ui::CheckBoxImages::kEmptyBox).size(), QSize(16, 16));
    QCOMPARE(images.image(ui::CheckBoxImages::kTickedBox).size(), QSize(16, 16));
    QVERIFY(images.image(ui::CheckBoxImages::kNoImage).isNull());
    QVERIFY(images.image(ui::CheckBoxImages::kEmptyBox).toImage() !=
            images.image(ui::CheckBoxImages::kTickedBox).toImage());
}

void ModelsTest::toggleXomTakesAndReleasesARegion() {
    ProjectTable table;
    XomTable xom;
    for (const wchar_t* name : {L"S0", L"S1", L"S2", L"App"}) AddRow(table, name);
    ProjectTableModel model(table, xom);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy xomChanged(&model, &ProjectTableModel::xomRegionsChanged);

    model.toggleXomCell(3, 2);
    QCOMPARE(XomState(model, 3, 2), int(XomCellState::Owned));
    for (int row = 0; row < 3; ++row) QCOMPARE(XomState(model, row, 2), int(XomCellState::Taken));
    QCOMPARE(QString::fromStdWString(xom[2].projectName), QStringLiteral("App"));
    QCOMPARE(xomChanged.count(), 1);

    // A click on a Taken cell releases the region from its owner.
    model.toggleXomCell(0, 2);
    for (int row = 0; row < 4; ++row) QCOMPARE(XomState(model, row, 2), int(XomCellState::Free));
    QVERIFY(xom[2].projectName.empty());
    model.toggleXomCell(-1, 2);
    model.toggleXomCell(7, 2);
    QCOMPARE(xomChanged.count(), 2);
}

void ModelsTest::deletingTheOwnerFreesTheColumn() {
    ProjectTable table;
    XomTable xom;
    AddRow(table, L"Owner", 0b0001);
    AddRow(table, L"Other");
    AddRow(table, L"Third");
    xom[0].projectName = L"Owner";
    ProjectTableModel model(table, xom);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    model.deleteProject(0);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("Other"));
    QCOMPARE(XomState(model, 0, 0), int(XomCellState::Free));
    QCOMPARE(XomState(model, 1, 0), int(XomCellState::Free));
    QVERIFY(xom[0].projectName.empty());
    model.deleteProject(5);
    QCOMPARE(model.rowCount(), 2);
}

void ModelsTest::addNewProjectStopsAtTenRows() {
    ProjectTable table;
    XomTable xom;
    AddRow(table, L"Owner", 0b0010);
    ProjectTableModel model(table, xom);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    test::ScriptedFrontend frontend;
    for (int i = 1; i < 10; ++i) QVERIFY(model.addNewProject(frontend));
    QCOMPARE(model.rowCount(), 10);
    QCOMPARE(model.index(9, 1).data().toString(), QStringLiteral("NewPrj"));
    QCOMPARE(model.index(9, 2).data().toString(), QStringLiteral("S"));
    QCOMPARE(XomState(model, 9, 1), int(XomCellState::Taken));
    QCOMPARE(XomState(model, 9, 0), int(XomCellState::Free));
    QVERIFY(frontend.messages.empty());

    QVERIFY(!model.addNewProject(frontend));
    QCOMPARE(model.rowCount(), 10);
    QCOMPARE(frontend.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdWString(frontend.messages[0].text), QStringLiteral("Too many projects"));
    QCOMPARE(QString::fromStdWString(frontend.messages[0].caption), QStringLiteral("WARNING"));
    QVERIFY(frontend.messages[0].icon == MessageIcon::Warning);
    QVERIFY(frontend.messages[0].buttons == MessageButtons::Ok);
}

void ModelsTest::nextBootChoicesAreTheOtherNames() {
    ProjectTable table;
    XomTable xom;
    for (const wchar_t* name : {L"A", L"B", L"C"}) AddRow(table, name);
    ProjectTableModel model(table, xom);
    QCOMPARE(table.nextBootChoices, (std::vector<std::wstring>{L"t1", L"t2", L"t3"}));
    model.refreshNextBootChoices(1);
    QCOMPARE(table.nextBootChoices, (std::vector<std::wstring>{L"A", L"C"}));
}

void ModelsTest::xomTableShowsFourRows() {
    XomTable xom;
    SetXomRow(xom, 1, 0x7000, 0x800, L"Demo");
    XomTableModel model(xom);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.columnCount(), 4);
    const QStringList titles{"XOM", "Base", "Size", "Project"};
    for (int column = 0; column < 4; ++column)
        QCOMPARE(model.headerData(column, Qt::Horizontal).toString(), titles[column]);
    for (int row = 0; row < 4; ++row)
        QCOMPARE(model.index(row, 0).data().toString(), QString::number(row));
    QCOMPARE(model.index(1, 1).data().toString(), QStringLiteral("0x7000"));
    QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("0x800"));
    QCOMPARE(model.index(1, 3).data().toString(), QStringLiteral("Demo"));
    QCOMPARE(XomTableModel::ColumnWidth(0), 35);
    QCOMPARE(XomTableModel::ColumnWidth(2), 55);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    xom[2].projectName = L"Later";
    model.refresh();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model.index(2, 3).data().toString(), QStringLiteral("Later"));
}

void ModelsTest::xomTableEditsBaseAndSizeOnly_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("editable");
    QTest::newRow("XOM") << 0 << false;
    QTest::newRow("Base") << 1 << true;
    QTest::newRow("Size") << 2 << true;
    QTest::newRow("Project") << 3 << false;
}

void ModelsTest::xomTableEditsBaseAndSizeOnly() {
    QFETCH(int, column);
    QFETCH(bool, editable);
    XomTable xom;
    XomTableModel model(xom);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QModelIndex cell = model.index(3, column);
    QCOMPARE(bool(model.flags(cell) & Qt::ItemIsEditable), editable);
    QCOMPARE(model.setData(cell, QStringLiteral("4000")), editable);
    if (editable) QCOMPARE(cell.data().toString(), QStringLiteral("4000"));
}

void ModelsTest::memoryTableTexts_data() {
    QTest::addColumn<int>("p");
    QTest::addColumn<int>("q");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("p256 secure end") << 256 << 4 << 1 << 1 << "0x0007FFFF";
    QTest::newRow("p256 secure size") << 256 << 4 << 2 << 1 << "512 KB(0x80000)";
    QTest::newRow("p256 ns base") << 256 << 4 << 0 << 3 << "0x10080000";
    QTest::newRow("p256 ns end") << 256 << 4 << 1 << 3 << "0x1007FFFF";
    QTest::newRow("p256 ns size") << 256 << 4 << 2 << 3 << "0 KB(0x0)";
    QTest::newRow("p1 secure end") << 1 << 4 << 1 << 1 << "0x000007FF";
    QTest::newRow("p1 ns size") << 1 << 4 << 2 << 3 << "510 KB(0x7F800)";
    QTest::newRow("q0 secure ram end") << 128 << 0 << 1 << 2 << "0x1FFFFFFF";
    QTest::newRow("q0 ns ram size") << 128 << 0 << 2 << 4 << "96 KB(0x18000)";
    QTest::newRow("q12 ns ram base") << 128 << 12 << 0 << 4 << "0x30018000";
    QTest::newRow("secure rom base") << 128 << 6 << 0 << 1 << "0x00000000";
    QTest::newRow("secure ram base") << 128 << 6 << 0 << 2 << "0x20000000";
    QTest::newRow("label Base") << 128 << 6 << 0 << 0 << "Base";
    QTest::newRow("label End") << 128 << 6 << 1 << 0 << "End";
    QTest::newRow("label Size") << 128 << 6 << 2 << 0 << "Size";
}

void ModelsTest::memoryTableTexts() {
    QFETCH(int, p);
    QFETCH(int, q);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    MemoryTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setPositions(p, q);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model.index(row, column).data().toString(), text);
    const QStringList titles{"", "Secure ROM", "Secure RAM", "Non-secure ROM", "Non-secure RAM"};
    QCOMPARE(model.headerData(column, Qt::Horizontal).toString(), titles[column]);
    QVERIFY(!(model.flags(model.index(row, column)) & Qt::ItemIsEditable));
}

void ModelsTest::comboDelegateOffersChoicesAndKeepsTypedText() {
    ProjectTable table;
    XomTable xom;
    AddRow(table, L"A");
    AddRow(table, L"B");
    ProjectTableModel model(table, xom);
    ui::ComboBoxDelegate delegate([&table] {
        QStringList items;
        for (const auto& choice : table.nextBootChoices) items << QString::fromStdWString(choice);
        return items;
    });
    QWidget parent;
    const QModelIndex cell = model.index(0, kColumnNextBoot);
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, QStyleOptionViewItem(), cell));
    auto* combo = qobject_cast<QComboBox*>(editor.get());
    QVERIFY(combo);
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->maxVisibleItems(), 7);
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0), QStringLiteral("t1"));
    QCOMPARE(combo->itemText(2), QStringLiteral("t3"));

    model.refreshNextBootChoices(0);
    std::unique_ptr<QWidget> second(delegate.createEditor(&parent, QStyleOptionViewItem(), cell));
    combo = qobject_cast<QComboBox*>(second.get());
    QCOMPARE(combo->count(), 1);
    QCOMPARE(combo->itemText(0), QStringLiteral("B"));
    delegate.setEditorData(combo, cell);
    QCOMPARE(combo->currentText(), QString());
    combo->setEditText(QStringLiteral("Nowhere"));
    delegate.setModelData(combo, &model, cell);
    QCOMPARE(QString::fromStdWString(table.rows[0].nextBoot), QStringLiteral("Nowhere"));
    QCOMPARE(combo->count(), 1);  // typed text does not become a choice
}

void ModelsTest::lineEditDelegateRoundTrip() {
    ProjectTable table;
    XomTable xom;
    AddRow(table, L"Secure");
    ProjectTableModel model(table, xom);
    ui::LineEditDelegate delegate;
    QWidget parent;
    const QModelIndex cell = model.index(0, kColumnName);
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, QStyleOptionViewItem(), cell));
    auto* edit = qobject_cast<QLineEdit*>(editor.get());
    QVERIFY(edit);
    QVERIFY(edit->hasFrame());
    delegate.setEditorData(edit, cell);
    QCOMPARE(edit->text(), QStringLiteral("Secure"));
    const QString longName(5000, QLatin1Char('n'));
    edit->setText(longName);
    delegate.setModelData(edit, &model, cell);
    QCOMPARE(cell.data().toString(), longName);
}

void ModelsTest::nameFiltersFromWin32_data() {
    using Rules = ui::QtFrontend::PatternRules;
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("rules");
    QTest::addColumn<QStringList>("expected");
    const QString import = QStringLiteral("Keil Project(*.uvprojx) |*.uvprojx|All files(*.*)|*.*||");
    QTest::newRow("the import filter, Windows")
        << import << int(Rules::Windows) << QStringList{"Keil Project(*.uvprojx)", "All files(*.*)"};
    // "*.*" would hide Makefile and README here.
    QTest::newRow("the import filter, elsewhere")
        << import << int(Rules::Posix) << QStringList{"Keil Project(*.uvprojx)", "All files (*)"};
    QTest::newRow("all files without a pattern in the name")
        << "Everything|*.*||" << int(Rules::Posix) << QStringList{"Everything (*)"};
    QTest::newRow("names without patterns") << "Text|*.txt|C sources|*.c;*.h||" << int(Rules::Posix)
                                            << QStringList{"Text (*.txt)", "C sources (*.c *.h)"};
    QTest::newRow("empty") << "" << int(Rules::Windows) << QStringList{};
}

void ModelsTest::nameFiltersFromWin32() {
    QFETCH(QString, filter);
    QFETCH(int, rules);
    QFETCH(QStringList, expected);
    QCOMPARE(ui::QtFrontend::NameFiltersFromWin32(filter, ui::QtFrontend::PatternRules(rules)),
             expected);
}

void ModelsTest::qtFrontendShowsTheBoxAsGiven_data() {
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("click");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("qtIcon");
    const int ok = int(MessageButtons::Ok);
    const int ync = int(MessageButtons::YesNoCancel);
    QTest::newRow("warning OK") << int(MessageIcon::Warning) << ok << int(QMessageBox::Ok)
                                << int(MessageAnswer::Ok) << int(QMessageBox::Warning);
    QTest::newRow("error OK") << int(MessageIcon::Error) << ok << int(QMessageBox::Ok)
                              << int(MessageAnswer::Ok) << int(QMessageBox::Critical);
    QTest::newRow("information OK") << int(MessageIcon::Information) << ok << int(QMessageBox::Ok)
                                    << int(MessageAnswer::Ok) << int(QMessageBox::Information);
    QTest::newRow("no icon") << int(MessageIcon::None) << ok << int(QMessageBox::Ok)
                             << int(MessageAnswer::Ok) << int(QMessageBox::NoIcon);
    QTest::newRow("Yes") << int(MessageIcon::None) << ync << int(QMessageBox::Yes)
                         << int(MessageAnswer::Yes) << int(QMessageBox::NoIcon);
    QTest::newRow("No") << int(MessageIcon::None) << ync << int(QMessageBox::No)
                        << int(MessageAnswer::No) << int(QMessageBox::NoIcon);
    QTest::newRow("Cancel") << int(MessageIcon::None) << ync << int(QMessageBox::Cancel)
                            << int(MessageAnswer::Cancel) << int(QMessageBox::NoIcon);
    // A Yes/No box has no Cancel: closing it without a choice keeps (No).
    const int yn = int(MessageButtons::YesNo);
    QTest::newRow("Yes of two") << int(MessageIcon::Warning) << yn << int(QMessageBox::Yes)
                                << int(MessageAnswer::Yes) << int(QMessageBox::Warning);
    QTest::newRow("No of two") << int(MessageIcon::Warning) << yn << int(QMessageBox::No)
                               << int(MessageAnswer::No) << int(QMessageBox::Warning);
    QTest::newRow("two closed") << int(MessageIcon::Warning) << yn << int(QMessageBox::Cancel)
                                << int(MessageAnswer::No) << int(QMessageBox::Warning);
}

void ModelsTest::qtFrontendShowsTheBoxAsGiven() {
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(int, click);
    QFETCH(int, answer);
    QFETCH(int, qtIcon);
    ui::QtFrontend frontend;
    test::SeenBox seen;
    auto shown = test::AnswerNextMessageBox(seen, QMessageBox::StandardButton(click));
    const MessageAnswer result = frontend.message(L"Directory:\n\n  x\n\nExisted.", L"Trust Manager",
                                                  MessageIcon(icon), MessageButtons(buttons));
    QVERIFY(shown->done());
    QCOMPARE(int(result), answer);
    QCOMPARE(seen.text, QStringLiteral("Directory:\n\n  x\n\nExisted."));
    QCOMPARE(seen.caption, QStringLiteral("Trust Manager"));
    QCOMPARE(int(seen.icon), qtIcon);
    if (MessageButtons(buttons) == MessageButtons::Ok)
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    else if (MessageButtons(buttons) == MessageButtons::YesNo)
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    else
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

void ModelsTest::qtFrontendFolderPickerStartsAtTheFolder() {
    QTemporaryDir start;
    QVERIFY(start.isValid());
    QVERIFY(QDir(start.path()).mkdir(QStringLiteral("inner")));
    ui::QtFrontend frontend;
    QString title;
    QString directory;
    {
        test::WhenShown cancel(
            &ActiveFileDialog,
            [&](QWidget* widget) {
                auto* dialog = static_cast<QFileDialog*>(widget);
                title = dialog->windowTitle();
                directory = dialog->directory().absolutePath();
                QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
                dialog->reject();
            });
        const auto result = frontend.pickFolder(L"Please select a folder",
                                                start.path().toStdWString(), false);
        QVERIFY(cancel.done());
        QVERIFY(!result);
    }
    QCOMPARE(title, QStringLiteral("Please select a folder"));
    QCOMPARE(directory, QDir(start.path()).absolutePath());

    const QString inner = QDir(start.path()).absoluteFilePath(QStringLiteral("inner"));
    test::WhenShown choose(
        &ActiveFileDialog,
        [&](QWidget* widget) {
            auto* dialog = static_cast<QFileDialog*>(widget);
            dialog->setDirectory(inner);  // navigated into the folder
            static_cast<QDialog*>(dialog)->accept();  // as the Choose button does
        });
    const auto result = frontend.pickFolder(L"Please select a folder", start.path().toStdWString(), true);
    QVERIFY(choose.done());
    QVERIFY(result);
    QCOMPARE(QDir::fromNativeSeparators(QString::fromStdWString(*result)), inner);
}

void ModelsTest::qtFrontendFilePickerUsesTheFilter() {
    ui::QtFrontend frontend;
    QStringList filters;
    QString suffix;
    QString title;
    bool opens = false;
    test::WhenShown cancel(
        &ActiveFileDialog,
        [&](QWidget* widget) {
            auto* dialog = static_cast<QFileDialog*>(widget);
            filters = dialog->nameFilters();
            suffix = dialog->defaultSuffix();
            title = dialog->windowTitle();
            // A typed name need not exist yet (its folder must).
            opens = dialog->acceptMode() == QFileDialog::AcceptOpen &&
                    dialog->fileMode() == QFileDialog::AnyFile;
            dialog->reject();
        });
    const auto result = frontend.pickFile(
        L"Choose Open file...", L"Keil Project(*.uvprojx) |*.uvprojx|All files(*.*)|*.*||", L".uvprojx");
    QVERIFY(cancel.done());
    QVERIFY(!result);
    QCOMPARE(title, QStringLiteral("Choose Open file..."));
    const bool windows = ui::QtFrontend::kPlatformPatternRules == ui::QtFrontend::PatternRules::Windows;
    const QString allFiles = windows ? QStringLiteral("All files(*.*)") : QStringLiteral("All files (*)");
    QCOMPARE(filters, (QStringList{"Keil Project(*.uvprojx)", allFiles}));
    QCOMPARE(suffix, QStringLiteral("uvprojx"));
    QVERIFY(opens);
}

namespace {

// The names the file dialog lists in its current folder.
QStringList ListedNames(QFileDialog* dialog) {
    QStringList names;
    auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    if (!view) return names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row)
        names << view->model()->index(row, 0, root).data().toString();
    return names;
}

const char* const kImportFilter = "Keil Project(*.uvprojx) |*.uvprojx|All files(*.*)|*.*||";

}  // namespace

void ModelsTest::qtFrontendFilePickerShowsFilesWithoutADot() {
    if (ui::QtFrontend::kPlatformPatternRules == ui::QtFrontend::PatternRules::Windows)
        QSKIP("the native dialog of Windows shows every file under *.*");
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const char* name : {"Makefile", "app.uvprojx", "notes.txt"}) {
        QFile file(QDir(folder.path()).filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    ui::QtFrontend frontend;
    QStringList keil;
    QStringList all;
    test::WhenShown look(
        &ActiveFileDialog,
        [&](QWidget* widget) {
            // The folder is read in the background: wait until the list settles.
            auto* dialog = static_cast<QFileDialog*>(widget);
            dialog->setDirectory(folder.path());
            QVERIFY(QTest::qWaitFor([&] { return ListedNames(dialog).size() == 1; }));
            keil = ListedNames(dialog);
            dialog->selectNameFilter(dialog->nameFilters().value(1));
            QVERIFY(QTest::qWaitFor([&] { return ListedNames(dialog).size() == 3; }));
            all = ListedNames(dialog);
            dialog->reject();
        });
    frontend.pickFile(L"Choose Open file...", QString::fromLatin1(kImportFilter).toStdWString(),
                      L".uvprojx");
    QVERIFY(look.done());
    QCOMPARE(keil, QStringList{QStringLiteral("app.uvprojx")});
    all.sort();
    QCOMPARE(all, (QStringList{"Makefile", "app.uvprojx", "notes.txt"}));
}

void ModelsTest::qtFrontendFilePickerTakesANewNameInAnExistingFolder_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("chosen");  // relative to the folder; empty: refused
    QTest::newRow("new name, extension added") << "fresh" << "fresh.uvprojx";
    QTest::newRow("new name with extension") << "fresh.uvprojx" << "fresh.uvprojx";
    QTest::newRow("new name in an existing subfolder") << "sub/fresh.uvprojx" << "sub/fresh.uvprojx";
    QTest::newRow("existing file") << "old.uvprojx" << "old.uvprojx";
    QTest::newRow("folder that does not exist") << "missing/fresh.uvprojx" << "";
}

void ModelsTest::qtFrontendFilePickerTakesANewNameInAnExistingFolder() {
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QDir dir(folder.path());
    QVERIFY(dir.mkdir(QStringLiteral("sub")));
    QFile old(dir.filePath(QStringLiteral("old.uvprojx")));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();

    ui::QtFrontend frontend;
    test::SeenBox refusal;
    QString typedName;
    bool stayedOpen = false;
    test::WhenShown type(
        &ActiveFileDialog,
        [&](QWidget* widget) {
            auto* dialog = static_cast<QFileDialog*>(widget);
            dialog->setDirectory(folder.path());
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            if (!name || !buttons) {
                dialog->reject();
                return;
            }
            name->clear();
            QTest::keyClicks(name, typed);
            typedName = name->text();
            auto box = test::AnswerNextMessageBox(refusal, QMessageBox::Ok);
            QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
            stayedOpen = dialog->isVisible();
            if (stayedOpen) dialog->reject();
        });
    const auto result = frontend.pickFile(
        L"Choose Open file...", QString::fromLatin1(kImportFilter).toStdWString(), L".uvprojx");
    QVERIFY(type.done());
    QVERIFY(!typedName.isEmpty());
    if (chosen.isEmpty()) {
        QVERIFY(stayedOpen);
        QVERIFY(!result);
        QCOMPARE(refusal.caption, QStringLiteral("Choose Open file..."));
        QVERIFY2(refusal.text.contains(QStringLiteral("Path does not exist.")), qPrintable(refusal.text));
        return;
    }
    QVERIFY(!stayedOpen);
    QVERIFY(refusal.text.isEmpty());
    QVERIFY(result);
    // As the core sees every path: with the platform's separator.
    QCOMPARE(QString::fromStdWString(*result), QDir::toNativeSeparators(dir.filePath(chosen)));
}

void ModelsTest::nativePath_data() {
    QTest::addColumn<QString>("qtPath");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");
    QTest::newRow("dropped on Windows") << "C:/Keil/Demo/app.uvprojx" << "\\"
                                        << "C:\\Keil\\Demo\\app.uvprojx";
    QTest::newRow("network share on Windows") << "//server/share/a.uvprojx" << "\\"
                                              << "\\\\server\\share\\a.uvprojx";
    QTest::newRow("already native on Windows") << "C:\\Keil\\a b.uvprojx" << "\\"
                                               << "C:\\Keil\\a b.uvprojx";
    QTest::newRow("Linux") << "/home/dev/My Projects/app.uvprojx" << "/"
                           << "/home/dev/My Projects/app.uvprojx";
}

void ModelsTest::nativePath() {
    QFETCH(QString, qtPath);
    QFETCH(QString, separator);
    QFETCH(QString, expected);
    QCOMPARE(ui::NativePath(qtPath, separator.at(0)), expected);
}

void ModelsTest::qtFrontendOpensTheFolderByItsFullPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");  // relative to the working folder when not absolute
    QTest::newRow("relative, as in the bundled sample")
        << "BSP/SampleCode/TrustZone" << "BSP/SampleCode/TrustZone";
    QTest::newRow("relative with dots") << "./out/../generated/" << "generated";
    QTest::newRow("absolute") << "/tmp/Velmora output" << "/tmp/Velmora output";
}

void ModelsTest::qtFrontendOpensTheFolderByItsFullPath() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QList<QUrl> handedOver;
    ui::QtFrontend frontend(nullptr, ui::LocalPathOpener([&handedOver](const QUrl& url) {
                                handedOver << url;
                                return true;
                            }));
    frontend.openFolder(path.toStdWString());
    QCOMPARE(handedOver.size(), 1);
    const QUrl url = handedOver.first();
    QVERIFY(url.isLocalFile());
    QVERIFY2(url.toString().startsWith(QStringLiteral("file:///")), qPrintable(url.toString()));
    const QString full = expected.startsWith(QLatin1Char('/'))
                             ? expected
                             : QDir::currentPath() + QLatin1Char('/') + expected;
    QCOMPARE(url.toLocalFile(), full);

    // Nothing to open: the desktop is not asked.
    handedOver.clear();
    frontend.openFolder(L"");
    QVERIFY(handedOver.isEmpty());
}

QTEST_MAIN(ModelsTest)
#include "test_models.moc"
