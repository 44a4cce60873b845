#pragma once

#include <QIcon>
#include <optional>

#include "ftp/data_mode.h"
#include "ftp/tls/encryption.h"
#include "sites/login_fields_dialog.h"

class IconSelectionDialog;
class QComboBox;
class QPushButton;
class QToolButton;

// "Properties": edits a whole site profile. Both Save buttons end it with
// Accepted and `buttonCode` tells which one (0 Save/Exit, 1 Save/Connect);
// Cancel ends it with Rejected and code 2. The caller copies the members and
// `currentIconSpec` into the profile; `anonymous` is not stored.
class SitePropertiesDialog : public LoginFieldsDialog {
    Q_OBJECT

public:
    enum ButtonCode { kSaveExit = 0, kSaveConnect = 1, kCancel = 2 };

    explicit SitePropertiesDialog(const QString& email, QWidget* parent = nullptr);

    int buttonCode = kSaveExit;
    QString name;
    bool prompt = false;
    std::optional<DataMode> dataMode;  // unset: the program's default
    tls::Encryption encryption = tls::kDefaultEncryption;
    // The user picked an encryption in the box: one the catalogue named but
    // this version does not know (SiteProfile::unknownEncryption) gives way.
    bool encryptionChosen = false;
    // The trusted certificate's fingerprint, carried through unchanged unless
    // the user forgets it ("Forget trusted certificate" empties it).
    QString tlsFingerprint;

    // The site's icon spec ("file ,index") and the icon made from it; the icon
    // button and the Icon Selection dialog change them.
    QString currentIconSpec;
    QIcon currentIcon;

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    // Runs the Icon Selection dialog (tests answer it without a modal loop).
    virtual int RunIconSelection(IconSelectionDialog& dialog);

private:
    void Save(int code);
    void ChooseIcon();
    void ShowIcon();
    void ShowTrustedCertificate();

    QLineEdit* nameEdit;
    QCheckBox* savePasswordBox;
    QCheckBox* promptBox;
    QToolButton* iconButton;
    QComboBox* dataModeBox;
    QComboBox* encryptionBox;
    QPushButton* forgetCertificateButton;
};
