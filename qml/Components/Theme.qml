pragma Singleton
import QtQuick 2.15
import com.velmora.managers 1.0

// Every colour, size and duration of the interface. Components read these
// and never hard-code their own, so the whole window follows the theme and
// the accent colour live.
QtObject {
    readonly property bool dark: Settings.appTheme === SettingsEnums.DarkTheme

    readonly property color windowBackground: dark ? "#1F1F1F" : "#FAFAFA"
    readonly property color surface: dark ? "#2B2B2B" : "#FFFFFF"
    readonly property color raisedSurface: dark ? "#333333" : "#F2F2F2"
    readonly property color line: dark ? "#3D3D3D" : "#E0E0E0"
    readonly property color text: dark ? "#ECECEC" : "#212121"
    readonly property color secondaryText: dark ? "#A0A0A0" : "#757575"
    readonly property color accent: Settings.applicationColor
    readonly property color accentText: textOn(accent)
    readonly property color danger: dark ? "#FF6E6E" : "#E53935"
    readonly property color success: dark ? "#69EFAD" : "#43A047"
    readonly property color successText: textOn(success)
    readonly property color selection: Qt.rgba(accent.r, accent.g, accent.b, 0.15)
    readonly property color hover: dark ? Qt.rgba(1, 1, 1, 0.05) : Qt.rgba(0, 0, 0, 0.04)
    readonly property color backdrop: Qt.rgba(0, 0, 0, dark ? 0.55 : 0.35)

    readonly property int bodySize: 13
    readonly property int secondarySize: 12
    readonly property int rowTitleSize: 14
    readonly property int pageTitleSize: 20
    readonly property int sectionSize: 12

    readonly property int spacing: 8
    readonly property int groupSpacing: 16
    readonly property int pageMargin: 24
    readonly property int radius: 6

    readonly property int sidePanelWidth: 232
    readonly property int sidePanelCompactWidth: 56
    readonly property int toolBarHeight: 48
    readonly property int statusBarHeight: 28
    readonly property int rowHeight: 52
    readonly property int compactRowHeight: 36

    readonly property int fastDuration: 120
    readonly property int normalDuration: 180

    // White or near-black, whichever reads better on the background: the
    // accent is the user's choice and the dark theme's are light colours.
    function textOn(background) {
        function linear(channel) {
            return channel <= 0.03928 ? channel / 12.92 : Math.pow((channel + 0.055) / 1.055, 2.4)
        }
        var luminance = 0.2126 * linear(background.r) + 0.7152 * linear(background.g)
                        + 0.0722 * linear(background.b)
        // Contrast ratios against white (luminance 1) and against #1F1F1F
        // (luminance 0.0137).
        return 1.05 / (luminance + 0.05) >= (luminance + 0.05) / 0.0637 ? "#FFFFFF" : "#1F1F1F"
    }

    // The coloured icon provider paints one SVG in the theme's colours.
    function icon(name, color) {
        return "image://coloredicon/" + name + ".svg" + (color ? "&" + color : "")
    }
}
