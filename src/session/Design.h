#pragma once
// The design of the desktop windows, the same in every toolkit: colours,
// fonts, and the places and sizes of the windows and their controls, in
// pixels at 96 dots per inch (each toolkit scales them to its screen). The
// texts are those of text/Messages.h. The Qt and the Win32 windows read
// their measures from here and keep only how their toolkit draws them.

#include <cstdint>

namespace vindeleo::design {

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// Painted from top to bottom: start, middle at half the height, end.
struct Gradient {
    Rgb start;
    Rgb middle;
    Rgb end;
};

// A place in the window or panel that holds the control.
struct Box {
    int x;
    int y;
    int width;
    int height;
};

// A face that is missing is replaced by the system's sans-serif face.
struct Font {
    const char* face;
    int points;
    bool bold;
};

// The colours.
inline constexpr Gradient kWarmGradient{{249, 211, 125}, {255, 255, 255}, {255, 238, 221}};
inline constexpr Gradient kCoolGradient{{194, 205, 254}, {207, 242, 254}, {204, 216, 230}};
inline constexpr Rgb kVersionRed{255, 0, 0};
inline constexpr Rgb kMaroon{128, 0, 0};
inline constexpr Rgb kComboYellow{255, 255, 0};
// The buttons' glyphs: the green check mark of an OK-kind button, and the
// door (outline and wood) with its arrow leading out of a close-kind button.
inline constexpr Rgb kCheckMarkGreen{0, 128, 0};
inline constexpr Rgb kDoorOutline{64, 64, 64};
inline constexpr Rgb kDoorWood{170, 110, 50};
inline constexpr Rgb kDoorArrow{0, 0, 128};

// The fonts.
inline constexpr Font kWindowFont{"MS Sans Serif", 8, false};  // the windows' own, and the list's
inline constexpr Font kBoldFont{"MS Sans Serif", 8, true};     // the version label, the chooser's combo box and button
inline constexpr Font kHeadingFont{"Arial", 12, true};         // the main window's two headings
inline constexpr Font kPromptFont{"Arial", 8, true};           // the chooser's prompt
inline constexpr Font kMaroonFont{"Arial", 10, true};          // the chooser's maroon labels
inline constexpr Font kReportFont{"Courier New", 9, false};    // the copies window's report

// The main window ("MForm"): two warm upper panels side by side, each with
// its heading and its conversion button, over a cool lower panel with "Salir",
// the help button and the red version label. The lower panel's top row lies
// over the upper panels' last one.
namespace main_window {
inline constexpr int kClientWidth = 632;
inline constexpr int kClientHeight = 266;
inline constexpr Box kLeftPanel{1, 0, 315, 169};     // Draw3D2
inline constexpr Box kRightPanel{316, 0, 317, 169};  // Draw3D3
inline constexpr Box kLowerPanel{0, 168, 633, 97};   // Draw3D1
// In the left panel.
inline constexpr Box kLabel3{24, 24, 265, 57};  // the import's heading
inline constexpr Box kBExportar{96, 120, 89, 25};
// In the right panel.
inline constexpr Box kLabel4{8, 24, 305, 57};  // the export's heading
inline constexpr Box kBImportar{96, 120, 89, 25};
// In the lower panel; the version label sizes itself to its text.
inline constexpr Box kBClose{256, 32, 89, 25};
inline constexpr Box kButton1{264, 64, 75, 25};
inline constexpr int kLabel1X = 8;
inline constexpr int kLabel1Y = 72;
}  // namespace main_window

// The help context that F1 on the main window opens.
inline constexpr int kHelpContext = 3;

// The template chooser ("Plantillas"): one warm panel that fills the window.
namespace chooser {
inline constexpr int kClientWidth = 369;
inline constexpr int kClientHeight = 193;
inline constexpr Box kPanel{0, 0, kClientWidth, kClientHeight};
inline constexpr Box kLabelPlantillas{16, 2, 321, 33};  // the prompt
inline constexpr Box kComboBoxPlantilla{8, 49, 81, 21};
// The template's name and dates: at least their box's width, wider for a longer text.
inline constexpr Box kLabelNombre{9, 76, 120, 23};
inline constexpr Box kLabelPlanFec1{9, 106, 120, 23};
inline constexpr Box kLabelPlanFec2{9, 138, 120, 23};
inline constexpr Box kLabel1{215, 30, 67, 18};  // the time slots' heading
inline constexpr Box kListBox1{152, 47, 193, 114};
inline constexpr Box kBitBtnContinuar{255, 165, 89, 25};
}  // namespace chooser

}  // namespace vindeleo::design
