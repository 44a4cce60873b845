// Opening items, changing directory and going up.
#include <QTreeWidgetItem>

#include "browser/app_context.h"
#include "browser/remote_view.h"
#include "browser/wait_cursor.h"
#include "ftp/ftp_session.h"
#include "platform/desktop/message_seam.h"
#include "sites/site_tree.h"

void RemoteView::OpenItem(OpenSource source) {
    ItemKind kind = tree.CurrentKind();
    QString label;
    if (source == OpenSource::List) {
        currentItem = list->NextSelected(-1);
        label = list->ItemText(currentItem, RemoteListModel::kName);
        tree.SelectChildByLabel(label);
        kind = list->KindAt(currentItem);
    }
    switch (kind) {
        case ItemKind::Group:
            FillCatalogue();
            break;
        case ItemKind::Site:
            context.quickConnect = false;
            ConnectToSite(tree.CurrentProfile());
            break;
        case ItemKind::Directory:
            if (source == OpenSource::List) {
                ChangeDirectory(label);
            } else {
                OpenDirectoryNode();
            }
            break;
        case ItemKind::File:
            if (source == OpenSource::List) DownloadAndOpen(label);
            break;
        default:
            break;
    }
    Arrange();
}

void RemoteView::OpenDirectoryNode() {
    SiteProfile profile;
    QString path;
    if (!tree.CurrentSiteAndPath(profile, path)) return;
    path += tree.CurrentLabel();
    FtpSession& session = context.session;
    const bool otherHost = session.Settings().host != profile.host;
    if (otherHost || !session.IsConnected()) {
        if (otherHost) {
            session.Quit();
            context.quickConnect = false;
        }
        // The login directory's listing belongs under the site, not under the
        // directory node; the node becomes current again for its own listing.
        QTreeWidgetItem* const node = tree.CurrentNode();
        QTreeWidgetItem* site = node;
        while (site && SiteTree::KindOf(site) != ItemKind::Site) site = site->parent();
        tree.SetCurrentNode(site);
        ConnectToSite(profile);
        if (session.IsConnected()) tree.SetCurrentNode(node);
    } else {
        session.ChangeToRoot();
    }
    if (session.IsConnected()) ChangeDirectory(path);
}

ReplyClass RemoteView::ChangeDirectory(const QString& name) {
    WaitCursor wait;
    const QString target = name.isEmpty() ? SelectedName() : name;
    const ReplyClass replyClass = context.session.ChangeDir(target.toStdString());
    if (replyClass == kComplete) {
        LoadListing();
    } else if (replyClass == kTransient) {
        Disconnect(false);
        ShowMessage(this, QStringLiteral(
            "The connection was closed without me knowing about it, try logging on again."));
    }
    return replyClass;
}

void RemoteView::GoUp() {
    if (context.quickConnect) {
        ChangeDirectory(QStringLiteral(".."));
        return;
    }
    QTreeWidgetItem* const before = tree.CurrentNode();
    switch (tree.GoToParent()) {
        case 3:
        case 5:
            ChangeDirectory(QStringLiteral(".."));
            break;
        case 6:
            if (AskYesNo(this, QStringLiteral("You are at the root directory, are you sure you want to disconnect from ") +
                                   SessionHost())) {
                context.session.Quit();
                FillCatalogue();
            } else {
                // Still connected and still showing the site: the current node
                // goes back to the site, or the next listing would file its
                // directories under the group.
                tree.SetCurrentNode(before);
            }
            break;
        default:
            break;
    }
}
