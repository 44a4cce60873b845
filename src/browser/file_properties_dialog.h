#pragma once

#include <QDialog>

class RemoteListWidget;
class QLineEdit;

// Shows one remote file or directory (name, type, location, size, modified)
// and says, once OK is pressed, whether the name was changed (the list view
// then renames it on the server). There is no Cancel button: Escape or the
// close box leave without renaming.
class FilePropertiesDialog : public QDialog {
    Q_OBJECT

public:
    // `location` is the site's name and the path of the list's directory, each
    // directory followed by "/" ("Home/pub/linux/"; "/" on a quick connection).
    FilePropertiesDialog(const RemoteListWidget& list, const QString& location,
                         QWidget* parent = nullptr);

    bool Renamed() const { return renameFlag; }
    QString Name() const;
    QString OldName() const { return oldName; }
    QLineEdit* NameEdit() const { return nameEdit; }
    QString FieldText(const QString& label) const;

    void accept() override;

private:
    QLineEdit* AddField(class QFormLayout* form, const QString& label, const QString& text, bool editable);

    QString oldName;
    bool renameFlag = false;
    QLineEdit* nameEdit = nullptr;
};
