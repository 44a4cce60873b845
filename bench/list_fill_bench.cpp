// How long the list view takes to show big directories once their listings
// have arrived from a local server, and how much the process grows over ten
// refreshes. Not a test: it prints figures. While a listing arrives the
// progress dialog's loop keeps the window responsive; the fill itself runs in
// one piece, so its time is the longest pause.
//
//   list_fill_bench [ENTRIES] [FOLDERS]   (defaults 100000 and 10000; needs python3-pyftpdlib)
//
// ENTRIES: a directory of mostly files, filled in details mode and refreshed
// ten times; each round prints the process's resident memory, which stays flat
// when nothing is kept from one listing to the next.
// FOLDERS: a directory of only folders, opened from the list of a catalogue
// site as a double click does, so each folder also becomes a node of the site
// tree; prints wall and CPU time of showing it.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeView>

#include <cstdio>
#include <ctime>
#include <fstream>

#include "app/tree_view_link.h"
#include "browser/remote_view.h"
#include "browser/app_context.h"
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

// CPU time of the whole process (the listing worker included), in milliseconds.
double ProcessCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// Mostly files of a few types and a few folders, as a big directory looks.
void MakeMixedDirectory(const std::filesystem::path& directory, int entries) {
    std::filesystem::create_directory(directory);
    for (int i = 0; i < entries; ++i) {
        const std::string name = i % 1000 == 0 ? "folder" + std::to_string(i)
                                                : "file" + std::to_string(i) + (i % 3 ? ".txt" : ".png");
        if (i % 1000 == 0) {
            std::filesystem::create_directory(directory / name);
        } else {
            std::ofstream(directory / name) << "x";
        }
    }
}

// Every folderEvery-th entry a folder, the others one-byte files.
void MakeFolders(const std::filesystem::path& directory, int entries, int folderEvery) {
    std::filesystem::create_directory(directory);
    for (int i = 0; i < entries; ++i) {
        if (i % folderEvery == 0) {
            std::filesystem::create_directory(directory / ("folder" + std::to_string(i)));
        } else {
            std::ofstream(directory / ("file" + std::to_string(i) + ".txt")) << "x";
        }
    }
}

// Waits until the view's requests have come back.
bool Settle(RemoteView& view) {
    QElapsedTimer waited;
    waited.start();
    while (view.Busy() && waited.elapsed() < 60000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return !view.Busy();
}

// Selects the item with the label and opens it, as a double click does, and
// waits for what that asked of the server.
bool Open(RemoteView& view, const QString& label) {
    const int row = view.List().FindLabel(label);
    if (row < 0) return false;
    view.List().SelectRow(row);
    view.OpenItem();
    return Settle(view);
}

void ShowNow(RemoteView& view) {
    view.List().ActiveView()->viewport()->repaint();
    QApplication::processEvents();
}

// Opens the directory from the list and prints the time it took to show,
// wall and CPU (the listing transfer included), beside the CPU target.
bool OpenAndTime(RemoteView& view, const QString& label, int targetCpuMs) {
    const double cpuBefore = ProcessCpuMilliseconds();
    QElapsedTimer wall;
    wall.start();
    if (!Open(view, label)) return false;
    ShowNow(view);
    std::printf("shown: %d items in %lld ms, %.0f ms of CPU (target: at most %d ms of CPU)\n",
                view.List().ItemCount(), static_cast<long long>(wall.elapsed()), ProcessCpuMilliseconds() - cpuBefore,
                targetCpuMs);
    return true;
}

// Lists the directory eleven times: the first fill, then ten refreshes.
bool RefreshRounds(RemoteView& view, LogQueue& log) {
    const double before = ResidentMegabytes();
    for (int round = 0; round < 11; ++round) {
        view.ClearItems();
        QElapsedTimer fetch;
        fetch.start();
        view.LoadListing();
        if (!Settle(view) || view.List().ItemCount() == 0) return false;
        ShowNow(view);
        const qint64 shownMs = fetch.elapsed();
        log.TakeAll();
        std::printf("round %2d: %d items, listed and shown in details %lld ms, RSS %.1f MB, %d images\n", round,
                    view.List().ItemCount(), static_cast<long long>(shownMs), ResidentMegabytes(),
                    view.SmallImages().Count());
        if (round == 0) {
            std::printf("first fill done; memory baseline for ten refreshes: %.1f MB (before the first fill %.1f MB)\n",
                        ResidentMegabytes(), before);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int folders = argc > 2 ? std::atoi(argv[2]) : 10000;

    testsupport::PyftpdlibServer server;
    if (!server.Started()) {
        std::fprintf(stderr, "list_fill_bench: %s\n", server.Problem().c_str());
        return 1;
    }
    MakeMixedDirectory(server.WritableDir() / "mixed", entries);
    MakeFolders(server.WritableDir() / "folders", folders, 1);
    MakeFolders(server.WritableDir() / "halves", entries, 2);

    QTemporaryDir dir;
    {
        QFile catalogue(dir.filePath("Wexal.INI"));
        if (!catalogue.open(QIODevice::WriteOnly)) return 1;
        catalogue.write(QByteArray("[Local]\r\nHOST=") + server.HostText().c_str() +
                        "\r\nACCOUNT=\r\nUID=anonymous\r\nPASSWORD=\r\nSAVPWD=FALSE\r\nICON=\r\nGROUP=Bench\r\n"
                        "LOCALDIR=\r\nREMOTEDIR=\r\nPROMPT?=FALSE\r\nFIREWALL?=FALSE\r\n\r\n");
    }
    AppSettings settings;
    settings.defaultView = 1;  // details
    settings.email = "bench@localhost";
    settings.defaultDownloadDirectory = (dir.path() + "/").toStdString();
    LogQueue log;
    AppContext context{settings, log};
    SiteStore store((dir.path() + "/Wexal.INI").toStdString());
    SiteTree tree(store);
    tree.LoadCatalogue();
    NoDialogs dialogs;
    RemoteView view(context, tree.Catalogue(), dialogs);
    LinkTreeAndView(tree, view);
    view.resize(900, 700);
    view.show();
    view.FirstUpdate();

    if (!Open(view, "Bench") || !Open(view, "Local") || !view.Connected()) {
        std::fprintf(stderr, "list_fill_bench: could not log in\n");
        return 1;
    }
    log.TakeAll();

    std::printf("== %d folders, opened from the list (each also a node of the site tree)\n", folders);
    if (!OpenAndTime(view, "folders", 300)) return 1;
    log.TakeAll();
    std::printf("== %d entries, every other one a folder, opened from the list\n", entries);
    view.GoUp();
    if (!Settle(view)) return 1;
    if (!OpenAndTime(view, "halves", 1000)) return 1;
    log.TakeAll();

    std::printf("== %d entries shown in details mode, ten refreshes\n", entries);
    // A quick connection's listings add no tree nodes: the refreshes measure the list alone.
    view.SetPlace(RemotePlace{QStringLiteral("bench"), QStringLiteral("/mixed"), QStringLiteral("/mixed"), true, true});
    if (!RefreshRounds(view, log)) return 1;
    return 0;
}
