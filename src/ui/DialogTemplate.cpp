#include "ui/DialogTemplate.h"

#include <algorithm>
#include <array>

namespace velmora::ui {

namespace {

using K = ControlKind;

constexpr std::array<TemplateControl, 29> kControls{{
    {kIdExit, K::PushButton, "Exit", 527, 366, 64, 14, false},
    {kIdFlashSecureBar, K::ColorButton, "APROM", 7, 7, 32, 163, false},
    {kIdFlashNonSecureBar, K::ColorButton, "APROM_NS", 7, 171, 32, 205, false},
    {kIdFlashTrackBar, K::TrackBar, "", 42, 13, 13, 365, false},
    {kIdStatic, K::GroupBox, "APROM", 7, 7, 52, 373, false},
    {kIdSramSecureBar, K::ColorButton, "SRAM", 68, 7, 32, 163, false},
    {kIdSramNonSecureBar, K::ColorButton, "SRAM_NS", 68, 171, 32, 205, false},
    {kIdSramTrackBar, K::TrackBar, "", 101, 14, 13, 365, false},
    {kIdStatic, K::GroupBox, "SRAM", 62, 7, 56, 373, false},
    {kIdProjectGrid, K::ListView, "", 119, 95, 537, 107, false},
    {kIdXomGrid, K::ListView, "", 422, 17, 177, 64, false},
    {kIdStatic, K::GroupBox, "Peripheral Configuration", 119, 206, 537, 119, false},
    {kIdStatic, K::Label, "Secure", 146, 370, 22, 8, false},
    {kIdStatic, K::Label, "Non-secure", 190, 370, 36, 8, false},
    {kIdLegendSecure, K::ColorButton, "", 129, 367, 14, 14, false},
    {kIdLegendNonSecure, K::ColorButton, "", 174, 367, 14, 14, false},
    {kIdCreateTemplate, K::PushButton, "Create Template", 592, 366, 64, 14, false},
    {kIdTemplatePath, K::EditBox, "", 164, 344, 439, 14, false},
    {kIdStatic, K::Label, "Template Path:", 119, 348, 47, 8, false},
    {kIdStatic, K::GroupBox, "Memory Configuration", 119, 7, 300, 77, false},
    {kIdInfoText, K::Label, "ROM/RAM Info", 572, 239, 66, 61, true},
    {kIdBspPath, K::EditBox, "", 164, 330, 439, 14, false},
    {kIdStatic, K::RightLabel, "BSP Path:", 128, 334, 33, 8, false},
    {kIdBrowseBsp, K::PushButton, "...", 606, 330, 50, 14, false},
    {kIdBrowseTemplate, K::PushButton, "...", 606, 344, 50, 14, false},
    {kIdMemoryTable, K::ListView, "", 121, 17, 296, 58, false},
    {kIdStatic, K::GroupBox, "XOM Configuration", 420, 7, 181, 78, false},
    {kIdStatic, K::GroupBox, "Project Configuration", 119, 85, 537, 120, false},
    {kIdLogo, K::Picture, "", 608, 27, 32, 32, false},
}};

constexpr int ToPixels(int units) { return units * 3 / 2; }

// Keeps a caption's last glyph off the frame of the control beside it.
constexpr int kCaptionGap = 3;

QRect PixelRect(const TemplateControl& item) {
    return DialogUnitsToPixels(item.x, item.y, item.w, item.h);
}

}  // namespace

std::span<const TemplateControl> DialogTemplate102() { return kControls; }

QRect DialogUnitsToPixels(int x, int y, int w, int h) {
    const int left = ToPixels(x);
    const int top = ToPixels(y);
    return QRect(left, top, ToPixels(x + w) - left, ToPixels(y + h) - top);
}

QRect StatusLineRect() {
    return DialogUnitsToPixels(kStatusLineX, kStatusLineY, kStatusLineWidth, kStatusLineHeight);
}

int CaptionRoom(const TemplateControl& label) {
    const QRect box = PixelRect(label);
    int left = box.left();
    int right = box.right() + 1;
    for (const TemplateControl& other : kControls) {
        if (&other == &label || other.hidden || other.kind == ControlKind::GroupBox) continue;
        const QRect covering = PixelRect(other);
        if (!covering.intersects(box)) continue;
        if (covering.left() > box.left())
            right = std::min(right, covering.left() - kCaptionGap);
        else
            left = std::max(left, covering.right() + 1 + kCaptionGap);
    }
    return std::max(0, right - left);
}

}  // namespace velmora::ui
