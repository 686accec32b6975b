pragma Singleton
import QtQuick 2.15

// Small presentation helpers shared by the pages. Nothing here decides about
// data: rules that change tasks live in the native objects.
QtObject {
    // The colour with the given opacity (0..1), for hover and selection tints.
    function withAlpha(color, alpha) {
        var c = Qt.darker(color, 1.0)
        return Qt.rgba(c.r, c.g, c.b, alpha)
    }

    // Record dates are wall-clock values labelled UTC: a date picked in the
    // interface becomes that same calendar date and time of day in UTC.
    function wallClockDate(year, month, day, hours, minutes) {
        return new Date(Date.UTC(year, month, day, hours || 0, minutes || 0, 0, 0))
    }

    function isSameUtcDay(a, b) {
        return a.getUTCFullYear() === b.getUTCFullYear() && a.getUTCMonth() === b.getUTCMonth()
            && a.getUTCDate() === b.getUTCDate()
    }

    // A count for a side-panel badge: nothing for zero, "99+" past 99.
    function badgeText(count) {
        if (!count || count <= 0)
            return ""
        return count > 99 ? "99+" : String(count)
    }
}
