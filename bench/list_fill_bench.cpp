// How long the list view takes to show a directory of many entries in details
// mode once its listing has arrived from a local server, and how much the
// process grows over ten refreshes of it. Not a test: it prints figures. While
// the listing arrives the progress dialog's loop keeps the window responsive;
// the fill itself runs in one piece, so its time is the longest pause.
//
//   list_fill_bench [ENTRIES]   (default 100000; needs python3-pyftpdlib)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeView>

#include <cstdio>
#include <fstream>

#include "browser/quillmoorv3_view.h"
#include "ftp/polling_waiter.h"
#include "options/app_context.h"
#include "sites/site_tree.h"
#include "sites/store/site_store.h"
#include "support/real_ftp_server.h"

namespace {

struct NoDialogs : SiteDialogs {
    bool PromptConnection(QWidget*, SiteProfile&, bool) override { return true; }
    PropertiesResult EditSiteProperties(QWidget*, SiteProfile&, QIcon&) override { return PropertiesResult::Cancelled; }
};

double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096.0 / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;

    testsupport::PyftpdlibServer server;
    if (!server.Started()) {
        std::fprintf(stderr, "list_fill_bench: %s\n", server.Problem().c_str());
        return 1;
    }
    // Mostly files of a few types, a few folders, as a big directory looks.
    for (int i = 0; i < entries; ++i) {
        const std::string name = i % 1000 == 0 ? "folder" + std::to_string(i)
                                                : "file" + std::to_string(i) + (i % 3 ? ".txt" : ".png");
        const auto path = server.WritableDir() / name;
        if (i % 1000 == 0) {
            std::filesystem::create_directory(path);
        } else {
            std::ofstream(path) << "x";
        }
    }

    QTemporaryDir dir;
    AppSettings settings;
    settings.defaultView = 1;  // details
    settings.email = "bench@localhost";
    settings.defaultDownloadDirectory = (dir.path() + "/").toStdString();
    LogQueue log;
    TransferStatus status;
    CFtpSession session(log, status);
    AppContext context{settings, session, log, status};
    PollingWaiter waiter;
    waiter.SetPollInterval(std::chrono::milliseconds(10));
    session.SetUi(&waiter);
    SiteStore store((dir.path() + "/Wexal.INI").toStdString());
    CSiteTree tree(store);
    tree.LoadCatalogue();
    NoDialogs dialogs;
    CQuillmoorv3View view(context, tree, dialogs);
    view.SetEngineUi(&waiter);
    view.resize(900, 700);
    view.show();
    view.FirstUpdate();

    SiteProfile profile;
    profile.host = server.HostText();
    profile.userId = "anonymous";
    profile.prompt = false;
    profile.remoteDir = "/";  // no listing at connect: the bench lists itself
    context.quickConnect = true;
    view.Connect(profile);
    if (!session.connected) {
        std::fprintf(stderr, "list_fill_bench: could not log in\n");
        return 1;
    }
    log.TakeAll();

    const double before = ResidentMegabytes();
    for (int round = 0; round < 11; ++round) {
        view.ClearItems();
        QElapsedTimer fetch;
        fetch.start();
        RemoteEntry first;
        if (!session.FetchListing(first)) return 1;
        const qint64 fetchMs = fetch.elapsed();

        QElapsedTimer fill;
        fill.start();
        view.FillFromListing(first);
        view.List().DetailsView()->viewport()->repaint();
        QApplication::processEvents();
        const qint64 fillMs = fill.elapsed();
        log.TakeAll();
        std::printf("round %2d: %d items, listing transfer %lld ms, shown in details %lld ms, RSS %.1f MB\n", round,
                    view.List().ItemCount(), static_cast<long long>(fetchMs), static_cast<long long>(fillMs),
                    ResidentMegabytes());
        if (round == 0) {
            std::printf("first fill done; memory baseline for ten refreshes: %.1f MB (before the first fill %.1f MB)\n",
                        ResidentMegabytes(), before);
        }
    }
    std::printf("image lists hold %d images each after eleven listings\n", view.SmallImages().Count());
    session.Quit();
    return 0;
}
