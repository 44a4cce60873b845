#include "app/tree_view_link.h"

#include "browser/remote_view.h"
#include "sites/site_tree.h"

void LinkTreeAndView(SiteTree& tree, RemoteView& view) {
    QObject::connect(&view, &RemoteView::placeChanged, &tree, &SiteTree::FollowPlace);
    QObject::connect(&view, &RemoteView::groupShown, &tree, &SiteTree::SetCurrentNode);
    QObject::connect(&view, &RemoteView::folderListed, &tree, &SiteTree::AddDirectoryNode);
    QObject::connect(&view, &RemoteView::folderGone, &tree, &SiteTree::RemoveFolderNode);
    QObject::connect(&view, &RemoteView::certificateTrusted, &tree, &SiteTree::RememberCertificate);

    QObject::connect(&tree, &SiteTree::placeRequested, &view, &RemoteView::GoToSitePath);
    QObject::connect(&tree, &SiteTree::groupOpened, &view, &RemoteView::ShowGroup);
    QObject::connect(&tree, &SiteTree::labelChanged, &view, &RemoteView::SetItemLabel);
    QObject::connect(&tree, &SiteTree::folderRenameRequested, &view, &RemoteView::RenameDirectoryByName);
    QObject::connect(&tree, &SiteTree::disconnectRequested, &view, &RemoteView::Disconnect);

    // The tree starts where the view is.
    tree.FollowPlace(view.Place());
    tree.SetCurrentNode(view.ShownGroup());
}
