#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QLineEdit;
class QListWidget;

// "Icon Selection": shows the icons of one file (index 0, 1, 2 ... up to the
// first that is missing) and lets the user pick one or browse for another
// file. OK leaves the picked index (or -1) and the file name for the caller;
// Cancel leaves both as read from the starting spec.
class IconSelectionDialog : public QDialog {
    Q_OBJECT

public:
    // Picks a file: (parent, title, starting file, filter) -> path, or "" when cancelled.
    using FileChooser = std::function<QString(QWidget*, const QString&, const QString&, const QString&)>;

    // `startSpec` is "file ,index" or "file" or a bare number.
    explicit IconSelectionDialog(const QString& startSpec, QWidget* parent = nullptr);

    QString fileName;
    int selectedIconIndex = -1;

    void accept() override;

    // Replaces the file-open dialog (tests); an empty chooser restores it.
    static void SetFileChooser(FileChooser chooser);

private:
    void FillList(const QString& file);
    void Browse();

    QListWidget* iconList;
    QLineEdit* fileNameEdit;
};
