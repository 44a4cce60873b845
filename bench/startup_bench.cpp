// How long the site tree takes to read catalogues of many sites and show them
// (the part of start-up that grows with the catalogue), and to take the
// folders of a large listing. Not a test: it prints figures.
//
//   startup_bench   (offscreen unless QT_QPA_PLATFORM says otherwise)
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "sites/site_tree.h"
#include "sites/store/site_catalogue.h"
#include "sites/store/site_store.h"

namespace {

double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Cost {
    double wall = 0;
    double cpu = 0;
};

Cost Measure(const std::function<void()>& work) {
    QElapsedTimer wall;
    const double cpu = CpuSeconds();
    wall.start();
    work();
    return {static_cast<double>(wall.nsecsElapsed()) / 1e9, CpuSeconds() - cpu};
}

// A catalogue file of `groups` groups holding `sites` sites in all, written
// in an order the reader has to sort.
std::string WriteCatalogue(const QString& directory, int groups, int sites) {
    SiteCatalogue catalogue;
    for (int group = 0; group < groups; ++group) catalogue.AppendGroup("Group " + std::to_string(group));
    for (int site = 0; site < sites; ++site) {
        SiteProfile profile;
        profile.name = "site " + std::to_string(site * 7919 % sites);
        profile.host = "ftp" + std::to_string(site) + ".example.org";
        profile.userId = "anonymous";
        catalogue.groups[static_cast<std::size_t>(site % groups)].sites.push_back(profile);
    }
    const std::string path =
        (directory + QStringLiteral("/Wexal-%1-%2.INI").arg(groups).arg(sites)).toStdString();
    SiteStore(path).SaveCatalogue(catalogue);
    return path;
}

// Reading the file into a new tree and showing it, as the main window does.
Cost StartTree(const std::string& path) {
    SiteStore store(path);
    std::unique_ptr<SiteTree> tree;
    const Cost cost = Measure([&] {
        tree = std::make_unique<SiteTree>(store);
        tree->resize(240, 480);
        tree->LoadCatalogue();
        tree->show();
        QApplication::processEvents();
    });
    tree->hide();
    // Nothing changed: the rewrite at destruction is not part of start-up.
    QFile::remove(QString::fromStdString(path));
    return cost;
}

// The same file read into plain vectors: the share of start-up that is the
// file and its parsing, without any item.
Cost ReadOnly(const std::string& path) {
    return Measure([&] {
        SiteCatalogue catalogue;
        SiteStore(path).LoadCatalogue(catalogue);
    });
}

// Folders of a listing joining the tree under the current site, then shown.
Cost AddFolders(int folders) {
    QTemporaryDir directory;
    const std::string path = WriteCatalogue(directory.path(), 1, 1);
    SiteStore store(path);
    SiteTree tree(store);
    tree.resize(240, 480);
    tree.LoadCatalogue();
    tree.show();
    QApplication::processEvents();
    tree.SetCurrentNode(tree.model()->index(0, 0, tree.model()->index(0, 0)));
    return Measure([&] {
        for (int folder = 0; folder < folders; ++folder)
            tree.AddDirectoryNode(QStringLiteral("folder %1").arg(folder));
        QApplication::processEvents();
    });
}

void Row(const char* what, const Cost& cost, const Cost& baseline, double target) {
    const double extra = cost.wall - baseline.wall;
    std::printf("%-44s %8.3f s wall %8.3f s CPU   +%.3f s over empty  (target +%.1f s: %s)\n", what,
                cost.wall, cost.cpu, extra, target, extra <= target ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir directory;

    std::printf(
        "Site tree start-up: read the catalogue and show the tree (lower is better; the target is\n"
        "the time above an empty catalogue)\n");
    StartTree(WriteCatalogue(directory.path(), 1, 1));  // warms the style and fonts up
    const Cost empty = StartTree(WriteCatalogue(directory.path(), 1, 0));
    Row("empty catalogue", empty, empty, 0.5);
    Row("1,000 sites in one group", StartTree(WriteCatalogue(directory.path(), 1, 1000)), empty, 0.5);
    Row("10,000 sites in one group", StartTree(WriteCatalogue(directory.path(), 1, 10000)), empty, 0.5);
    const std::string largest = WriteCatalogue(directory.path(), 1000, 100000);
    const Cost parsing = ReadOnly(largest);
    Row("100,000 sites in 1,000 groups", StartTree(largest), empty, 0.5);
    std::printf("  of which reading the file into plain vectors: %.3f s wall %.3f s CPU\n", parsing.wall,
                parsing.cpu);

    std::printf("\nFolders of a listing added to the site tree and shown (CPU time; lower is better)\n");
    for (const auto& [folders, target] : {std::pair{10000, 0.3}, std::pair{50000, 1.0}}) {
        const Cost cost = AddFolders(folders);
        std::printf("%6d folders %27s %8.3f s wall %8.3f s CPU   (target %.1f s CPU: %s)\n", folders, "",
                    cost.wall, cost.cpu, target, cost.cpu <= target ? "met" : "MISSED");
    }
    return 0;
}
