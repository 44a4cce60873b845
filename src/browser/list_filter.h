#pragma once

#include <QWidget>

class QLineEdit;
class RemoteListWidget;

// The filter box above the remote list: while it holds text, the list shows
// only the items whose names contain it, ignoring case (a ".." entry stays).
// Hidden items never stay selected, so a command on the selection acts only
// on what can be seen. Escape clears it and hides it again; Enter goes to the
// list. Items added later (a new listing) are filtered as they come.
class ListFilter : public QWidget {
    Q_OBJECT

public:
    ListFilter(RemoteListWidget& list, QWidget* parent = nullptr);

    // Shows the box with its text selected and the keyboard in it.
    void Open();
    // Empties the box, shows every item and hides the box.
    void Clear();
    QString Text() const;
    void SetText(const QString& text);
    // Whether the row passes the filter.
    bool Shows(int row) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Apply();
    void DropHiddenFromSelection();

    RemoteListWidget& list;
    QLineEdit* edit = nullptr;
    bool anyHidden = false;  // some row was hidden the last time the filter ran
};
