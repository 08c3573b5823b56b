#include "ui/CKIVDlg.h"

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSlider>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#ifdef Q_OS_WIN
#define NOMINMAX
#include <windows.h>
#endif

#include "config/ConfigurationFile.h"
#include "generate/ImportKeilProject.h"
#include "generate/MemoryMap.h"
#include "generate/MemoryMapHtml.h"
#include "generate/TemplateGenerator.h"
#include "model/PeripheralAttribution.h"
#include "model/ProjectTableEditing.h"
#include "platform/FileSystem.h"
#include "ui/AppIcon.h"
#include "ui/CAboutDlg.h"
#include "ui/CColorButton.h"
#include "ui/ComboBoxDelegate.h"
#include "ui/DialogTemplate.h"
#include "ui/GridView.h"
#include "ui/ImageCellDelegate.h"
#include "ui/LineEditDelegate.h"
#include "ui/MemoryTableModel.h"
#include "ui/ProjectTableModel.h"
#include "ui/QtFrontend.h"
#include "ui/StatusLine.h"
#include "ui/ScriptOutputWindow.h"
#include "ui/XomTableModel.h"
#include "validate/ValidateConfiguration.h"

namespace velmora::ui {

namespace {

constexpr const char* kTemplateFontFamily = "新細明體";
constexpr double kTemplateFontPoints = 9.0;
constexpr double kSmallestFontPoints = 6.5;
constexpr const char* kAboutItemText = "關於 Velmora(&A)...";
constexpr const wchar_t* kFolderPickerTitle = L"Please select a folder";
constexpr const wchar_t* kImportTitle = L"Choose Open file...";
constexpr const wchar_t* kImportFilter =
    L"Keil Project(*.uvprojx) |*.uvprojx|All files(*.*)|*.*||";
constexpr const wchar_t* kImportDefaultExtension = L".uvprojx";
constexpr const wchar_t* kMemoryMapCaption = L"Memory map";

// The peripheral grid in design pixels: ten columns from (180, 325), cells of 80 x 26.
constexpr int kPeripheralLeft = 180;
constexpr int kPeripheralSecondColumn = 260;
constexpr int kPeripheralTop = 325;
constexpr int kPeripheralSecondRow = 351;
constexpr int kPeripheralColumns = 10;

bool CaptionsFit(const QFont& font) {
    const QFontMetrics metrics(font);
    for (const TemplateControl& item : DialogTemplate102()) {
        if ((item.kind != ControlKind::Label && item.kind != ControlKind::RightLabel) || item.hidden)
            continue;
        if (metrics.horizontalAdvance(QString::fromUtf8(item.caption)) > CaptionRoom(item))
            return false;
    }
    return true;
}

// The template's font, or the platform's default in its place. Dialog units were
// made for the template font: a wider substitute is narrowed first and made
// smaller, in half points, only when even its condensed face does not let the
// template's static captions fit the room their boxes leave them.
QFont TemplateFont() {
    QFont font = QApplication::font();
    const QString family = QString::fromUtf8(kTemplateFontFamily);
    if (QFontDatabase::hasFamily(family)) font.setFamily(family);
    for (double points = kTemplateFontPoints; points >= kSmallestFontPoints; points -= 0.5) {
        for (int stretch : {int(QFont::Unstretched), int(QFont::SemiCondensed), int(QFont::Condensed)}) {
            font.setPointSizeF(points);
            font.setStretch(stretch);
            if (CaptionsFit(font)) return font;
        }
    }
    return font;
}

// A menu text shows '&' as a mnemonic marker; a project name must show as typed.
QString EscapeMnemonics(QString text) { return text.replace(QLatin1Char('&'), QLatin1String("&&")); }

}  // namespace

CKIVDlg::CKIVDlg(Frontend* frontend, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      frontend_(frontend) {
    if (!frontend_) {
        ownFrontend_ = std::make_unique<QtFrontend>(this);
        frontend_ = ownFrontend_.get();
    }
    store_.SetFrontend(frontend_);
    setObjectName(QStringLiteral("mainDialog"));

    createMenu();
    createControls();
    addAboutItem();
    setWindowIcon(VelmoraIcon());

    // The window frame and the menu bar are the platform's: the client area is
    // measured and the design's own frame added, so that a client of 995 x 581
    // gives the design window of 1001 x 625.
    scaleX_ = static_cast<float>(static_cast<double>(client_->width() + kDesignWindowWidth -
                                                     kClientWidth) / kDesignWindowWidth);
    scaleY_ = static_cast<float>(static_cast<double>(client_->height() + kDesignWindowHeight -
                                                     kClientHeight) / kDesignWindowHeight);

    setupMemoryTable();
    setupXomGrid();
    setupProjectGrid();
    loadConfiguration();
    setupMemoryBars();
    createPeripheralButtons();
    legendSecure_->setColors(kSecureColors);
    legendNonSecure_->setColors(kNonSecureColors);
    setWindowTitle(QStringLiteral("Velmora - v%1").arg(QString::fromWCharArray(kVersionText)));
    setTemplateTabOrder();
    createStatusLine();
    exit_->setFocus(Qt::OtherFocusReason);
}

CKIVDlg::~CKIVDlg() {
    // An editor's last commit below must not reach the line, which goes with them.
    status_ = nullptr;
    // The views go while the tables exist: an editor that still has the focus
    // (the session ended with the dialog open) commits into them on its way out.
    delete client_;
}

int CKIVDlg::scaled(int designValue, float scale) const {
    return static_cast<int>(static_cast<float>(designValue) * scale);
}

void CKIVDlg::registerControl(QWidget* widget, int id) {
    widget->setProperty(kControlIdProperty, id);
    if (id != kIdStatic) widget->setObjectName(QStringLiteral("control%1").arg(id));
}

QWidget* CKIVDlg::control(int id) const {
    const auto children = findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QVariant value = child->property(kControlIdProperty);
        if (value.isValid() && value.toInt() == id) return child;
    }
    return nullptr;
}

CColorButton* CKIVDlg::peripheralButton(int index) const {
    if (index < 0 || index >= static_cast<int>(peripheralButtons_.size())) return nullptr;
    return peripheralButtons_[static_cast<std::size_t>(index)];
}

QAction* CKIVDlg::menuCommand(int id) const {
    const auto actions = findChildren<QAction*>();
    for (QAction* action : actions) {
        const QVariant value = action->property(kControlIdProperty);
        if (value.isValid() && value.toInt() == id) return action;
    }
    return nullptr;
}

void CKIVDlg::createMenu() {
    menuBar_ = new QMenuBar(this);
    QMenu* project = menuBar_->addMenu(QStringLiteral("Project"));
    QAction* add = project->addAction(QStringLiteral("&Add new project"));
    add->setProperty(kControlIdProperty, int(kCmdAddNewProject));
    connect(add, &QAction::triggered, this, &CKIVDlg::addNewProject);
    // Our place for the import command, which no control of the template issues.
    QAction* import = project->addAction(QStringLiteral("&Import Keil project..."));
    import->setProperty(kControlIdProperty, int(kCmdImportProject));
    connect(import, &QAction::triggered, this, &CKIVDlg::importProjectCommand);
    QAction* map = project->addAction(QStringLiteral("&Memory map..."));
    map->setProperty(kControlIdProperty, int(kCmdMemoryMap));
    connect(map, &QAction::triggered, this, &CKIVDlg::showMemoryMap);
}

void CKIVDlg::addAboutItem() {
#ifdef Q_OS_WIN
    // The system menu exists on this platform: the item goes to its end.
    HMENU systemMenu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (systemMenu) {
        const std::wstring text = QString::fromUtf8(kAboutItemText).toStdWString();
        AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(systemMenu, MF_STRING, kCmdAbout, text.c_str());
        return;
    }
#endif
    // No system menu to extend: the item stands in the menu bar.
    QAction* about = menuBar_->addAction(QString::fromUtf8(kAboutItemText));
    about->setProperty(kControlIdProperty, int(kCmdAbout));
    connect(about, &QAction::triggered, this, &CKIVDlg::showAbout);
}

#ifdef Q_OS_WIN
bool CKIVDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == WPARAM(kCmdAbout)) {
        showAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

void CKIVDlg::createControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("clientArea"));
    client_->setFixedSize(kClientWidth, kClientHeight);
    client_->setFont(TemplateFont());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(client_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    std::vector<QWidget*> groups;
    for (const TemplateControl& item : DialogTemplate102()) {
        QWidget* widget = createTemplateControl(item);
        registerControl(widget, item.id);
        widget->setGeometry(DialogUnitsToPixels(item.x, item.y, item.w, item.h));
        if (item.hidden) widget->hide();
        if (item.kind == ControlKind::GroupBox) groups.push_back(widget);
        templateOrder_.push_back(widget);
    }
    // Group boxes are frames behind the controls they hold, never over them.
    for (QWidget* group : groups) group->lower();

    connect(templatePath_, &QLineEdit::textChanged, this, [this](const QString& text) {
        config_.templatePath = text.toStdWString();
        scheduleStatusLine();
    });
    connect(bspPath_, &QLineEdit::textChanged, this, [this](const QString& text) {
        config_.bspPath = text.toStdWString();
        scheduleStatusLine();
    });
}

