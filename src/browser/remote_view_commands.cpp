// The context menus, the commands the view handles itself, and its keys.
#include <QApplication>
#include <QMenu>

#include "browser/app_context.h"
#include "browser/remote_view.h"
#include "browser/view_command_ids.h"
#include "ftp/ftp_session.h"
#include "platform/desktop/command_ids.h"
#include "platform/desktop/message_seam.h"

namespace {

QAction* AddCommand(QMenu* menu, const QString& text, int commandId) {
    QAction* action = menu->addAction(text);
    action->setData(commandId);
    return action;
}

}  // namespace

QMenu* RemoteView::BuildContextMenu() {
    const int row = list->NextSelected(-1);
    if (row < 0) return nullptr;
    const QString label = list->ItemText(row, RemoteListModel::kName);
    auto* menu = new QMenu(this);
    menu->setTitle(QStringLiteral("&Title Context Menu"));
    // "&" in a file name would become a mnemonic; double it to show it as typed.
    QString shown = label;
    shown.replace(u'&', QStringLiteral("&&"));
    switch (list->KindAt(row)) {
        case ItemKind::File:
        case ItemKind::Directory:
            AddCommand(menu, QStringLiteral("&Open ") + shown, kCmdOpenItem);
            menu->addSeparator();
            AddCommand(menu, QStringLiteral("&Disconnect"), kCmdDisconnect);
            menu->addSeparator();
            AddCommand(menu, QStringLiteral("&Delete"), kCmdDeleteFromList);
            AddCommand(menu, QStringLiteral("Rena&me"), kCmdRename);
            menu->addSeparator();
            AddCommand(menu, QStringLiteral("&Properties"), kCmdProperties);
            break;
        case ItemKind::Site:
            AddCommand(menu, QStringLiteral("&Connect to ") + shown, kCmdConnectTo);
            AddCommand(menu, QStringLiteral("&Disconnect"), kCmdDisconnect);
            menu->addSeparator();
            AddCommand(menu, QStringLiteral("&Add Profile"), kCmdNewSite);
            AddCommand(menu, QStringLiteral("&Delete ") + shown, kCmdDeleteSite);
            menu->addSeparator();
            AddCommand(menu, QStringLiteral("&Properties for ") + shown, kCmdProperties);
            break;
        default:
            AddCommand(menu, QStringLiteral("&Open Connection"), kCmdOpenConnection);
            break;
    }
    // Every entry is one of the frame's commands, enabled by the frame's rules.
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        const int id = action->data().toInt();
        action->setEnabled(commandEnabled ? commandEnabled(id) : [&] {
            bool enabled = false;
            return CommandEnabled(id, enabled) && enabled;
        }());
    }
    return menu;
}

void RemoteView::showContextMenu(const QPoint& globalPos) {
    QMenu* menu = BuildContextMenu();
    if (!menu) return;
    QAction* chosen = menu->exec(globalPos);
    const int id = chosen ? chosen->data().toInt() : 0;
    menu->deleteLater();
    if (id == 0) return;
    if (runCommand) {
        runCommand(id);
    } else {
        HandleCommand(id);
    }
}

bool RemoteView::HandleCommand(int commandId) {
    switch (commandId) {
        case kCmdUpOneLevel:
            GoUp();
            return true;
        case kCmdDisconnect:
            Disconnect(true);
            return true;
        case kCmdOpenItem:
        case kCmdConnectTo:  // connects, as Open does on a site
            OpenItem();
            return true;
        case kCmdProperties:
            ShowProperties();
            return true;
        case kCmdDelete:
        case kCmdDeleteFromList:
        case kCmdDeleteSite:  // deletes the selected sites, with the confirmation
            DeleteSelected();
            return true;
        case kCmdLargeIcons:
        case kCmdDetails:
        case kCmdSmallIcons:
        case kCmdList:
            return false;  // the frame switches the mode and checks its button
        default:
            return false;
    }
}

bool RemoteView::CommandEnabled(int commandId, bool& enabled) const {
    const bool connected = context.session.connected != 0;
    switch (commandId) {
        case kCmdUpOneLevel:
        case kCmdDisconnect:
            enabled = connected;
            return true;
        case kCmdOpenItem:
        case kCmdConnectTo:
        case kCmdDeleteSite:
            enabled = true;
            return true;
        case kCmdProperties:
        case kCmdDelete:
        case kCmdDeleteFromList:
            enabled = list->SelectedCount() > 0;
            return true;
        case kCmdRename:
            enabled = list->SelectedCount() == 1;
            return true;
        case kCmdOpenConnection:
            enabled = false;  // it has no handler anywhere
            return true;
        default:
            return false;
    }
}

bool RemoteView::UpdateCommandState(int commandId, CommandState& state) {
    bool enabled = false;
    if (!CommandEnabled(commandId, enabled)) return false;
    state.enabled = enabled;
    return true;
}

void RemoteView::onKeyPressed(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return;
    switch (key) {
        case Qt::Key_Backspace:
            if (autoRepeat) return;  // only the first press of the key goes up
            if (context.session.connected) {
                GoUp();
            } else {
                DesktopBeep();
            }
            break;
        case Qt::Key_Delete:
            if (list->SelectedCount() > 0) DeleteSelected();
            break;
        case Qt::Key_F2:
            emit commandRequested(kCmdRename);
            break;
        case Qt::Key_F5:
            emit commandRequested(kCmdRefresh);
            break;
        default:
            break;
    }
}
