#pragma once

#include <QList>
#include <QWidget>

#include "sites/remote_place.h"

class QHBoxLayout;
class QLineEdit;
class QStackedWidget;
class QToolButton;

// The bar above the list that says where it is, "site: /remote/path", as a
// row of buttons: the site (its login directory), then the root and each
// folder down to the current one. Ctrl+L or a click on the bar's empty space
// turns it into a line edit holding the whole path; Enter asks to go to the
// typed path, Escape or leaving the edit turns it back. Hidden while no
// session is open.
class LocationBar : public QWidget {
    Q_OBJECT

public:
    explicit LocationBar(QWidget* parent = nullptr);

    // Shows where the list now is.
    void ShowPlace(const RemotePlace& place);

    // Turns the bar into its line edit with the current path selected.
    void startEditing();
    bool Editing() const;
    QLineEdit* Editor() const { return editor; }

signals:
    // A path to go to: absolute from a button, as typed from the edit.
    void pathRequested(const QString& path);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* AddPart(const QString& text, const QString& target, const QString& where);
    // Hides leading folders while the parts are wider than the bar.
    void FitParts();
    void StopEditing();
    void OnReturnPressed();

    RemotePlace shown;
    QStackedWidget* pages = nullptr;
    QWidget* crumbs = nullptr;
    QHBoxLayout* crumbRow = nullptr;
    QLineEdit* editor = nullptr;
    QList<QToolButton*> pathParts;  // the root's and each folder's, in order
};