void CKIVDlg::createStatusLine() {
    status_ = new StatusLine(client_);
    status_->setGeometry(StatusLineRect());
    status_->show();
    statusTimer_ = new QTimer(this);
    statusTimer_->setSingleShot(true);
    statusTimer_->setInterval(0);
    connect(statusTimer_, &QTimer::timeout, this, &CKIVDlg::refreshStatusLine);
    for (QAbstractItemModel* model : {static_cast<QAbstractItemModel*>(projectModel_),
                                      static_cast<QAbstractItemModel*>(xomModel_)}) {
        connect(model, &QAbstractItemModel::dataChanged, this, &CKIVDlg::scheduleStatusLine);
        connect(model, &QAbstractItemModel::rowsInserted, this, &CKIVDlg::scheduleStatusLine);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &CKIVDlg::scheduleStatusLine);
        connect(model, &QAbstractItemModel::modelReset, this, &CKIVDlg::scheduleStatusLine);
    }
    refreshStatusLine();
}

void CKIVDlg::scheduleStatusLine() {
    if (status_) statusTimer_->start();
}

void CKIVDlg::refreshStatusLine() {
    if (!status_) return;
    // Asked afresh every time: the BSP folder may have been made or removed since.
    status_->showResult(FindFirstValidationError(config_, FileSystemPathQuery()),
                        config_.projects.size());
}

void CKIVDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Back from another window, where the BSP folder may have changed.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) scheduleStatusLine();
}

QWidget* CKIVDlg::createTemplateControl(const TemplateControl& item) {
    const QString caption = QString::fromUtf8(item.caption);
    switch (item.kind) {
        case ControlKind::PushButton: return createPushButton(item.id, caption);
        case ControlKind::ColorButton: return createColorButton(item.id, caption);
        case ControlKind::TrackBar: return createTrackBar(item.id);
        case ControlKind::GroupBox: return new QGroupBox(caption, client_);
        case ControlKind::ListView: return createListView(item.id);
        case ControlKind::Label:
        case ControlKind::RightLabel: {
            auto* label = new QLabel(caption, client_);
            const Qt::Alignment side =
                item.kind == ControlKind::RightLabel ? Qt::AlignRight : Qt::AlignLeft;
            label->setAlignment(side | Qt::AlignTop);
            if (item.id == kIdInfoText) info_ = label;
            return label;
        }
        case ControlKind::EditBox: {
            auto* edit = new QLineEdit(client_);
            (item.id == kIdTemplatePath ? templatePath_ : bspPath_) = edit;
            return edit;
        }
        case ControlKind::Picture: {
            logo_ = new QLabel(client_);
            logo_->setPixmap(VelmoraLogo(48));
            logo_->setAlignment(Qt::AlignCenter);
            return logo_;
        }
    }
    return new QWidget(client_);
}

QPushButton* CKIVDlg::createPushButton(int id, const QString& caption) {
    auto* button = new QPushButton(caption, client_);
    switch (id) {
        case kIdExit:
            exit_ = button;
            // Enter anywhere sends the Exit command; it acts only for Exit itself.
            button->setDefault(true);
            connect(button, &QPushButton::clicked, this, &CKIVDlg::exitCommand);
            break;
        case kIdCreateTemplate:
            createTemplate_ = button;
            connect(button, &QPushButton::clicked, this, &CKIVDlg::createTemplate);
            break;
        case kIdBrowseBsp:
            browseBsp_ = button;
            connect(button, &QPushButton::clicked, this, &CKIVDlg::browseBspPath);
            break;
        case kIdBrowseTemplate:
            browseTemplate_ = button;
            connect(button, &QPushButton::clicked, this, &CKIVDlg::browseTemplatePath);
            break;
        default: break;
    }
    return button;
}

