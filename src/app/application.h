#pragma once

#include <QObject>
#include <memory>

#include "browser/app_context.h"
#include "ftp/log_queue.h"
#include "options/app_settings.h"

class AppSettingsStore;
class BackgroundQueue;
class MainWindow;
class PasswordVault;
class TerminationSignalNotifier;

// The application: owns the settings, the log queue and the transfer queue with its runner for the whole run. Start-up loads the settings and shows the
// main window where it was last closed; a refresh moves log lines into the log
// window and brings the toolbar up to date; shutdown says "quit" to the server
// and writes the settings back. A refresh runs only when something happened:
// the engine reported waiting log lines (from any thread, as a queued signal
// that modal dialogs and menus deliver too) or the user pressed, clicked or
// moved the focus. Nothing ticks while nothing happens.
class Application : public QObject {
    Q_OBJECT

public:
    explicit Application(QObject* parent = nullptr);
    ~Application() override;

    // Start-up up to the event loop. Returns false when it ended early, after
    // shutdown has run.
    bool Start();
    // Before Start: keeps the site passwords in this vault (which outlives
    // the application) rather than in the desktop keyring. Tests give one in
    // memory.
    void UsePasswordVault(PasswordVault* vault) { context.passwordVault = vault; }

    // Start-up, the event loop and shutdown; returns the process exit code.
    int Run();

    // Moves queued log lines into the log window and refreshes the toolbar.
    void Refresh();
    // Refreshes once the event loop runs again, once however often it is
    // asked for meanwhile.
    void ScheduleRefresh();
    bool RefreshScheduled() const { return refreshScheduled; }

    // Writes the site catalogue (asking what to do when that fails), destroys
    // the main window, quits the session and saves the settings. Runs once;
    // saves no settings when they were never loaded.
    void Shutdown();

    // Ends the program the way File > Exit does (SIGTERM and SIGINT come here).
    void requestExit();

    AppSettings& Settings() { return settings; }
    AppContext& Context() { return context; }
    LogQueue& Log() { return log; }
    MainWindow* Window() const { return frame.get(); }
    // The user quit without saving the site catalogue's changes at exit.
    bool CatalogueLost() const { return catalogueLost; }
    // The transfer queue; null before Start and after Shutdown.
    BackgroundQueue* Transfers() const { return transfers.get(); }

protected:
    // The user's presses, clicks and focus moves may change what the toolbar offers.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // POSIX sockets need no start; what they need is that a peer closing a
    // connection does not kill the process with SIGPIPE.
    virtual bool StartSocketLayer();

private:
    void PlaceMainWindow();
    void EndStartUp();
    void StartTransferQueue();
    // Shows the new files once the uploads into the listed directory have
    // ended; waits while a dialog or menu is open.
    void ListAfterUploads(const QString& site, const QString& directory);
    void ListIfWaiting();

    AppSettings settings;
    LogQueue log;
    AppContext context;

    std::unique_ptr<AppSettingsStore> store;
    std::unique_ptr<BackgroundQueue> transfers;
    std::unique_ptr<PasswordVault> keyring;  // the desktop keyring, when there is one
    std::unique_ptr<MainWindow> frame;
    TerminationSignalNotifier* terminationSignals = nullptr;
    bool refreshScheduled = false;
    bool listingWaits = false;  // uploads into the listed directory ended while a dialog was open
    bool settingsLoaded = false;
    bool exited = false;
    bool catalogueLost = false;
    bool exitRequested = false;
};
