#include "app/application.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <csignal>

#include "app/background_queue.h"
#include "app/catalogue_exit_save.h"
#include "app/main_window.h"
#include "browser/background_transfers.h"
#include "browser/profile_connection.h"
#include "browser/remote_list_pane.h"
#include "options/app_settings_store.h"
#include "options/debug_window.h"
#include "platform/desktop/message_seam.h"
#include "platform/desktop/termination_signal_notifier.h"
#include "queue/saved_queue.h"
#include "queue/transfer_queue_pane.h"
#include "sites/keychain_password_vault.h"
#include "sites/site_tree.h"

namespace {

constexpr int kSmallestSide = 100;  // a stored size below this is not a usable window

}  // namespace

Application::Application(QObject* parent)
    : QObject(parent), context{settings, log} {}

Application::~Application() {
    log.SetWakeUp({});
    // The frame's panes hold references into this object and the queue; they go first.
    frame.reset();
    context.transfers = nullptr;
    transfers.reset();
}

bool Application::Start() {
    store = std::make_unique<AppSettingsStore>();
    settings = store->Load();
    settingsLoaded = true;
    if (!store->Problem().isEmpty()) ShowMessage(nullptr, store->Problem());
    if (!context.passwordVault && KeychainPasswordVault::KeyringOnSessionBus()) {
        keyring = std::make_unique<KeychainPasswordVault>();
        context.passwordVault = keyring.get();
    }

    frame = std::make_unique<MainWindow>(context);
    if (!frame->SplitterReady()) {
        EndStartUp();
        return false;
    }
    // Lines from any thread wake the log window: a queued call, which touches
    // nothing of this object on the thread that logs.
    log.SetWakeUp([this] { QMetaObject::invokeMethod(this, &Application::Refresh, Qt::QueuedConnection); });
    StartTransferQueue();

    frame->setAcceptDrops(true);
    frame->setWindowTitle(QStringLiteral("Quillmoor"));
    PlaceMainWindow();

    terminationSignals = new TerminationSignalNotifier(this);
    connect(terminationSignals, &TerminationSignalNotifier::terminationRequested, this,
            &Application::requestExit);

    if (!StartSocketLayer()) {
        ShowMessage(nullptr,
                    QStringLiteral("The WinSock DLL could not be used, please check your installation "
                                   "or with your service provider"));
        EndStartUp();
        return false;
    }
    qApp->installEventFilter(this);
    ScheduleRefresh();  // lines queued during start-up
    return true;
}

void Application::StartTransferQueue() {
    transfers = std::make_unique<BackgroundQueue>(log, settings.queueConnections, SavedQueue::DefaultPath());
    context.transfers = transfers.get();
    transfers->SetDialogParent(frame.get());
    frame->SetTransfersPane(new TransferQueuePane(transfers->Queue(), transfers->Events()));
    connect(frame.get(), &MainWindow::settingsChanged, this,
            [this] { transfers->SetConnections(settings.queueConnections); });
    connect(transfers.get(), &BackgroundQueue::uploadsEnded, this, &Application::ListAfterUploads);
    connect(transfers.get(), &BackgroundQueue::jobsAdded, frame.get(), &MainWindow::ShowTransfers);
    // A saved job of a catalogue site runs with the site's stored log-in; one
    // that asks for its log-in, or a quick connection's, waits for the user
    // to log in to it again.
    auto* tree = qobject_cast<SiteTree*>(frame->SiteTreePane());
    transfers->Start([this, tree](const std::string& site) -> std::optional<ConnectionSettings> {
        if (!tree) return std::nullopt;
        const QModelIndex index = tree->Catalogue().FindSite(QString::fromStdString(site));
        if (!index.isValid()) return std::nullopt;
        const SiteProfile profile = tree->Catalogue().ProfileAt(index);
        ConnectionSettings connection;
        if (profile.prompt || ProfileConnectionSettings(profile, settings, connection) != ProfileOutcome::Ready) {
            return std::nullopt;
        }
        return connection;
    });
}