CColorButton* CKIVDlg::createColorButton(int id, const QString& caption) {
    auto* button = new CColorButton(caption, client_);
    switch (id) {
        case kIdFlashSecureBar: bars_[0] = button; break;
        case kIdFlashNonSecureBar: bars_[1] = button; break;
        case kIdSramSecureBar: bars_[2] = button; break;
        case kIdSramNonSecureBar: bars_[3] = button; break;
        case kIdLegendSecure: legendSecure_ = button; break;
        case kIdLegendNonSecure: legendNonSecure_ = button; break;
        default: break;
    }
    return button;
}

QSlider* CKIVDlg::createTrackBar(int id) {
    auto* slider = new QSlider(Qt::Vertical, client_);
    // A Win32 track bar: minimum at the top, Down and Page Down move toward the maximum.
    slider->setInvertedAppearance(true);
    slider->setInvertedControls(true);
    slider->setTickPosition(QSlider::NoTicks);
    (id == kIdFlashTrackBar ? flashTrack_ : sramTrack_) = slider;
    return slider;
}

QTableView* CKIVDlg::createListView(int id) {
    QTableView* view = nullptr;
    if (id == kIdMemoryTable) {
        view = memoryTable_ = new QTableView(client_);
        view->verticalHeader()->hide();
        view->setShowGrid(true);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setTabKeyNavigation(false);
        view->horizontalHeader()->setHighlightSections(false);
        view->horizontalHeader()->setContextMenuPolicy(Qt::PreventContextMenu);
    } else {
        auto* grid = new GridView(client_);
        (id == kIdProjectGrid ? projectGrid_ : xomGrid_) = grid;
        view = grid;
    }
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    return view;
}

void CKIVDlg::setTemplateTabOrder() {
    QWidget* previous = nullptr;
    auto chain = [&previous](QWidget* widget) {
        if (widget->focusPolicy() == Qt::NoFocus) return;
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    };
    for (QWidget* widget : templateOrder_) chain(widget);
    for (CColorButton* button : peripheralButtons_) chain(button);
}

void CKIVDlg::setupMemoryTable() {
    memoryModel_ = new MemoryTableModel(this);
    memoryTable_->setModel(memoryModel_);
    for (int column = 0; column < memoryModel_->columnCount(); ++column)
        memoryTable_->setColumnWidth(column, scaled(MemoryTableModel::ColumnWidth(column), scaleX_));
}

void CKIVDlg::setupXomGrid() {
    xomModel_ = new XomTableModel(config_.xomRegions, this);
    xomGrid_->setModel(xomModel_);
    // A delegate reports its editors' commits to every view it serves, so each
    // grid has its own: a shared one makes the other view refuse each commit.
    xomEditBoxDelegate_ = new LineEditDelegate(this);
    xomGrid_->setItemDelegateForColumn(XomTableModel::kColumnBase, xomEditBoxDelegate_);
    xomGrid_->setItemDelegateForColumn(XomTableModel::kColumnSize, xomEditBoxDelegate_);
    for (int column = 0; column < XomTableModel::kColumnCount; ++column)
        xomGrid_->setColumnWidth(column, scaled(XomTableModel::ColumnWidth(column), scaleX_));
    connect(xomGrid_, &GridView::contextMenuRequested, this, &CKIVDlg::onXomContextMenu);
}

