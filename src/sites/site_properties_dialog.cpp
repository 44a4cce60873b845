#include "sites/site_properties_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "platform/desktop/icon_spec.h"
#include "platform/desktop/message_seam.h"
#include "sites/dialog_fields.h"
#include "sites/icon_selection_dialog.h"

namespace {

// The data connection choices in the order the box lists them.
constexpr std::array<std::optional<DataMode>, 3> kDataModeChoices{std::nullopt, DataMode::Passive,
                                                                  DataMode::Active};

// The encryption choices in the order the box lists them, with their texts.
constexpr std::array<tls::Encryption, 4> kEncryptionChoices{
    tls::Encryption::RequireExplicit, tls::Encryption::ExplicitIfAvailable, tls::Encryption::RequireImplicit,
    tls::Encryption::Plain};
constexpr std::array<const char*, 4> kEncryptionTexts{
    "Require explicit FTP over TLS", "Use explicit FTP over TLS if available",
    "Require implicit FTP over TLS", "Plain FTP (insecure)"};

template <typename Choices, typename Value>
int ChoiceIndex(const Choices& choices, const Value& value) {
    return static_cast<int>(std::find(choices.begin(), choices.end(), value) - choices.begin());
}

}  // namespace

SitePropertiesDialog::SitePropertiesDialog(const QString& email, QWidget* parent)
    : LoginFieldsDialog(email, parent),
      nameEdit(new QLineEdit),
      savePasswordBox(new QCheckBox(QStringLiteral("Sa&ve Password"))),
      promptBox(new QCheckBox(QStringLiteral("Prompt"))),
      iconButton(new QToolButton),
      dataModeBox(new QComboBox),
      encryptionBox(new QComboBox),
      forgetCertificateButton(new QPushButton(QStringLiteral("&Forget trusted certificate"))) {
    setWindowTitle(QStringLiteral("Properties"));
    // Every field becomes one line of the catalogue file.
    LimitToCatalogueLine(nameEdit, "");
    LimitToCatalogueLine(hostEdit, "HOST");
    LimitToCatalogueLine(userIdEdit, "UID");
    LimitToCatalogueLine(passwordEdit, "PASSWORD");
    LimitToCatalogueLine(remoteDirEdit, "REMOTEDIR");

    iconButton->setIconSize(QSize(32, 32));
    iconButton->setFixedSize(44, 44);
    iconButton->setFocusPolicy(Qt::StrongFocus);
    connect(iconButton, &QToolButton::clicked, this, &SitePropertiesDialog::ChooseIcon);
    auto* iconRow = new QHBoxLayout;
    iconRow->addWidget(iconButton);
    iconRow->addWidget(BuddyLabel(QStringLiteral("Select icon for site"), iconButton));
    iconButton->setToolTip(QStringLiteral("Select icon for site"));
    iconRow->addStretch();

    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(QStringLiteral("Profile Name:"), nameEdit), nameEdit);
    AddLoginRows(form);
    form->addRow(BuddyLabel(QStringLiteral("Initial Directory on the Remote Host:"), remoteDirEdit),
                 remoteDirEdit);
    dataModeBox->addItems(
        {QStringLiteral("Program default"), QStringLiteral("Passive"), QStringLiteral("Active")});
    dataModeBox->setToolTip(
        QStringLiteral("Passive: Quillmoor connects to the server for each listing or "
                       "file. Active: the server connects back to Quillmoor."));
    form->addRow(BuddyLabel(QStringLiteral("&Data connection:"), dataModeBox), dataModeBox);
    for (const char* text : kEncryptionTexts) encryptionBox->addItem(QString::fromUtf8(text));
    encryptionBox->setToolTip(
        QStringLiteral("Explicit: the connection starts in plain FTP and switches to TLS before the log-in. "
                       "Implicit: TLS from the first byte, usually on port 990. Plain FTP sends the password "
                       "and files readable by anyone on the way."));
    form->addRow(BuddyLabel(QStringLiteral("&Encryption:"), encryptionBox), encryptionBox);
    connect(encryptionBox, &QComboBox::activated, this, [this] { encryptionChosen = true; });
    // Enter in a field must still mean Save/Exit, never forgetting the certificate.
    forgetCertificateButton->setAutoDefault(false);
    connect(forgetCertificateButton, &QPushButton::clicked, this, [this] {
        tlsFingerprint.clear();
        ShowTrustedCertificate();
    });
    form->addRow(QString(), forgetCertificateButton);

    auto* boxes = new QHBoxLayout;
    for (QCheckBox* box : {anonymousBox, savePasswordBox, promptBox, firewallBox}) boxes->addWidget(box);

    auto* buttons = new QDialogButtonBox;
    QPushButton* saveExit = buttons->addButton(QStringLiteral("Save/Exit"), QDialogButtonBox::AcceptRole);
    QPushButton* saveConnect =
        buttons->addButton(QStringLiteral("Save/Connect"), QDialogButtonBox::ApplyRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    saveExit->setDefault(true);
    connect(saveExit, &QPushButton::clicked, this, [this] { Save(kSaveExit); });
    connect(saveConnect, &QPushButton::clicked, this, [this] { Save(kSaveConnect); });
    connect(cancel, &QPushButton::clicked, this, &SitePropertiesDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(iconRow);
    layout->addLayout(form);
    layout->addLayout(boxes);
    layout->addWidget(buttons);
}

void SitePropertiesDialog::showEvent(QShowEvent* event) {
    nameEdit->setText(name);
    savePasswordBox->setChecked(savePassword);
    promptBox->setChecked(prompt);
    dataModeBox->setCurrentIndex(ChoiceIndex(kDataModeChoices, dataMode));
    encryptionBox->setCurrentIndex(ChoiceIndex(kEncryptionChoices, encryption));
    ShowTrustedCertificate();
    ShowIcon();
    ShowLoginFields();
    // The name first: it is what a new site needs, and what a user types at once.
    nameEdit->setFocus(Qt::OtherFocusReason);
    QDialog::showEvent(event);
}

void SitePropertiesDialog::ShowIcon() {
    iconButton->setIcon(currentIcon);
    iconButton->setAccessibleDescription(currentIconSpec);
}

void SitePropertiesDialog::ShowTrustedCertificate() {
    // Forgetting the certificate makes the next connection ask again, as for
    // a site never connected to.
    forgetCertificateButton->setEnabled(!tlsFingerprint.isEmpty());
    forgetCertificateButton->setToolTip(
        tlsFingerprint.isEmpty()
            ? QStringLiteral("No certificate is trusted for this site.")
            : QStringLiteral("Trusted certificate: ") + tlsFingerprint +
                  QStringLiteral(". Forget it, so that the next connection asks again."));
}

void SitePropertiesDialog::Save(int code) {
    buttonCode = code;
    name = nameEdit->text();
    ReadLoginFields();
    KeepStoredAnonymousPassword();
    savePassword = savePasswordBox->isChecked();
    prompt = promptBox->isChecked();
    dataMode = kDataModeChoices[dataModeBox->currentIndex()];
    encryption = kEncryptionChoices[encryptionBox->currentIndex()];
    if (name.isEmpty()) {
        DesktopBeep();
        ShowMessage(this, QStringLiteral("You must provide a Profile Name."));
        return;
    }
    // Each field is one line of the catalogue file; a line break would split it.
    if (const QString problem =
            LineBreakProblem({nameEdit, hostEdit, userIdEdit, passwordEdit, remoteDirEdit});
        !problem.isEmpty()) {
        DesktopBeep();
        ShowMessage(this, problem);
        return;
    }
    accept();
}

void SitePropertiesDialog::reject() {
    buttonCode = kCancel;
    QDialog::reject();
}

int SitePropertiesDialog::RunIconSelection(IconSelectionDialog& dialog) { return dialog.exec(); }

void SitePropertiesDialog::ChooseIcon() {
    IconSelectionDialog dialog(currentIconSpec.isEmpty() ? QStringLiteral("Wexal.exe, 32") : currentIconSpec,
                               this);
    RunIconSelection(dialog);
    if (dialog.selectedIconIndex == -1) return;
    currentIconSpec = dialog.fileName + QStringLiteral(" ,") + QString::number(dialog.selectedIconIndex);
    currentIcon = IconFromSpec(currentIconSpec);
    ShowIcon();
}
