#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QUrl>

#include "browser/app_context.h"
#include "browser/queued_transfers.h"
#include "options/debug_window.h"
#include "platform/desktop/app_icons.h"
#include "platform/desktop/message_seam.h"

namespace {

// Pane sizes of the first layout.
constexpr int kUpperRowHeight = 300;
constexpr int kUpperRowMinimum = 150;
constexpr int kLogRowHeight = 140;
constexpr int kLogRowMinimum = 50;
constexpr int kTreeWidth = 150;
constexpr int kListWidth = 250;

QStringList LocalPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) paths.append(url.toLocalFile());
    }
    return paths;
}

}  // namespace

MainWindow::MainWindow(AppContext& appContext, MainWindowPaneFactory createPanes, QWidget* parent)
    : QMainWindow(parent), context(appContext) {
    InitDesktopResources();
    setWindowIcon(ApplicationIcon());
    if (!CreateClientArea(createPanes)) return;
    CreateMenusAndToolBar();
    securityLabel = new QLabel(this);
    securityLabel->setAccessibleName(QStringLiteral("Connection encryption"));
    statusBar()->addPermanentWidget(securityLabel);
    InstallFrameCommands();
    PressDefaultViewButton();
    UpdateToolBarState();

    // Next and previous pane, the usual keys of a split window.
    connect(new QShortcut(QKeySequence(Qt::Key_F6), this), &QShortcut::activated, this,
            [this] { FocusNextPane(1); });
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this), &QShortcut::activated, this,
            [this] { FocusNextPane(-1); });
}

MainWindow::~MainWindow() {
    // The log window goes with the frame; lines queued from now on wait in the queue.
    context.log.SetSink({});
}

bool MainWindow::CreateClientArea(MainWindowPaneFactory createPanes) {
    outerSplitter = new QSplitter(Qt::Vertical, this);
    outerSplitter->setChildrenCollapsible(false);

    innerSplitter = new QSplitter(Qt::Horizontal, outerSplitter);
    innerSplitter->setChildrenCollapsible(false);
    innerSplitter->setFrameShape(QFrame::StyledPanel);
    bottomTabs = new QTabWidget(outerSplitter);
    bottomTabs->setTabPosition(QTabWidget::South);
    bottomTabs->setDocumentMode(true);
    bottomTabs->setAcceptDrops(false);  // drops belong to the frame (upload)
    logWindow = new DebugWindow(bottomTabs);
    logWindow->setAcceptDrops(false);
    logWindow->resize(400, 150);
    bottomTabs->addTab(logWindow, QStringLiteral("Log"));

    const MainWindowPanes panes = createPanes(context, innerSplitter);
    if (!panes.siteTree || !panes.listView) return false;
    siteTreePane = panes.siteTree;
    listViewPane = panes.listView;
    innerSplitter->addWidget(siteTreePane);
    innerSplitter->addWidget(listViewPane);
    innerSplitter->setSizes({kTreeWidth, kListWidth});
    innerSplitter->setStretchFactor(1, 1);

    outerSplitter->addWidget(innerSplitter);
    outerSplitter->addWidget(bottomTabs);
    innerSplitter->setMinimumHeight(kUpperRowMinimum);
    bottomTabs->setMinimumHeight(kLogRowMinimum);
    outerSplitter->setSizes({kUpperRowHeight, kLogRowHeight});
    outerSplitter->setStretchFactor(0, 1);
    setCentralWidget(outerSplitter);

    splitterReady = true;
    DebugWindow* window = logWindow;
    context.log.SetSink([window](const std::string& line) { window->AppendLine(line); });
    return true;
}

RemoteListPane* MainWindow::ListPane() const { return dynamic_cast<RemoteListPane*>(listViewPane); }

QRect MainWindow::ClientArea() const {
    QRect area = rect();
    if (menuBar() && menuBar()->isVisible()) area.setTop(menuBar()->geometry().bottom() + 1);
    return area;
}

