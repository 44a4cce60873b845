#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "browser/image_list.h"
#include "browser/remote_list_pane.h"
#include "browser/remote_list_widget.h"
#include "browser/site_dialogs.h"
#include "ftp/connection_requests.h"
#include "ftp/remote_entry.h"
#include "sites/remote_place.h"
#include "sites/store/site_profile.h"

struct AppContext;
class CatalogueModel;
class ConnectionClient;
class RemoteDeletion;
class RequestProgressDialog;
struct ConnectionSettings;
class LocationBar;
class FileTypeCache;
class ListFilter;
class QAction;
class QMenu;

// The right-hand pane: the one list control showing the catalogue's groups,
// the sites of a group, or the current remote directory, and everything the
// user does there (open, up, connect, disconnect, download and open, delete,
// rename, properties, context menus). The FTP work runs on the view's
// connection, which has a thread of its own: the view sends requests and
// shows their results when they come back, so a slow server never holds the
// window. A request the user waits for shows a progress dialog whose Cancel
// ends it.
//
// The view owns where it is: the remote place (site, login directory, current
// directory) changes only through SetPlace, once the server has confirmed a
// login, a directory change or the end of the session, and is announced by
// placeChanged; the catalogue group it lists changes only through ShowGroup
// and is announced by groupShown. The location bar and the site tree follow
// those signals and ask for places by their own signals; the application
// wires the tree to the view (neither knows the other's class).
class RemoteView : public QWidget, public RemoteListPane {
    Q_OBJECT

public:
    // A quick connection keeps no folders in the tree and goes up by "CWD ..".
    enum class ConnectionKind { Site, Quick };

    // The catalogue is the one the site tree shows; the view lists its groups
    // and sites and edits them from the list.
    RemoteView(AppContext& context, CatalogueModel& catalogue, SiteDialogs& dialogs,
               QWidget* parent = nullptr);
    ~RemoteView() override;

    // --- where the list is ---
    RemotePlace Place() const override { return place; }
    // Takes the place the server confirmed; announces it when it changed.
    void SetPlace(const RemotePlace& next);
    // The catalogue group whose sites the list shows or last showed (invalid:
    // the groups themselves).
    QModelIndex ShownGroup() const { return shownGroup; }
    // Lists group's sites (invalid: the groups) and announces it.
    void ShowGroup(const QModelIndex& group);
    QString ConnectionSecurity() const override { return connectionSecurity; }

    // Logged in to a server (or logging in again after it closed the connection).
    bool Connected() const;
    // Whether a request of the view's connection is queued or running.
    bool Busy() const;
    // The view's connection, from the log-in on (null without one), for what
    // runs its own requests on it (the drag out of the list).
    ConnectionClient* Client() const;

    RemoteListWidget& List() { return *list; }
    ListFilter& Filter() { return *filter; }
    // Shows the filter box with the keyboard in it.
    void OpenFilter();
    LocationBar& Bar() { return *bar; }
    SiteDialogs& Dialogs() { return dialogs; }
    ImageList& SmallImages() { return smallImages; }
    ImageList& LargeImages() { return largeImages; }
    int CurrentItem() const { return currentItem; }

    // First update: the groups shown.
    void FirstUpdate();

    // --- filling the list ---
    // Lists the shown group again.
    void FillCatalogue();
    // Fetches and shows the listing of the current directory again.
    void LoadListing() override;
    // When the session has closed under the listing shown (a cancelled
    // request closes it), shows what a disconnect shows; returns whether it did.
    bool LeaveClosedSession();
    bool ListsFile(const QString& name) const override;
    bool ListsFolder(const QString& name) const override;
    ExistingFileSide ListedFileSide(const QString& name) const override;
    // Fills the emptied list from a listing.
    void ShowListing(const Listing& listing);
    void AddEntry(const RemoteEntry& entry, FileTypeCache* cache = nullptr);
    void ClearItems();
    void Arrange();
    QString SelectedName() const { return list->SelectedName(); }
    void SetViewMode(int modeCode);