void CKIVDlg::setupProjectGrid() {
    projectModel_ = new ProjectTableModel(config_.projects, config_.xomRegions, this);
    projectGrid_->setModel(projectModel_);
    stateDelegate_ = new ComboBoxDelegate(
        [] { return QStringList{QStringLiteral("S"), QStringLiteral("NS")}; }, this);
    nextBootDelegate_ = new ComboBoxDelegate(
        [this] {
            QStringList choices;
            for (const std::wstring& choice : config_.projects.nextBootChoices)
                choices << QString::fromStdWString(choice);
            return choices;
        },
        this);
    xomCellDelegate_ = new ImageCellDelegate(this);
    projectEditBoxDelegate_ = new LineEditDelegate(this);
    for (int column = 0; column < kProjectColumnCount; ++column) {
        if (column == kColumnState)
            projectGrid_->setItemDelegateForColumn(column, stateDelegate_);
        else if (column == kColumnNextBoot)
            projectGrid_->setItemDelegateForColumn(column, nextBootDelegate_);
        else if (ProjectTableModel::IsXomColumn(column))
            projectGrid_->setItemDelegateForColumn(column, xomCellDelegate_);
        else if (column != kColumnHidden)
            projectGrid_->setItemDelegateForColumn(column, projectEditBoxDelegate_);
        projectGrid_->setColumnWidth(column, scaled(ProjectTableModel::ColumnWidth(column), scaleX_));
    }
    projectGrid_->setColumnHidden(kColumnPath, true);
    projectGrid_->setColumnHidden(kColumnHidden, true);
    projectGrid_->setAcceptsFileDrops(true);

    connect(projectGrid_, &QAbstractItemView::pressed, this, &CKIVDlg::onProjectGridPressed);
    connect(projectGrid_, &QAbstractItemView::clicked, this, &CKIVDlg::onProjectGridClicked);
    connect(projectGrid_, &GridView::contextMenuRequested, this, &CKIVDlg::onProjectContextMenu);
    // After the drop has completed: the import may show boxes, which must not hold
    // the file manager's drag in a nested loop.
    connect(projectGrid_, &GridView::fileDropped, this, &CKIVDlg::importKeilProject,
            Qt::QueuedConnection);
    connect(projectModel_, &ProjectTableModel::xomRegionsChanged, xomModel_,
            &XomTableModel::refresh);

    // Rows tall enough for the 16-pixel check boxes.
    const int rowHeight = std::max(CheckBoxImages::kSize + 2, projectGrid_->fontMetrics().height() + 4);
    for (QTableView* view : {static_cast<QTableView*>(projectGrid_),
                             static_cast<QTableView*>(xomGrid_), memoryTable_}) {
        view->verticalHeader()->setMinimumSectionSize(1);
        view->verticalHeader()->setDefaultSectionSize(rowHeight);
        view->horizontalHeader()->setFixedHeight(rowHeight + 2);
    }
}

void CKIVDlg::loadConfiguration() {
    LoadConfiguration(store_, config_);
    projectModel_->reload();
    xomModel_->refresh();
    showPathsOfConfiguration();
}

void CKIVDlg::showPathsOfConfiguration() {
    const QString templatePath = QString::fromStdWString(config_.templatePath);
    const QString bspPath = QString::fromStdWString(config_.bspPath);
    if (templatePath_->text() != templatePath) templatePath_->setText(templatePath);
    if (bspPath_->text() != bspPath) bspPath_->setText(bspPath);
}

void CKIVDlg::setupMemoryBars() {
    const QSignalBlocker blockFlash(flashTrack_);
    const QSignalBlocker blockSram(sramTrack_);
    flashTrack_->setRange(kFlashPositionMin, kFlashPositionMax);
    sramTrack_->setRange(kSramPositionMin, kSramPositionMax);
    // The track bar's own default page: a fifth of its range.
    flashTrack_->setPageStep((kFlashPositionMax - kFlashPositionMin) / 5);
    sramTrack_->setPageStep((kSramPositionMax - kSramPositionMin) / 5);
    flashTrack_->setValue(FlashPositionFromNsba(config_.nsba));
    sramTrack_->setValue(SramPositionFromNsba(config_.sramNsba));

    bars_[0]->setColors(kSecureColors);
    bars_[2]->setColors(kSecureColors);
    bars_[1]->setColors(kNonSecureColors);
    bars_[3]->setColors(kNonSecureColors);
    // Both splits run once here whatever was applied before.
    updateFlashSplit();
    updateSramSplit();
    refreshMemoryTable();
    flashApplied_.takeIfChanged(flashTrack_->value());
    sramApplied_.takeIfChanged(sramTrack_->value());

    connect(flashTrack_, &QSlider::valueChanged, this, &CKIVDlg::applyFlashBoundary);
    connect(sramTrack_, &QSlider::valueChanged, this, &CKIVDlg::applySramBoundary);
}

void CKIVDlg::createPeripheralButtons() {
    const int left0 = scaled(kPeripheralLeft, scaleX_);
    const int width = scaled(kPeripheralSecondColumn, scaleX_) - left0;
    const int top0 = scaled(kPeripheralTop, scaleY_);
    const int height = scaled(kPeripheralSecondRow, scaleY_) - top0;
    for (std::size_t i = 0; i < config_.peripherals.size(); ++i) {
        const PeripheralEntry& entry = config_.peripherals[i];
        const int row = static_cast<int>(i) / kPeripheralColumns;
        const int column = static_cast<int>(i) % kPeripheralColumns;
        auto* button = new CColorButton(QString::fromStdWString(entry.name), client_);
        const int id = kIdFirstPeripheral + static_cast<int>(i);
        registerControl(button, id);
        button->setGeometry(left0 + column * width, top0 + row * height, width, height);
        button->setColors(ColorsForState(entry.state));
        connect(button, &QPushButton::clicked, this, [this, id] { togglePeripheral(id); });
        button->show();
        peripheralButtons_.push_back(button);
    }
}