void MainWindow::PlaceOuterRectangle(const QRect& outer) {
    move(outer.topLeft());
    resize(outer.size());
    wantedOuterSize = outer.size();
    FitOuterSize();
}

void MainWindow::FitOuterSize() {
    if (!wantedOuterSize.isValid()) return;
    const QSize decoration = frameGeometry().size() - size();
    if (decoration.isNull()) return;
    const QSize inner = wantedOuterSize - decoration;
    wantedOuterSize = QSize();
    resize(inner.expandedTo(minimumSizeHint()));
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    FitOuterSize();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FitOuterSize();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FitOuterSize();
    if (sizedOnce || !splitterReady) return;
    sizedOnce = true;
    // The upper row gets its ideal height when there is room, the log the rest.
    const int total = outerSplitter->height() - outerSplitter->handleWidth();
    const int upper = std::max(kUpperRowMinimum, std::min(kUpperRowHeight, total - kLogRowMinimum));
    outerSplitter->setSizes({upper, std::max(kLogRowMinimum, total - upper)});
}

void MainWindow::PressDefaultViewButton() {
    const int view = context.settings.defaultView;
    if (view < 0 || view > 3) return;  // an unknown code presses none
    if (QAction* action = ViewModeAction(static_cast<ListViewMode>(view))) action->setChecked(true);
}

void MainWindow::ApplyViewMode(ListViewMode mode) {
    if (RemoteListPane* list = ListPane()) {
        if (list->ViewMode() != mode) {
            // List and Details turn ascending label sort on; it then stays on in every mode.
            if (mode == ListViewMode::List || mode == ListViewMode::Details) list->SetSortAscending(true);
            list->SetViewMode(mode);
        }
    }
    if (QAction* action = ViewModeAction(mode)) action->setChecked(true);
    if (RemoteListPane* list = ListPane()) list->ArrangeItems();
}

void MainWindow::SetTransfersPane(QWidget* pane) {
    transfersPane = pane;
    pane->setAcceptDrops(false);
    bottomTabs->addTab(pane, QStringLiteral("Transfers"));
}

void MainWindow::ShowTransfers() {
    if (transfersPane) bottomTabs->setCurrentWidget(transfersPane);
}

void MainWindow::UploadDroppedPaths(const QStringList& paths) {
    const RemoteListPane* list = ListPane();
    const RemotePlace place = list ? list->Place() : RemotePlace{};
    QueuedTransfers(context, place, this).QueueUploads(paths, list);
}

// A drag that started in this program (remote files dragged out of the list)
// is not an upload: dropped back here it would fetch the files and send them
// over themselves.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!event->source() && !LocalPaths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!event->source() && !LocalPaths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (event->source()) return;
    const QStringList paths = LocalPaths(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    UploadDroppedPaths(paths);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    const QRect outer = frameGeometry();
    AppSettings& settings = context.settings;
    settings.left = outer.left();
    settings.top = outer.top();
    settings.right = outer.left() + outer.width();
    settings.bottom = outer.top() + outer.height();
    event->accept();
    emit closed();
}

void MainWindow::FocusNextPane(int step) {
    const QList<QWidget*> order{siteTreePane, listViewPane, bottomTabs->currentWidget()};
    int current = -1;
    for (int i = 0; i < order.size(); ++i) {
        QWidget* focus = focusWidget();
        if (focus && (order[i] == focus || order[i]->isAncestorOf(focus))) current = i;
    }
    const int next = (current + step + static_cast<int>(order.size())) % static_cast<int>(order.size());
    order[next]->setFocus(Qt::ShortcutFocusReason);
}

void MainWindow::UpdateToolBarState() {
    if (securityLabel) {
        const RemoteListPane* list = ListPane();
        const QString text = list && list->Place().connected ? list->ConnectionSecurity() : QString();
        if (securityLabel->text() != text) {
            securityLabel->setText(text);
            securityLabel->setAccessibleDescription(text);
        }
    }
}
