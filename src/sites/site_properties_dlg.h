#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

class AnonymousLogin;
class CIconSelectionDlg;
class QCheckBox;
class QLineEdit;
class QToolButton;

// "Properties": edits a whole site profile. Both Save buttons end it with
// Accepted and `buttonCode` tells which one (0 Save/Exit, 1 Save/Connect);
// Cancel ends it with Rejected and code 2. The caller copies the members and
// `currentIconSpec` into the profile; `anonymous` is not stored.
class CSitePropertiesDlg : public QDialog {
    Q_OBJECT

public:
    enum ButtonCode { kSaveExit = 0, kSaveConnect = 1, kCancel = 2 };

    explicit CSitePropertiesDlg(const QString& email, QWidget* parent = nullptr);

    bool useFirewall = false;
    QString host;
    bool anonymous = false;
    QString password;
    QString remoteDir;
    bool savePassword = false;
    QString userId;
    int buttonCode = kSaveExit;
    QString name;
    bool prompt = false;

    // The site's icon spec ("file ,index") and the icon made from it; the icon
    // button and the Icon Selection dialog change them.
    QString currentIconSpec;
    QIcon currentIcon;

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    // Runs the Icon Selection dialog (tests answer it without a modal loop).
    virtual int RunIconSelection(CIconSelectionDlg& dialog);

private:
    void Save(int code);
    void ChooseIcon();
    void ShowIcon();

    QLineEdit* nameEdit;
    QLineEdit* hostEdit;
    QLineEdit* userIdEdit;
    QLineEdit* passwordEdit;
    QLineEdit* remoteDirEdit;
    QCheckBox* anonymousBox;
    QCheckBox* savePasswordBox;
    QCheckBox* promptBox;
    QCheckBox* firewallBox;
    QToolButton* iconButton;
    AnonymousLogin* anonymousLogin;
};