    // --- RemoteListPane: what the frame asks ---
    ListViewMode ViewMode() const override { return static_cast<ListViewMode>(list->Mode()); }
    void SetViewMode(ListViewMode mode) override { SetViewMode(static_cast<int>(mode)); }
    // The list always keeps its labels in ascending order.
    bool SortsAscending() const override { return true; }
    void SetSortAscending(bool) override {}
    void ArrangeItems() override { Arrange(); }

    // Makes the first list item labelled `name` the view's current item.
    void FindItemByName(const QString& name);

    // --- what the site tree asks by its signals ---
    // Gives the list item labelled `oldName`, if any, the label `newName`.
    void SetItemLabel(const QString& oldName, const QString& newName);
    // Renames the directory listed as `oldName` on the server.
    void RenameDirectoryByName(const QString& oldName, const QString& newName);
    // Ends the session, first asking the user when `ask` is set.
    void Disconnect(bool ask);

    // --- view commands ---
    // Opens the first selected item: a group's sites, a site's connection, a
    // folder, or a file downloaded and opened.
    void OpenItem();
    // Enters the folder `name` (relative to the current one, or absolute) and
    // lists it; a refused folder leaves the list where it is (GoToPath, for a
    // typed path, says the server's reply in a box).
    void ChangeDirectory(const QString& name);
    void GoUp();
    void ConnectToSite(SiteProfile profile, ConnectionKind kind = ConnectionKind::Site);
    // Logs in to the site, then lists its initial directory, or sitePath
    // below the login directory when one is given. A failed log-in says its
    // cause in a box.
    void Connect(const SiteProfile& profile, ConnectionKind kind = ConnectionKind::Site,
                 const QString& sitePath = QString());
    // Creates the folder `name` in the current directory and lists it again.
    void MakeDirectory(const QString& name);
    // Sets the mode (octal text) of each named item of the current directory.
    void SetPermissions(const QStringList& names, const QString& mode);
    // A site's folder, sitePath below the site (empty: its login directory):
    // changes to it on the open session of that site, else connects first.
    void GoToSitePath(const SiteProfile& site, const QString& sitePath);
    // A path the user chose in the location bar, absolute or relative to the
    // current directory; a refusal shows the server's reply.
    void GoToPath(const QString& path);
    void DownloadAndOpen(const QString& name);
    void DeleteSelected();
    void RenameSelected(const QString& newName);
    void ShowProperties();
    // Builds the context menu for the first selected item, or for the open
    // remote directory when nothing is selected (null elsewhere);
    // showContextMenu runs it at a screen position.
    QMenu* BuildContextMenu();
    void showContextMenu(const QPoint& globalPos);
    // Drags the selected files and directories out of the list; they are
    // downloaded where the user drops them.
    void startDragOut();
    // Upload...: local files chosen in a file dialog go into the current
    // remote directory, as a drop does.
    void UploadChosenFiles();
    // Download to...: the selected files and folders go into a local folder
    // chosen in a folder dialog.
    void DownloadSelectedTo();

