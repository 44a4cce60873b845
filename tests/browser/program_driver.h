#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "app/main_window.h"
#include "browser/remote_view.h"

// Drives the desktop program's list as a user does: clicks and double clicks
// on its items, and files dropped onto the main window.
class ProgramDriver {
public:
    explicit ProgramDriver(RemoteView* view = nullptr) : view(view) {}
    void SetView(RemoteView* shown) { view = shown; }
    // Drives the list of the program's main window, once the window is on screen.
    void Attach(MainWindow* frame) {
        view = qobject_cast<RemoteView*>(frame->ListViewPane());
        QVERIFY(view);
        QVERIFY(QTest::qWaitForWindowExposed(frame));
    }
    RemoteView* View() const { return view; }

    QStringList Labels() const {
        QStringList labels;
        for (int row = 0; row < view->List().ItemCount(); ++row) labels << view->List().ItemText(row, 0);
        return labels;
    }

    // Waits, as the user does, until what the list asked of the server has
    // come back.
    bool Settle() const { return QTest::qWaitFor([this] { return !view->Busy(); }, 20000); }

    // A double click on the item with that label, as the user does it, and
    // the wait for what it asked of the server.
    void DoubleClick(const QString& label) {
        QAbstractItemView* items = view->List().ActiveView();
        const int row = view->List().FindLabel(label);
        QVERIFY2(row >= 0, qPrintable(label));
        const QRect rect = items->visualRect(items->model()->index(row, 0));
        QTest::mouseClick(items->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(items->viewport(), Qt::LeftButton, {}, rect.center());
        QVERIFY(Settle());
    }

    // Selects the item with that label, with the keyboard in the list of the
    // active window, where the window's shortcut keys reach their commands.
    void Select(const QString& label) {
        view->List().SelectRow(view->List().FindLabel(label));
        view->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view->window()));
        view->List().ActiveView()->setFocus();
        QApplication::processEvents();
    }

    // Drags a local file over the window and drops it; false when the window
    // refused the drag.
    static bool DropFile(QWidget* window, const QString& path) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        const QPoint centre(window->width() / 2, window->height() / 2);
        QDragEnterEvent enter(centre, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(window, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(centre), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(window, &drop);
        return true;
    }

    static QByteArray ReadAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    RemoteView* view;
};