void CKIVDlg::applyFlashBoundary(int position) {
    if (!flashApplied_.takeIfChanged(position)) return;
    updateFlashSplit();
    scheduleStatusLine();
}

void CKIVDlg::applySramBoundary(int position) {
    if (!sramApplied_.takeIfChanged(position)) return;
    updateSramSplit();
    scheduleStatusLine();
}

void CKIVDlg::updateFlashSplit() {
    const int p = flashTrack_->value();
    const BarSplit split = FlashBarSplit(p, scaleX_, scaleY_);
    for (const auto& [button, part] : {std::pair{bars_[0], split.securePart},
                                       std::pair{bars_[1], split.nonSecurePart}}) {
        button->setGeometry(part.left, part.top, part.width, part.height);
        button->setText(QString::fromStdWString(part.caption));
    }
    refreshMemoryTable();
    config_.nsba = NsbaFromFlashPosition(p);
}

void CKIVDlg::updateSramSplit() {
    const int q = sramTrack_->value();
    const BarSplit split = SramBarSplit(q, scaleX_, scaleY_);
    for (const auto& [button, part] : {std::pair{bars_[2], split.securePart},
                                       std::pair{bars_[3], split.nonSecurePart}}) {
        button->setGeometry(part.left, part.top, part.width, part.height);
        button->setText(QString::fromStdWString(part.caption));
    }
    refreshMemoryTable();
    config_.sramNsba = SramNsbaFromPosition(q);
}

void CKIVDlg::refreshMemoryTable() {
    memoryModel_->setPositions(flashTrack_->value(), sramTrack_->value());
}

void CKIVDlg::exitCommand() {
    // Enter sends this command from anywhere; only the Exit button's own closes.
    if (focusWidget() != exit_) return;
    if (!saveBeforeClosing()) return;
    accept();
}

void CKIVDlg::reject() {
    if (commandRunning_) return;
    if (!saveBeforeClosing()) return;
    QDialog::reject();
}

void CKIVDlg::commitOpenEditors() {
    projectGrid_->commitOpenEditor();
    xomGrid_->commitOpenEditor();
}

bool CKIVDlg::saveBeforeClosing() {
    // A cell still being edited when the window closes keeps what was typed.
    commitOpenEditors();
    config_.templatePath = templatePath_->text().toStdWString();
    config_.bspPath = bspPath_->text().toStdWString();
    return SaveConfigurationBeforeClosing(store_, config_, *frontend_);
}

void CKIVDlg::addNewProject() { projectModel_->addNewProject(*frontend_); }

void CKIVDlg::togglePeripheral(int commandId) {
    const std::vector<int> changed = TogglePeripheral(config_.peripherals, commandId);
    for (int row : changed) {
        CColorButton* button = peripheralButton(row);
        if (button) button->setColors(ColorsForState(config_.peripherals[static_cast<std::size_t>(row)].state));
    }
    scheduleStatusLine();
}

void CKIVDlg::onProjectGridPressed(const QModelIndex& index) {
    // Before the cell's editor can open, so that its drop-down shows the new choices.
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) return;
    if (index.isValid() && index.column() == kColumnNextBoot)
        projectModel_->refreshNextBootChoices(index.row());
}

void CKIVDlg::onProjectGridClicked(const QModelIndex& index) {
    if (!index.isValid() || !ProjectTableModel::IsXomColumn(index.column())) return;
    projectModel_->toggleXomCell(index.row(), index.column() - kColumnXom0);
}

void CKIVDlg::onProjectContextMenu(int row, const QPoint& globalPos) {
    if (row < 0) {
        showAddProjectMenu(globalPos);
        return;
    }
    const QString name =
        projectModel_->index(row, kColumnName).data(Qt::DisplayRole).toString();
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("projectRowMenu"));
    QAction* remove = menu.addAction(QStringLiteral("Delete \"%1\"").arg(EscapeMnemonics(name)));
    if (menu.exec(globalPos) == remove) projectModel_->deleteProject(row);
}

