#include "browser/location_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>

LocationBar::LocationBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("locationBar"));
    setAccessibleName(QStringLiteral("Location"));
    pages = new QStackedWidget(this);
    crumbs = new QWidget(pages);
    crumbRow = new QHBoxLayout(crumbs);
    crumbRow->setContentsMargins(2, 1, 2, 1);
    crumbRow->setSpacing(0);
    // However deep the path, the bar never makes the list pane wider.
    crumbs->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    editor = new QLineEdit(pages);
    editor->setAccessibleName(QStringLiteral("Remote path"));
    editor->setToolTip(QStringLiteral("Type a remote path and press Enter to go there"));
    editor->installEventFilter(this);
    pages->addWidget(crumbs);
    pages->addWidget(editor);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages);

    auto* edit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    edit->setContext(Qt::WindowShortcut);
    connect(edit, &QShortcut::activated, this, &LocationBar::startEditing);
    connect(editor, &QLineEdit::returnPressed, this, &LocationBar::OnReturnPressed);
    ShowPlace(shown);
}

void LocationBar::ShowPlace(const RemotePlace& place) {
    shown = place;
    StopEditing();
    // A button's click may be what changed the place: it goes once its
    // signal has returned.
    while (QLayoutItem* item = crumbRow->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    pathParts.clear();
    setVisible(place.connected);
    if (!place.connected) return;
    // The site stands for its login directory; when the server did not name
    // that directory the path cannot be spelt out, and only the site shows.
    AddPart(place.site, place.home, QStringLiteral("Go to %1 (%2)").arg(place.site, place.home));
    auto* separator = new QLabel(QStringLiteral(": "), crumbs);
    crumbRow->addWidget(separator);
    separator->show();
    if (remote_path::IsAbsolute(place.path)) {
        pathParts << AddPart(QStringLiteral("/"), QStringLiteral("/"), QStringLiteral("Go to /"));
        QString path;
        for (const QString& folder : place.path.split(u'/', Qt::SkipEmptyParts)) {
            path += u'/' + folder;
            pathParts << AddPart(folder, path, QStringLiteral("Go to %1").arg(path));
        }
    }
    crumbRow->addStretch(1);
    FitParts();
}

void LocationBar::FitParts() {
    for (QToolButton* part : pathParts) part->show();
    const QMargins margins = crumbRow->contentsMargins();
    int needed = margins.left() + margins.right();
    for (int index = 0; index < crumbRow->count(); ++index) {
        if (QWidget* widget = crumbRow->itemAt(index)->widget()) needed += widget->sizeHint().width();
    }
    // Too narrow: the folders nearest the root give way first; the site and
    // the current folder always show, and Ctrl+L still holds the whole path.
    for (qsizetype index = 0; index + 1 < pathParts.size() && needed > width(); ++index) {
        needed -= pathParts[index]->sizeHint().width();
        pathParts[index]->hide();
    }
}

void LocationBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitParts();
}

QToolButton* LocationBar::AddPart(const QString& text, const QString& target, const QString& where) {
    auto* part = new QToolButton(crumbs);
    part->setText(text);
    part->setAutoRaise(true);
    part->setFocusPolicy(Qt::TabFocus);
    part->setEnabled(!target.isEmpty());
    part->setToolTip(where);
    part->setAccessibleName(where);
    connect(part, &QToolButton::clicked, this, [this, target] { emit pathRequested(target); });
    crumbRow->addWidget(part);
    part->show();  // at once, not when the layout gets round to it
    return part;
}

void LocationBar::startEditing() {
    if (!shown.connected) return;
    editor->setText(shown.path);
    pages->setCurrentWidget(editor);
    editor->selectAll();
    editor->setFocus(Qt::ShortcutFocusReason);
}

bool LocationBar::Editing() const { return pages->currentWidget() == editor; }

void LocationBar::StopEditing() { pages->setCurrentWidget(crumbs); }

void LocationBar::OnReturnPressed() {
    const QString typed = editor->text().trimmed();
    StopEditing();
    // A refused path leaves the location as it was; the buttons show it.
    if (!typed.isEmpty()) emit pathRequested(typed);
}

void LocationBar::mousePressEvent(QMouseEvent* event) {
    // The buttons take their own clicks; what reaches the bar is empty space.
    startEditing();
    QWidget::mousePressEvent(event);
}

bool LocationBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor) {
        const bool escape =
            event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
        if (escape || event->type() == QEvent::FocusOut) {
            if (Editing()) StopEditing();
            return escape;
        }
    }
    return QWidget::eventFilter(watched, event);
}
