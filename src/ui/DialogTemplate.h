#pragma once
// Dialog template 102: every control of the main dialog with its id, caption and
// rectangle in dialog units, in template (creation and tab) order; and the
// conversion of dialog units to the dialog's logical pixels.

#include <span>

#include <QRect>

namespace velmora::ui {

enum ControlId : int {
    kIdStatic = -1,  // controls that no code addresses
    kIdExit = 1,
    kIdCancel = 2,
    kIdFlashSecureBar = 1000,
    kIdFlashNonSecureBar = 1001,
    kIdFlashTrackBar = 1002,
    kIdSramSecureBar = 1003,
    kIdSramNonSecureBar = 1004,
    kIdSramTrackBar = 1005,
    kIdProjectGrid = 1006,
    kIdXomGrid = 1007,
    kIdLegendSecure = 1008,
    kIdLegendNonSecure = 1009,
    kIdCreateTemplate = 1010,
    kIdTemplatePath = 1011,
    kIdInfoText = 1012,
    kIdBspPath = 1013,
    kIdBrowseBsp = 1014,
    kIdBrowseTemplate = 1015,
    kIdMemoryTable = 1016,
    kIdLogo = 1017,
    kIdFirstPeripheral = 2000,
    kCmdAbout = 0x10,
    kCmdAddNewProject = 32772,
    kCmdImportProject = 32775,
    kCmdMemoryMap = 32776,  // ours: "Memory map..." in the Project menu
};

enum class ControlKind {
    PushButton,
    ColorButton,
    TrackBar,
    GroupBox,
    ListView,
    Label,
    RightLabel,
    EditBox,
    Picture,
};

struct TemplateControl {
    int id;
    ControlKind kind;
    const char* caption;
    int x, y, w, h;  // dialog units
    bool hidden;
};

// The 29 controls in template order.
std::span<const TemplateControl> DialogTemplate102();

// 663 x 387 dialog units at 1.5 pixels each: the 995 x 581 client area of the
// 1001 x 625 design window.
inline constexpr int kTemplateWidthDu = 663;
inline constexpr int kTemplateHeightDu = 387;
inline constexpr int kClientWidth = 995;
inline constexpr int kClientHeight = 581;
inline constexpr int kDesignWindowWidth = 1001;
inline constexpr int kDesignWindowHeight = 625;

// Edges are converted separately so neighbouring controls stay neighbours.
QRect DialogUnitsToPixels(int x, int y, int w, int h);

// The status line, in dialog units: the free strip of the bottom row between the
// legend's "Non-secure" (which ends at 226) and the Exit button (at 527), a few
// units clear of both.
inline constexpr int kStatusLineX = 230;
inline constexpr int kStatusLineY = 366;
inline constexpr int kStatusLineWidth = 293;
inline constexpr int kStatusLineHeight = 14;
QRect StatusLineRect();

// The pixel width a static caption may fill: its box, less the part that another
// visible control (group boxes aside) covers, less a small gap to that control's
// frame. "Template Path:" runs under its edit box in the template.
int CaptionRoom(const TemplateControl& label);

}  // namespace velmora::ui
