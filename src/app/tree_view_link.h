#pragma once

class RemoteView;
class SiteTree;

// Connects the site tree and the list view, which know nothing of each other:
// the tree follows where the view is (its place, the group it lists, the
// folders it lists or loses, a certificate trusted for a site), and the view
// takes the tree's requests (a place or group opened, a relabelled item, a
// folder renamed in the tree, a disconnect before a deletion). Either may be
// destroyed first; the connections go with it.
void LinkTreeAndView(SiteTree& tree, RemoteView& view);
