#include "app/main_window_panes.h"

#include <QCoreApplication>

#include "app/desktop_site_dialogs.h"
#include "app/keyring_passwords.h"
#include "app/tree_view_link.h"
#include "browser/app_context.h"
#include "browser/remote_view.h"
#include "platform/desktop/message_seam.h"
#include "sites/site_tree.h"
#include "sites/store/catalogue_location.h"

namespace {

// What the two panes share for the whole run: the catalogue file and the site
// dialogs. It is a child of the tree, so it outlives the tree's destructor,
// which writes the catalogue.
class PaneServices : public QObject {
public:
    PaneServices(const std::string& cataloguePath, AppContext& context, QObject* parent)
        : QObject(parent),
          store(cataloguePath, [&context](const std::string& line) { context.log.Append(line); }),
          dialogs(context.settings) {}

    SiteStore store;
    DesktopSiteDialogs dialogs;
};

std::string CataloguePath() {
    std::vector<std::string> arguments;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i) arguments.push_back(all[i].toStdString());
    const CatalogueLocation location = ResolveCataloguePath(arguments);
    return location.path.empty() ? DefaultCataloguePath() : location.path;
}

}  // namespace

MainWindowPanes CreateMainWindowPanes(AppContext& context, QWidget* parent) {
    MainWindowPanes panes;
    // The tree needs its store before it exists; the services move under it
    // right after.
    auto* services = new PaneServices(CataloguePath(), context, nullptr);
    auto* tree = new SiteTree(services->store, parent);
    services->setParent(tree);
    tree->setAccessibleName(QStringLiteral("Sites"));
    UseKeyringUnlessDeclined(services->store, context.passwordVault, context.settings);
    tree->LoadCatalogue();
    SettleKeyringPasswords(services->store, context.settings, parent, [tree] { return tree->SaveCatalogue().saved; });

    auto* view = new RemoteView(context, tree->Catalogue(), services->dialogs, parent);
    LinkTreeAndView(*tree, *view);
    view->FirstUpdate();
    panes.siteTree = tree;
    panes.listView = view;
    return panes;
}
