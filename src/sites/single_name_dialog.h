#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// A modal dialog with an explanation, one edit and OK / Cancel. It accepts any
// text, the empty one included; callers refuse what they must.
class SingleNameDialog : public QDialog {
    Q_OBJECT

public:
    SingleNameDialog(const QString& title, const QString& text, const QString& label, QWidget* parent);

    QString name;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* nameEdit;
};