void Application::ListAfterUploads(const QString& site, const QString& directory) {
    const RemoteListPane* list = frame ? frame->ListPane() : nullptr;
    const RemotePlace place = list ? list->Place() : RemotePlace{};
    if (!place.connected || place.path != directory ||
        QueueSiteKey(place.site, place.quick) != site.toStdString()) {
        return;
    }
    listingWaits = true;
    ListIfWaiting();
}

void Application::ListIfWaiting() {
    // A listing started inside another dialog's loop would run beside that
    // dialog's worker; it waits for the loop to end.
    if (!listingWaits || !frame || QApplication::activeModalWidget() || QApplication::activePopupWidget()) return;
    listingWaits = false;
    if (RemoteListPane* list = frame->ListPane(); list && list->Place().connected) list->LoadListing();
}

void Application::ScheduleRefresh() {
    if (exited || refreshScheduled) return;
    refreshScheduled = true;
    QMetaObject::invokeMethod(this, &Application::Refresh, Qt::QueuedConnection);
}

bool Application::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyRelease:
        case QEvent::FocusIn:
            ScheduleRefresh();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void Application::EndStartUp() {
    frame.reset();
    Shutdown();
}

bool Application::StartSocketLayer() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return ::sigaction(SIGPIPE, &ignore, nullptr) == 0;
}

void Application::PlaceMainWindow() {
    int width = settings.right - settings.left;
    int height = settings.bottom - settings.top;
    if (width < kSmallestSide) width = AppSettings{}.right;
    if (height < kSmallestSide) height = AppSettings{}.bottom;
    QPoint topLeft(settings.left, settings.top);

    // A rectangle left on a screen that is no longer there would put the window
    // out of reach; bring it to the primary screen's corner instead.
    bool onSomeScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(QRect(topLeft, QSize(width, height)))) onSomeScreen = true;
    }
    if (!onSomeScreen && QGuiApplication::primaryScreen()) {
        topLeft = QGuiApplication::primaryScreen()->availableGeometry().topLeft();
    }

    frame->PlaceOuterRectangle(QRect(topLeft, QSize(width, height)));
    frame->show();
    frame->repaint();
}

void Application::Refresh() {
    refreshScheduled = false;
    if (exited) return;
    log.Drain();
    if (!frame) return;
    if (DebugWindow* window = frame->LogWindow()) window->Flush();
    frame->UpdateToolBarState();
    ListIfWaiting();
}

int Application::Run() {
    if (!Start()) return 1;
    connect(frame.get(), &MainWindow::closed, this, [] { QCoreApplication::exit(0); });
    // An exit asked for before the loop runs is carried out once it runs.
    if (exitRequested) QMetaObject::invokeMethod(frame.get(), &QWidget::close, Qt::QueuedConnection);
    const int code = QApplication::exec();
    Shutdown();
    // Changes the user chose to lose are an unsuccessful end for whoever waits on it.
    return code != 0 ? code : catalogueLost ? 1 : 0;
}

void Application::requestExit() {
    exitRequested = true;
    // Closing the window ends every event loop, modal ones included; a running
    // transfer's dialog then ends with Cancel and the worker is stopped.
    if (frame) frame->close();
}

void Application::Shutdown() {
    if (exited) return;
    exited = true;
    qApp->removeEventFilter(this);
    // The catalogue is written while the window can still carry the question
    // of a failed write; destroying the frame then destroys the panes.
    if (auto* tree = frame ? qobject_cast<SiteTree*>(frame->SiteTreePane()) : nullptr)
        catalogueLost = !SaveCatalogueAtExit(*tree, log, frame.get());
    frame.reset();
    // Running transfers stop where they are and are saved as queued.
    context.transfers = nullptr;
    transfers.reset();
    log.SetWakeUp({});
    if (settingsLoaded && store) store->Save(settings);
}
