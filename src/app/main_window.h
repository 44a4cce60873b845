#pragma once

#include <QMainWindow>

#include "app/main_window_panes.h"
#include "browser/remote_list_pane.h"

class QLabel;
class QSplitter;
class QTabWidget;
class QToolBar;
class DebugWindow;
struct AppContext;

// The program's one top-level window: menu bar, toolbar, and two splitters
// holding the site tree (top left), the remote list (top right) and, at the
// bottom, the tabs "Log" (the log window) and "Transfers" (the transfer
// queue, once the application adds it). Its menu bar and toolbar show the frame's actions; the
// commands that act on a pane follow the pane with the focus.
// Files and directories dropped onto the window are uploaded into the current
// remote directory.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kToolBarHeight = 28;

    explicit MainWindow(AppContext& context, MainWindowPaneFactory createPanes = CreateMainWindowPanes,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    bool SplitterReady() const { return splitterReady; }
    // The frame's action of that name ("refresh", "delete", ...; see frame_actions.h).
    QAction* Action(QStringView name) const;
    QToolBar* ToolBar() const { return toolBar; }
    QSplitter* OuterSplitter() const { return outerSplitter; }
    QSplitter* InnerSplitter() const { return innerSplitter; }
    QWidget* SiteTreePane() const { return siteTreePane; }
    QWidget* ListViewPane() const { return listViewPane; }
    DebugWindow* LogWindow() const { return logWindow; }
    QTabWidget* BottomTabs() const { return bottomTabs; }
    // Adds the "Transfers" tab beside the log.
    void SetTransfersPane(QWidget* pane);
    QWidget* TransfersPane() const { return transfersPane; }
    // Brings the "Transfers" tab to the front (jobs were just queued).
    void ShowTransfers();
    RemoteListPane* ListPane() const;

    // Moves and sizes the window so that its outer rectangle, decoration
    // included, is outer. The window system reports the decoration only once
    // the window is shown, so the size is corrected when it does.
    void PlaceOuterRectangle(const QRect& outer);

    // The part of the window below the menu bar (the toolbar and the panes).
    QRect ClientArea() const;

    // The view-mode commands (also reached when the list view passes them on).
    void ApplyViewMode(ListViewMode mode);

    // Uploads dropped local paths in order: directories whole, files one by one.
    void UploadDroppedPaths(const QStringList& paths);

    // Refreshes the status bar's word on whether the connection is encrypted.
    void UpdateToolBarState();
    QLabel* SecurityLabel() const { return securityLabel; }

signals:
    // The window accepted its close request (File > Exit or the close box).
    void closed();
    // The options sheet committed the settings (OK or Apply).
    void settingsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool CreateClientArea(MainWindowPaneFactory createPanes);
    void CreateMenusAndToolBar();
    void InstallFrameCommands();
    void PressDefaultViewButton();
    void FocusNextPane(int step);
    QAction* ViewModeAction(ListViewMode mode) const;
    void FitOuterSize();

    AppContext& context;
    QLabel* securityLabel = nullptr;
    QSplitter* innerSplitter = nullptr;
    QSplitter* outerSplitter = nullptr;
    QToolBar* toolBar = nullptr;
    QWidget* siteTreePane = nullptr;
    QWidget* listViewPane = nullptr;
    DebugWindow* logWindow = nullptr;
    QTabWidget* bottomTabs = nullptr;
    QWidget* transfersPane = nullptr;
    bool splitterReady = false;
    bool sizedOnce = false;
    QSize wantedOuterSize;  // valid until the decoration has been taken off
};
