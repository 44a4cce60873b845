#pragma once

#include <QDialog>

class QLineEdit;

// Asks for the name of a new remote directory, created in the directory the
// list shows. The caller checks for an empty name and sends the command.
class CreateDirectoryDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxNameLength = 128;

    explicit CreateDirectoryDialog(QWidget* parent = nullptr);

    QString Name() const;
    QLineEdit* NameEdit() const { return nameEdit; }

    void accept() override;

private:
    QLineEdit* nameEdit;
};
