#pragma once
// The main dialog: the controls of template 102, the memory bars and track bars,
// the three tables, the 60 peripheral buttons and the routing of every user action
// to the core. It loads "./default.kiv" when it is built and saves it on every way
// of closing; when that save fails it closes only if the person agrees to lose it.

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include <QDialog>

#include "Version.h"
#include "config/CIniFile.h"
#include "model/Frontend.h"
#include "model/MemorySplit.h"
#include "model/PartitionConfig.h"
#include "ui/LocalPathOpener.h"

class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QSlider;
class QTableView;
class QTemporaryDir;
class QTimer;
class QUrl;

namespace velmora::ui {

class CColorButton;
class ComboBoxDelegate;
class GridView;
class ImageCellDelegate;
class LineEditDelegate;
class MemoryTableModel;
class ProjectTableModel;
class StatusLine;
class ScriptOutputWindow;
class XomTableModel;
struct TemplateControl;

class CKIVDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const wchar_t* kVersionText = velmora::kVersionText;
    // The property that carries a control's template id (or a menu command's id).
    static constexpr const char* kControlIdProperty = "controlId";

    // frontend receives every message box and picker; without one the dialog shows
    // its own Qt boxes. The configuration is loaded from the working folder here.
    explicit CKIVDlg(Frontend* frontend = nullptr, QWidget* parent = nullptr);
    ~CKIVDlg() override;

    // The control with a template id (1, 1000..1017) or a peripheral id (2000..2059).
    QWidget* control(int id) const;
    CColorButton* peripheralButton(int index) const;
    QAction* menuCommand(int id) const;
    const PartitionConfig& configuration() const { return config_; }
    PartitionConfig& configuration() { return config_; }
    float scaleX() const { return scaleX_; }
    float scaleY() const { return scaleY_; }
    Frontend& frontend() { return *frontend_; }
    ProjectTableModel* projectModel() const { return projectModel_; }
    XomTableModel* xomModel() const { return xomModel_; }
    MemoryTableModel* memoryModel() const { return memoryModel_; }
    StatusLine* statusLine() const { return status_; }

    // How a document is handed to the desktop (a browser for the memory map);
    // QDesktopServices::openUrl unless a test records it. Returns false on failure.
    void setUrlOpener(LocalPathOpener::UrlHandler opener) {
        pathOpener_ = LocalPathOpener(std::move(opener));
    }

    // Command IDOK: saves and closes only while the Exit button has the focus.
    void exitCommand();
    // Command IDCANCEL (Esc, the close box): saves, then closes.
    // Both stay open when the save fails and the person chooses not to lose it.
    void reject() override;
    // Command 32772 and the grids' "Add new project".
    void addNewProject();
    // Command 32775: asks for a Keil project and imports it.
    void importProjectCommand();
    void importKeilProject(const QString& path);
    // Command 1010.
    void createTemplate();
    // The window with what the last command's scripts printed; null until one printed.
    ScriptOutputWindow* scriptOutputWindow() const { return scriptOutput_; }
    // Commands 1014 and 1015.
    void browseBspPath();
    void browseTemplatePath();
    // Commands 2000..2100.
    void togglePeripheral(int commandId);
    void showAbout();
    // Our "Memory map..." command: the map of the configuration as it stands,
    // written to a temporary file that is handed to the desktop's browser.
    void showMemoryMap();
    // Runs validation for the status line once the current event is done; any
    // number of edits in one event cost one run.
    void scheduleStatusLine();

protected:
    void changeEvent(QEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void createMenu();
    void createControls();
    QWidget* createTemplateControl(const TemplateControl& item);
    QPushButton* createPushButton(int id, const QString& caption);
    CColorButton* createColorButton(int id, const QString& caption);
    QSlider* createTrackBar(int id);
    QTableView* createListView(int id);
    void setTemplateTabOrder();
    void setupMemoryTable();
    void setupXomGrid();
    void setupProjectGrid();
    void loadConfiguration();
    void setupMemoryBars();
    void createPeripheralButtons();
    void addAboutItem();

    void applyFlashBoundary(int position);
    void applySramBoundary(int position);
    void updateFlashSplit();
    void updateSramSplit();
    void refreshMemoryTable();

    void onProjectGridPressed(const QModelIndex& index);
    void onProjectGridClicked(const QModelIndex& index);
    void onProjectContextMenu(int row, const QPoint& globalPos);
    void onXomContextMenu(int row, const QPoint& globalPos);
    void showAddProjectMenu(const QPoint& globalPos);
    // Writes the text of any open cell editor into its cell.
    void commitOpenEditors();
    // Saves the configuration; false when it failed and the person chose to stay.
    bool saveBeforeClosing();
    void showPathsOfConfiguration();
    void createStatusLine();
    void refreshStatusLine();
    void showMapProblem(const std::wstring& text);
    // Before a command: false while one runs (its progress window lets events in).
    bool startCommand();
    void showScriptOutput(const QString& command, const std::wstring& text);

    int scaled(int designValue, float scale) const;
    void registerControl(QWidget* widget, int id);

    std::unique_ptr<Frontend> ownFrontend_;
    Frontend* frontend_;
    CIniFile store_;
    PartitionConfig config_;
    float scaleX_ = 1.0f;
    float scaleY_ = 1.0f;
    RememberedPosition flashApplied_{kFlashPositionMax};
    RememberedPosition sramApplied_{kSramPositionMax};

    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    std::vector<QWidget*> templateOrder_;
    QPushButton* exit_ = nullptr;
    std::array<CColorButton*, 4> bars_{};  // 1000, 1001, 1003, 1004
    QSlider* flashTrack_ = nullptr;
    QSlider* sramTrack_ = nullptr;
    GridView* projectGrid_ = nullptr;
    GridView* xomGrid_ = nullptr;
    QTableView* memoryTable_ = nullptr;
    CColorButton* legendSecure_ = nullptr;
    CColorButton* legendNonSecure_ = nullptr;
    QPushButton* createTemplate_ = nullptr;
    QLineEdit* templatePath_ = nullptr;
    QLineEdit* bspPath_ = nullptr;
    QLabel* info_ = nullptr;
    QPushButton* browseBsp_ = nullptr;
    QPushButton* browseTemplate_ = nullptr;
    QLabel* logo_ = nullptr;
    std::vector<CColorButton*> peripheralButtons_;
    StatusLine* status_ = nullptr;
    QTimer* statusTimer_ = nullptr;
    LocalPathOpener pathOpener_;
    // The memory map's folder: private to this user, removed with the dialog.
    std::unique_ptr<QTemporaryDir> mapFolder_;

    ProjectTableModel* projectModel_ = nullptr;
    XomTableModel* xomModel_ = nullptr;
    MemoryTableModel* memoryModel_ = nullptr;
    LineEditDelegate* projectEditBoxDelegate_ = nullptr;
    LineEditDelegate* xomEditBoxDelegate_ = nullptr;
    ComboBoxDelegate* stateDelegate_ = nullptr;
    ComboBoxDelegate* nextBootDelegate_ = nullptr;
    ImageCellDelegate* xomCellDelegate_ = nullptr;
    ScriptOutputWindow* scriptOutput_ = nullptr;
    bool commandRunning_ = false;
};

}  // namespace velmora::ui
