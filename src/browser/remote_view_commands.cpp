// The context menus, the actions they show, and the view's keys.
#include <QAction>
#include <QApplication>
#include <QMenu>

#include "browser/app_context.h"
#include "browser/remote_view.h"
#include "ftp/ftp_session.h"
#include "platform/desktop/message_seam.h"

void RemoteView::CreateActions() {
    const struct {
        QAction* RemoteView::*action;
        const char* name;
        const char* text;  // null: set when a menu names the item
        ActionRule rule;
        void (RemoteView::*run)();
    } entries[] = {
        {&RemoteView::openAction, "listOpen", nullptr, ActionRule::Always, &RemoteView::OpenItem},
        // Connecting is what Open does on a site.
        {&RemoteView::connectToAction, "listConnectTo", nullptr, ActionRule::Always, &RemoteView::OpenItem},
        {&RemoteView::openConnectionAction, "listOpenConnection", "&Open Connection", ActionRule::Never,
         nullptr},
        {&RemoteView::disconnectAction, "listDisconnect", "&Disconnect", ActionRule::Connected,
         &RemoteView::DisconnectAsking},
        {&RemoteView::deleteAction, "listDelete", "&Delete", ActionRule::Selection,
         &RemoteView::DeleteSelected},
        // Deletes the selected sites, with the confirmation.
        {&RemoteView::deleteSiteAction, "listDeleteSite", nullptr, ActionRule::Always,
         &RemoteView::DeleteSelected},
        {&RemoteView::renameAction, "listRename", "Rena&me", ActionRule::OneSelected, nullptr},
        {&RemoteView::uploadAction, "listUpload", "&Upload...", ActionRule::Connected,
         &RemoteView::UploadChosenFiles},
        {&RemoteView::downloadToAction, "listDownloadTo", "Download &To...",
         ActionRule::ConnectedWithSelection, &RemoteView::DownloadSelectedTo},
        {&RemoteView::propertiesAction, "listProperties", nullptr, ActionRule::Selection,
         &RemoteView::ShowProperties},
        {&RemoteView::addProfileAction, "listAddProfile", "&Add Profile", ActionRule::NotConnected, nullptr},
        {&RemoteView::createDirectoryAction, "listCreateDirectory", "Create &Directory...",
         ActionRule::Connected, nullptr},
        {&RemoteView::refreshAction, "listRefresh", "&Refresh", ActionRule::Connected,
         &RemoteView::LoadListing},
    };
    for (const auto& entry : entries) {
        auto* action = new QAction(entry.text ? QString::fromLatin1(entry.text) : QString(), this);
        action->setObjectName(QString::fromLatin1(entry.name));
        if (entry.run) connect(action, &QAction::triggered, this, entry.run);
        this->*entry.action = action;
        contextActions.push_back({action, entry.rule});
    }
    UpdateActionStates();
}

void RemoteView::UpdateActionStates() {
    const bool connected = Connected();
    const bool selection = list->HasSelection();
    const bool oneSelected = list->HasOneSelected();
    for (const auto& [action, rule] : contextActions) {
        switch (rule) {
            case ActionRule::Always:
                action->setEnabled(true);
                break;
            case ActionRule::Never:
                action->setEnabled(false);
                break;
            case ActionRule::Connected:
                action->setEnabled(connected);
                break;
            case ActionRule::NotConnected:
                action->setEnabled(!connected);
                break;
            case ActionRule::Selection:
                action->setEnabled(selection);
                break;
            case ActionRule::OneSelected:
                action->setEnabled(oneSelected);
                break;
            case ActionRule::ConnectedWithSelection:
                action->setEnabled(connected && selection);
                break;
        }
    }
}

void RemoteView::DisconnectAsking() { Disconnect(true); }

QAction* RemoteView::AddMenuEntry(QMenu* menu, QAction* action, const QString& text) {
    if (!text.isEmpty()) action->setText(text);
    menu->addAction(action);
    return action;
}

QMenu* RemoteView::BuildContextMenu() {
    const int row = list->NextSelected(-1);
    // Without a selection there is a menu only in a remote directory: what
    // adds to it.
    if (row < 0 && (!showsRemoteDirectory || !Connected())) return nullptr;
    auto* menu = new QMenu(this);
    menu->setTitle(QStringLiteral("&Title Context Menu"));
    if (row < 0) {
        AddMenuEntry(menu, uploadAction);
        AddMenuEntry(menu, createDirectoryAction);
        menu->addSeparator();
        AddMenuEntry(menu, refreshAction);
        return menu;
    }
    const QString label = list->ItemText(row, RemoteListModel::kName);
    // "&" in a file name would become a mnemonic; double it to show it as typed.
    QString shown = label;
    shown.replace(u'&', QStringLiteral("&&"));
    switch (list->KindAt(row)) {
        case ItemKind::File:
        case ItemKind::Directory:
            AddMenuEntry(menu, openAction, QStringLiteral("&Open ") + shown);
            menu->addSeparator();
            AddMenuEntry(menu, disconnectAction);
            menu->addSeparator();
            AddMenuEntry(menu, deleteAction);
            AddMenuEntry(menu, renameAction);
            menu->addSeparator();
            AddMenuEntry(menu, uploadAction);
            AddMenuEntry(menu, downloadToAction);
            menu->addSeparator();
            AddMenuEntry(menu, propertiesAction, QStringLiteral("&Properties"));
            break;
        case ItemKind::Site:
            AddMenuEntry(menu, connectToAction, QStringLiteral("&Connect to ") + shown);
            AddMenuEntry(menu, disconnectAction);
            menu->addSeparator();
            AddMenuEntry(menu, addProfileAction);
            AddMenuEntry(menu, deleteSiteAction, QStringLiteral("&Delete ") + shown);
            menu->addSeparator();
            AddMenuEntry(menu, propertiesAction, QStringLiteral("&Properties for ") + shown);
            break;
        default:
            AddMenuEntry(menu, openConnectionAction);
            break;
    }
    return menu;
}

void RemoteView::showContextMenu(const QPoint& globalPos) {
    QMenu* menu = BuildContextMenu();
    if (!menu) return;
    menu->exec(globalPos);
    menu->deleteLater();
}

void RemoteView::onKeyPressed(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return;
    switch (key) {
        case Qt::Key_Backspace:
            if (autoRepeat) return;  // only the first press of the key goes up
            if (Connected()) {
                GoUp();
            } else {
                DesktopBeep();
            }
            break;
        default:
            break;
    }
}
