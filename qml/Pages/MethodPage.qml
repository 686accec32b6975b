import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// Short articles on the way of working Quorvel is built for: a list of
// titles on the left, the chosen article on the right.
Item {
    id: page
    objectName: "methodPage"

    readonly property string pageName: "methodpage"
    readonly property var window: ApplicationWindow.window
    readonly property var articles: [
        { "key": "inbox", "icon": "inbox", "title": qsTr("Collect everything in the Quorvel Box"),
          "text": qsTr("Whatever comes to mind during the day — a call to make, an idea, a promise — goes into the Quorvel Box at once, with Ctrl+Shift+N from anywhere in the window. Do not sort it yet: the point is to get it out of your head in a few seconds.\n\nOnce a day, empty the box: give each task a project, a context and a date, or delete it. A box that is emptied every day is a box you can trust.") },
        { "key": "dailyplan", "icon": "calendar", "title": qsTr("Plan each day the evening before"),
          "text": qsTr("The daily plan shows the tasks due on a day, the overdue ones and those that could be done then. Spend five minutes in the evening choosing what tomorrow really holds, and drag the rest onto other days of the calendar.\n\nA short plan you finish is better than a long one you abandon: leave room for the unexpected.") },
        { "key": "projects", "icon": "projects", "title": qsTr("Projects, folders and the next step"),
          "text": qsTr("A project is any outcome that takes more than one step. Keep projects in folders by area of life — work, home, health — and make sure every active project has a next step you could do today.\n\nTasks that need only one step belong in One Step Actions.") },
        { "key": "contexts", "icon": "contexts", "title": qsTr("Contexts: where and how"),
          "text": qsTr("A context says what you need to do a task: a place (office, home, shop), a tool (phone, computer) or a person. When you are in a context, its list shows everything you can do there, across all your projects.") },
        { "key": "repeat", "icon": "repeat", "title": qsTr("Repeating tasks and reminders"),
          "text": qsTr("Routines — paying the rent, watering the plants, a weekly review — repeat by a rule: every few days, on chosen weekdays, monthly or yearly. Completing a repeated task moves it to its next date.\n\nReminders fire even when the window is closed, as long as Quorvel runs in the tray. Snooze puts a reminder off for fifteen minutes.") },
        { "key": "sync", "icon": "sync", "title": qsTr("Sync between your devices"),
          "text": qsTr("Sign in to your account in Settings to keep your tasks on every device. Quorvel syncs in the background when it starts, when the window comes back and after your changes; the status bar shows when it last synced.\n\nYou can work offline at any time: your changes wait on this device and go out with the next sync.") }
    ]
    property int currentArticle: 0

    function openArticle(key) {
        for (var i = 0; i < articles.length; ++i) {
            if (articles[i].key === key) {
                currentArticle = i
                return true
            }
        }
        return false
    }
    function discard() { return false }

    RowLayout {
        anchors.fill: parent
        spacing: 0

        ListView {
            id: titles
            objectName: "methodArticles"
            Layout.preferredWidth: 280
            Layout.fillHeight: true
            topMargin: Theme.pageMargin
            model: page.articles
            currentIndex: page.currentArticle
            header: Label {
                width: titles.width
                leftPadding: Theme.pageMargin
                bottomPadding: Theme.groupSpacing
                text: qsTr("Method")
                font.pixelSize: Theme.pageTitleSize
                font.weight: Font.DemiBold
                color: Theme.text
            }
            delegate: ItemDelegate {
                id: entry
                objectName: "methodArticle_" + modelData.key
                readonly property bool selected: index === page.currentArticle
                width: titles.width - Theme.spacing * 2
                x: Theme.spacing
                height: Math.max(40, titleLabel.implicitHeight + 16)
                hoverEnabled: true
                Accessible.name: modelData.title
                onClicked: page.currentArticle = index
                background: Rectangle {
                    radius: Theme.radius
                    color: entry.selected ? Theme.selection : (entry.hovered ? Theme.hover : "transparent")
                }
                contentItem: RowLayout {
                    spacing: 10
                    Image {
                        Layout.preferredWidth: 18
                        Layout.preferredHeight: 18
                        Layout.leftMargin: 8
                        sourceSize: Qt.size(36, 36)
                        source: Theme.icon(modelData.icon, entry.selected ? Theme.accent : Theme.secondaryText)
                    }
                    Label {
                        id: titleLabel
                        Layout.fillWidth: true
                        text: modelData.title
                        wrapMode: Text.WordWrap
                        color: entry.selected ? Theme.accent : Theme.text
                        font.weight: entry.selected ? Font.DemiBold : Font.Normal
                    }
                }
            }
        }
        Rectangle {
            Layout.fillHeight: true
            Layout.preferredWidth: 1
            color: Theme.line
        }
        Flickable {
            id: reader
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            contentHeight: article.implicitHeight + Theme.pageMargin * 2
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar {}

            ColumnLayout {
                id: article
                x: Theme.pageMargin
                y: Theme.pageMargin
                width: Math.min(reader.width - Theme.pageMargin * 2, 640)
                spacing: Theme.groupSpacing
                Label {
                    objectName: "methodArticleTitle"
                    Layout.fillWidth: true
                    text: page.articles[page.currentArticle].title
                    wrapMode: Text.WordWrap
                    font.pixelSize: Theme.pageTitleSize
                    font.weight: Font.DemiBold
                    color: Theme.text
                }
                Label {
                    objectName: "methodArticleText"
                    Layout.fillWidth: true
                    text: page.articles[page.currentArticle].text
                    textFormat: Text.PlainText
                    wrapMode: Text.WordWrap
                    lineHeight: 1.3
                    font.pixelSize: Theme.rowTitleSize
                    color: Theme.text
                }
            }
        }
    }
}
