// The table models over the core's rows, the delegates and the Qt front end's
// boxes and filters.

#include <QtTest>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QFileDialog>
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
#include "ui/MemoryTableModel.h"
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

int XomState(const ProjectTableModel& model, int row, int region) {
    return model.index(row, kColumnXom0 + region).data(ProjectTableModel::XomStateRole).toInt();
}

}  // namespace

class ModelsTest : public QObject {
    Q_OBJECT

private slots:
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
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("the import filter")
        << "Keil Project(*.uvprojx) |*.uvprojx|All files(*.*)|*.*||"
        << QStringList{"Keil Project(*.uvprojx)", "All files(*.*)"};
    QTest::newRow("names without patterns") << "Text|*.txt|C sources|*.c;*.h||"
                                            << QStringList{"Text (*.txt)", "C sources (*.c *.h)"};
    QTest::newRow("empty") << "" << QStringList{};
}

void ModelsTest::nameFiltersFromWin32() {
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(ui::QtFrontend::NameFiltersFromWin32(filter), expected);
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
            [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); },
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
        [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); },
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
        [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); },
        [&](QWidget* widget) {
            auto* dialog = static_cast<QFileDialog*>(widget);
            filters = dialog->nameFilters();
            suffix = dialog->defaultSuffix();
            title = dialog->windowTitle();
            opens = dialog->acceptMode() == QFileDialog::AcceptOpen &&
                    dialog->fileMode() == QFileDialog::ExistingFile;
            dialog->reject();
        });
    const auto result = frontend.pickFile(
        L"Choose Open file...", L"Keil Project(*.uvprojx) |*.uvprojx|All files(*.*)|*.*||", L".uvprojx");
    QVERIFY(cancel.done());
    QVERIFY(!result);
    QCOMPARE(title, QStringLiteral("Choose Open file..."));
    QCOMPARE(filters, (QStringList{"Keil Project(*.uvprojx)", "All files(*.*)"}));
    QCOMPARE(suffix, QStringLiteral("uvprojx"));
    QVERIFY(opens);
}

QTEST_MAIN(ModelsTest)
#include "test_models.moc"