    // --- the context menus' actions ---
    // Entries whose questions the frame asks: the frame connects to them.
    QAction* RenameAction() const { return renameAction; }
    QAction* CreateDirectoryAction() const { return createDirectoryAction; }
    QAction* AddProfileAction() const { return addProfileAction; }
    // Sets each context action's enabled state from the connection and the
    // selection; runs whenever either changes.
    void UpdateActionStates();

signals:
    void placeChanged(const RemotePlace& place);
    void groupShown(const QModelIndex& group);
    // A folder of a catalogue site's listing, for the tree to keep.
    void folderListed(const QString& name);
    // A folder of the listing that the server no longer has under that name.
    void folderGone(const QString& name);
    // The user trusted this certificate for a catalogue site's connection.
    void certificateTrusted(const SiteProfile& site, const std::string& fingerprint);
    // The last request of the view's connection has finished.
    void idle();

private:
    // The row of a file of this name in the listing shown; -1 when there is none.
    int ListedFileRow(const QString& name) const;
    // Runs a request on the view's connection; done runs when it has
    // finished. RunShown shows it in a progress dialog meanwhile.
    void Run(Request request, std::function<void(const RequestResult&)> done);
    void RunShown(Request request, const QString& title, const QString& text,
                  std::function<void(const RequestResult&)> done);
    std::function<void(const RequestResult&)> ForThisConnection(std::function<void(const RequestResult&)> done);
    void EnterAndList(const QString& target, bool sayRefusal);
    // Lists path; moving: the list goes there (the place changes).
    void ListAt(const QString& path, bool moving);
    void LoggedIn(const SiteProfile& profile, ConnectionKind kind, ConnectionSettings settings,
                  const LoginFacts& facts, const QString& sitePath);
    // After a failed request: a lost connection ends the session with a
    // message; true when it did.
    bool LeftLostSession(const Error& error);
    void EndConnection();
    // The absolute remote path of a name of the current directory.
    std::string PathOf(const QString& name) const;
    // Asks about and then deletes what the deletion holds, on the server.
    void DeleteOnServer(std::shared_ptr<RemoteDeletion> deletion, int selectedCount);
    void onKeyPressed(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat);
    void onLabelEditFinished(int row, const QString& newText);
    void RenameDirectoryRow(int row, const QString& newName);
    bool RunsOnServer() const;
    void CreateActions();
    void DisconnectAsking();
    QAction* AddMenuEntry(QMenu* menu, QAction* action, const QString& text = QString());
    // The catalogue's groups, as after a disconnect.
    void ShowDisconnected();
    void AppendCatalogueIcon(const QString& iconText);
    // The shown group's child labelled `label` (invalid when there is none),
    // and the profile of a site there.
    QModelIndex ShownChild(const QString& label) const;
    bool ShownSite(const QString& label, SiteProfile& profile) const;
    // Where the list goes back to when the session it shows ends at the top:
    // the site's group.
    QModelIndex GroupAfterSession() const;
    QString SessionHost() const;
    // Renames an item of the current directory; after, runs with whether it went.
    void RenameOnServer(const QString& oldName, const QString& newName, std::function<void(bool)> after);

    AppContext& context;
    CatalogueModel& catalogue;
    SiteDialogs& dialogs;
    RemotePlace place;
    QPersistentModelIndex shownGroup;
    QString connectionSecurity;
    QString host;  // the host of the session shown
    QPointer<ConnectionClient> connection;  // null while not connected
    QPointer<RequestProgressDialog> progress;  // the request the user waits for
    QString pendingPath;  // where the last directory change asked for goes, until it is there or refused
    ImageList largeImages{QSize(32, 32), 50, 2048};
    ImageList smallImages{QSize(16, 16), 50, 2048};
    LocationBar* bar = nullptr;
    RemoteListWidget* list = nullptr;
    ListFilter* filter = nullptr;  // cleared whenever the list shows another place
    int currentItem = -1;
    bool showsRemoteDirectory = false;
    // The context menus' entries, kept enabled as the connection and the
    // selection say; texts naming an item are set when a menu is built.
    QAction* openAction = nullptr;
    QAction* connectToAction = nullptr;
    QAction* openConnectionAction = nullptr;  // the group's only entry; nothing carries it out
    QAction* disconnectAction = nullptr;
    QAction* deleteAction = nullptr;
    QAction* deleteSiteAction = nullptr;
    QAction* renameAction = nullptr;
    QAction* uploadAction = nullptr;
    QAction* downloadToAction = nullptr;
    QAction* propertiesAction = nullptr;
    QAction* addProfileAction = nullptr;
    QAction* createDirectoryAction = nullptr;
    QAction* refreshAction = nullptr;
    // When a context action may run.
    enum class ActionRule { Always, Never, Connected, NotConnected, Selection, OneSelected, ConnectedWithSelection };
    struct RuledAction {
        QAction* action;
        ActionRule rule;
    };
    std::vector<RuledAction> contextActions;  // all of the above
};
