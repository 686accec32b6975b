import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import com.velmora.common 1.0
import "../Components"

// How one list is ordered: by hand, by name, oldest or newest first, and
// whether dated rows are grouped by their dates.
Popup {
    id: popup
    objectName: "sortingPopup"

    property var page: null
    property int sortingType: SortingEnums.ManualType
    property bool groupByDate: false

    function openFor(listPage) {
        page = listPage
        sortingType = DataManager.getSortingType(page.listId, page.listType)
        groupByDate = DataManager.getGroupByDateParam(page.listId, page.listType)
        open()
    }
    function apply() {
        DataManager.setSortedList(page.listId, page.listType, sortingType, groupByDate)
        close()
        if (typeof page.resort === "function")
            page.resort()
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: 340
    modal: true
    focus: true
    padding: 20
    closePolicy: Popup.CloseOnEscape
    Overlay.modal: Rectangle { color: Theme.backdrop }
    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.surface
        border.color: Theme.line
    }

    contentItem: ColumnLayout {
        spacing: 4
        Label {
            Layout.bottomMargin: 8
            text: qsTr("Sort the list")
            font.pixelSize: 16
            font.weight: Font.DemiBold
            color: Theme.text
        }
        Repeater {
            model: [
                { "type": SortingEnums.ManualType, "text": qsTr("Manually") },
                { "type": SortingEnums.AlphabeticalType, "text": qsTr("By name") },
                { "type": SortingEnums.TimestampAscType, "text": qsTr("Oldest first") },
                { "type": SortingEnums.TimestampDescType, "text": qsTr("Newest first") }
            ]
            RadioButton {
                objectName: "sortType_" + modelData.type
                text: modelData.text
                checked: popup.sortingType === modelData.type
                onClicked: popup.sortingType = modelData.type
            }
        }
        Switch {
            objectName: "groupByDate"
            Layout.topMargin: 4
            text: qsTr("Group by date")
            enabled: popup.sortingType !== SortingEnums.ManualType
            checked: popup.groupByDate
            onToggled: popup.groupByDate = checked
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            Layout.topMargin: 8
            Button {
                text: qsTr("Cancel")
                flat: true
                onClicked: popup.close()
            }
            Button {
                objectName: "sortApply"
                text: qsTr("Apply")
                highlighted: true
                onClicked: popup.apply()
            }
        }
    }
}