void CKIVDlg::onXomContextMenu(int row, const QPoint& globalPos) {
    // The XOM rows offer no menu; only the empty area below them does.
    if (row < 0) showAddProjectMenu(globalPos);
}

void CKIVDlg::showAddProjectMenu(const QPoint& globalPos) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("addProjectMenu"));
    QAction* add = menu.addAction(QStringLiteral("Add new project"));
    if (menu.exec(globalPos) == add) addNewProject();
}

void CKIVDlg::importProjectCommand() {
    const std::optional<std::wstring> path =
        frontend_->pickFile(kImportTitle, kImportFilter, kImportDefaultExtension);
    if (path) importKeilProject(QString::fromStdWString(*path));
}

void CKIVDlg::importKeilProject(const QString& path) {
    if (path.isEmpty() || !startCommand()) return;
    const QScopedValueRollback<bool> running(commandRunning_, true);
    // A drop leaves the focus where it was, so a cell may still be in its editor;
    // the reload below would throw that editor and its text away.
    commitOpenEditors();
    const ImportResult result = ImportKeilProject(config_, path.toStdWString(), *frontend_);
    // The script only appends rows and rewrites XOM texts; the views re-read both.
    projectModel_->reload();
    xomModel_->refresh();
    showScriptOutput(QStringLiteral("Import"), result.scriptOutput);
}

void CKIVDlg::createTemplate() {
    if (!startCommand()) return;
    const QScopedValueRollback<bool> running(commandRunning_, true);
    // Validation reads the cells: a text still in its editor counts as typed.
    commitOpenEditors();
    config_.templatePath = templatePath_->text().toStdWString();
    config_.bspPath = bspPath_->text().toStdWString();
    TemplateGenerator generator(config_, *frontend_);
    const GenerationResult result = generator.CreateTemplate();
    // A folder picked during the command replaces the text of its box.
    showPathsOfConfiguration();
    showScriptOutput(QStringLiteral("Create Template"), result.scriptOutput);
}

bool CKIVDlg::startCommand() {
    if (commandRunning_) return false;
    // The last command's output is not this one's.
    if (scriptOutput_) scriptOutput_->hide();
    return true;
}

void CKIVDlg::showScriptOutput(const QString& command, const std::wstring& text) {
    // After the command's own boxes, and only when a script printed something.
    if (text.empty()) return;
    if (!scriptOutput_) scriptOutput_ = new ScriptOutputWindow(this);
    scriptOutput_->showOutput(command, QString::fromStdWString(text));
}

void CKIVDlg::browseBspPath() {
    const std::optional<std::wstring> folder =
        frontend_->pickFolder(kFolderPickerTitle, bspPath_->text().toStdWString(), false);
    if (folder) bspPath_->setText(QString::fromStdWString(*folder));
}

void CKIVDlg::browseTemplatePath() {
    const std::optional<std::wstring> folder =
        frontend_->pickFolder(kFolderPickerTitle, templatePath_->text().toStdWString(), true);
    if (folder) templatePath_->setText(QString::fromStdWString(*folder));
}

void CKIVDlg::showMemoryMap() {
    // The map shows what the cells hold, including a text still in its editor.
    commitOpenEditors();
    const MemoryMap map =
        BuildMemoryMap(config_, FindFirstValidationError(config_, FileSystemPathQuery()));
    if (!mapFolder_) mapFolder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/velmora-map-XXXXXX"));
    if (!mapFolder_->isValid()) {
        mapFolder_.reset();
        showMapProblem(L"Unable to create a temporary folder for the memory map.");
        return;
    }
    const QString file = mapFolder_->filePath(QStringLiteral("MemoryMap.html"));
    if (!fs::WriteFileAtomically(fs::ToPath(file.toStdWString()), MemoryMapHtml(map))) {
        showMapProblem(L"Unable to write the memory map to " +
                       QDir::toNativeSeparators(file).toStdWString());
        return;
    }
    if (!pathOpener_.open(file)) {
        showMapProblem(L"Unable to open the memory map in a browser: " +
                       QDir::toNativeSeparators(file).toStdWString());
    }
}

void CKIVDlg::showMapProblem(const std::wstring& text) {
    frontend_->message(text, kMemoryMapCaption, MessageIcon::Warning, MessageButtons::Ok);
}

void CKIVDlg::showAbout() {
    CAboutDlg about(this);
    about.exec();
}

}  // namespace velmora::ui
