import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// Chooses a project or a context from its tree. Folders open and close;
// only the kind asked for can be chosen. Enter takes the current row.
Popup {
    id: popup
    objectName: "treePickerPopup"

    property string kind: "project"
    property string title
    property string currentId
    property var treeModel: null
    property var pickedCallback: null
    property bool allowNone: false

    function openFor(pickKind, selectedId, callback) {
        kind = pickKind
        currentId = selectedId || ""
        pickedCallback = callback
        allowNone = pickKind === "context"
        title = pickKind === "context" ? qsTr("Choose a context") : qsTr("Choose a project")
        treeModel = pickKind === "context" ? ContextHandler.getContextTreeModel("")
                                           : ProjectHandler.getProjectTreeModelWithQuorvelBox()
        tree.currentIndex = -1
        open()
        tree.forceActiveFocus()
    }
    function isChoosable(record) {
        return kind === "context" ? true : record.FOLDER !== true && record.FOLDER !== 1
    }
    function pick(record) {
        var callback = pickedCallback
        pickedCallback = null
        close()
        if (callback)
            callback(record)
    }
    function confirm() {
        if (tree.currentIndex < 0)
            return
        var record = tree.currentItem.record
        if (isChoosable(record))
            pick(record)
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(parent ? parent.width - 48 : 400, 400)
    height: Math.min(parent ? parent.height - 96 : 480, 480)
    modal: true
    focus: true
    padding: 16
    closePolicy: Popup.CloseOnEscape
    Overlay.modal: Rectangle { color: Theme.backdrop }

    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.surface
        border.color: Theme.line
    }

    contentItem: ColumnLayout {
        spacing: Theme.spacing
        Label {
            text: popup.title
            font.pixelSize: 16
            font.weight: Font.DemiBold
            color: Theme.text
        }
        ItemDelegate {
            objectName: "pickNone"
            Layout.fillWidth: true
            visible: popup.allowNone
            text: qsTr("No context")
            onClicked: popup.pick({ "ID": "" })
        }
        ListView {
            id: tree
            objectName: "pickerTree"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: popup.treeModel
            keyNavigationEnabled: true
            ScrollBar.vertical: ScrollBar {}
            delegate: ItemDelegate {
                id: node
                readonly property var record: treeItemRole
                objectName: "pick_" + (treeItemRole.NAME || "")
                width: tree.width
                height: 34
                highlighted: ListView.isCurrentItem || treeItemRole.ID === popup.currentId
                enabled: popup.isChoosable(treeItemRole) || hasChildrenRole
                leftPadding: 8 + (treeItemRole.LEVEL || 0) * 18
                onClicked: {
                    tree.currentIndex = index
                    if (popup.isChoosable(treeItemRole))
                        popup.pick(treeItemRole)
                    else if (isItemOpenedRole)
                        popup.treeModel.closeItem(treeItemRole.ID)
                    else
                        popup.treeModel.openItem(treeItemRole.ID)
                }
                contentItem: RowLayout {
                    spacing: 6
                    Image {
                        Layout.preferredWidth: 14
                        Layout.preferredHeight: 14
                        sourceSize: Qt.size(28, 28)
                        opacity: hasChildrenRole ? 1 : 0
                        source: Theme.icon(isItemOpenedRole ? "chevron_down" : "chevron_right", Theme.secondaryText)
                        MouseArea {
                            anchors.fill: parent
                            anchors.margins: -6
                            enabled: hasChildrenRole
                            onClicked: isItemOpenedRole ? popup.treeModel.closeItem(treeItemRole.ID)
                                                        : popup.treeModel.openItem(treeItemRole.ID)
                        }
                    }
                    Image {
                        Layout.preferredWidth: 16
                        Layout.preferredHeight: 16
                        sourceSize: Qt.size(32, 32)
                        source: Theme.icon(popup.kind === "context" ? "context"
                                           : (popup.isChoosable(treeItemRole) ? "project" : "folder"),
                                           Theme.secondaryText)
                    }
                    Label {
                        Layout.fillWidth: true
                        text: treeItemRole.ID === PredefinedDataHelper.quorvelBoxId ? qsTr("Quorvel Box")
                              : (treeItemRole.NAME || "")
                        elide: Text.ElideRight
                        color: Theme.text
                    }
                }
            }
        }
    }
}
