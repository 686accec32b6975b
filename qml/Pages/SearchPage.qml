import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"
import "../Delegates"

// Results of the tool bar's search, pushed over the current page while the
// search field holds text.
Item {
    id: page
    objectName: "searchPage"

    readonly property string pageName: "searchpage"
    readonly property var window: ApplicationWindow.window
    property var results: null

    function refresh() { results = SearchHelper.model }
    function discard() { return false }
    function addAction() { window.showNewTaskPopup({ "PARENT": PredefinedDataHelper.quorvelBoxId }) }
    function kindIcon(type) {
        return type === "folder" ? "folder" : (type === "project" ? "project" : "context")
    }

    Component.onCompleted: refresh()

    Connections {
        target: SearchHelper
        function onSearchStringChanged() { page.refresh() }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        PageHeader {
            Layout.fillWidth: true
            title: qsTr("Search")
            subtitle: SearchHelper.searchString
            showMenu: false
        }
        ListView {
            id: resultList
            objectName: "searchResults"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: page.results
            ScrollBar.vertical: ScrollBar {}
            delegate: Loader {
                width: resultList.width
                sourceComponent: objectTypeRole === "task" || objectTypeRole === "completed" ? taskRow : otherRow
                property var record: listItemRole
                property string kind: objectTypeRole
            }
            Placeholder {
                anchors.fill: parent
                visible: resultList.count === 0
                iconName: "search"
                title: qsTr("No items found")
            }
        }
    }

    Component {
        id: taskRow
        TaskRow {
            task: record
            projectChain: record.PARENT === PredefinedDataHelper.quorvelBoxId ? qsTr("Quorvel Box")
                          : ProjectHandler.getProjectNameChain(record.PARENT).join(" / ")
            onCompletionToggled: completed ? window.uncompleteTask(record) : window.completeTask(record)
            onRenamed: window.renameTask(record, name)
        }
    }
    Component {
        id: otherRow
        ItemDelegate {
            height: Theme.compactRowHeight + 4
            contentItem: RowLayout {
                spacing: 12
                Image {
                    Layout.leftMargin: 6
                    Layout.preferredWidth: 18
                    Layout.preferredHeight: 18
                    sourceSize: Qt.size(36, 36)
                    source: Theme.icon(page.kindIcon(kind), Theme.secondaryText)
                }
                Label {
                    Layout.fillWidth: true
                    text: SearchHelper.highlightSearchString(SearchHelper.searchString, record.NAME || "")
                    textFormat: Text.StyledText
                    elide: Text.ElideRight
                    color: Theme.text
                }
            }
        }
    }
}
