#include "options/transfer_options_page.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

TransferOptionsPage::TransferOptionsPage(const AppSettings& settings, QWidget* parent)
    : OptionsPage(
          QStringLiteral("network-transmit-receive"),
          QStringLiteral("Quillmoor allows you to transfer files between your computer and virtually "
                         "any other FTP site which supports the industry standard File Transfer "
                         "Protocol. This tab enable you to select general program options for "
                         "transferring and saving files."),
          parent),
      loaded(settings) {
    modeButtons = AddRadioGroup(QStringLiteral("Default Mode"),
                                {{"Auto-Detect", 'F'}, {"Binary", 'I'}, {"ASCII", 'A'}}, modeLetter);

    auto* clickBox = new QGroupBox(QStringLiteral("Double Click-Options"), this);
    auto* clickLayout = new QHBoxLayout(clickBox);  // side by side: the page fits small screens
    saveOnDoubleClick = new QCheckBox(QStringLiteral("Save File On Double-Click"), clickBox);
    viewOnDoubleClick = new QCheckBox(QStringLiteral("View File On Double-Click"), clickBox);
    clickLayout->addWidget(saveOnDoubleClick);
    clickLayout->addWidget(viewOnDoubleClick);
    ContentLayout()->addWidget(clickBox);

    auto* directoryBox = new QGroupBox(QStringLiteral("Default Download Directory"), this);
    auto* directoryLayout = new QVBoxLayout(directoryBox);
    downloadDirectory = new QLineEdit(directoryBox);
    downloadDirectory->setAccessibleName(QStringLiteral("Default Download Directory"));
    directoryLayout->addWidget(downloadDirectory);
    ContentLayout()->addWidget(directoryBox);

    passiveMode = new QCheckBox(QStringLiteral("Use passive mode"), this);
    passiveMode->setToolTip(QStringLiteral(
        "Quillmoor opens each data connection to the server, which works through most firewalls and "
        "routers. Sites can choose otherwise in their properties."));
    keepModificationTimes = new QCheckBox(QStringLiteral("Keep the server's modification times"), this);
    keepModificationTimes->setToolTip(QStringLiteral(
        "Downloaded files get the date and time they were last changed on the server, not the time they "
        "arrived."));

    const QString queueLabel = QStringLiteral("Extra connections for the transfer queue:");
    queueConnections = new QSpinBox(this);
    queueConnections->setRange(1, 10);
    // Room for its text field to show a whole line, whatever the style's frame.
    queueConnections->setMinimumSize(queueConnections->sizeHint() + QSize(16, 6));
    queueConnections->setAccessibleName(AccessibleLabel(queueLabel));
    queueConnections->setToolTip(QStringLiteral(
        "Queued transfers run on connections of their own while you keep browsing. With 1 they run one at "
        "a time."));
    auto* queueCaption = new QLabel(queueLabel, this);
    queueCaption->setBuddy(queueConnections);

    auto* connections = new QGridLayout;
    connections->addWidget(passiveMode, 0, 0);
    connections->addWidget(keepModificationTimes, 0, 1);
    connections->addWidget(queueCaption, 1, 0);
    connections->addWidget(queueConnections, 1, 1, Qt::AlignLeft);
    ContentLayout()->addLayout(connections);
}

void TransferOptionsPage::Initialise() {
    modeLetter = loaded.transferMode;
    if (QAbstractButton* button = modeButtons->button(modeLetter)) button->setChecked(true);
    saveOnDoubleClick->setChecked(loaded.saveOnDoubleClick != 0);
    viewOnDoubleClick->setChecked(loaded.viewOnDoubleClick != 0);
    downloadDirectory->setText(QString::fromStdString(loaded.defaultDownloadDirectory));
    passiveMode->setChecked(loaded.passiveMode != 0);
    keepModificationTimes->setChecked(loaded.keepModificationTimes != 0);
    queueConnections->setValue(loaded.queueConnections);  // the box brings a stored value into range
}

void TransferOptionsPage::Commit(AppSettings& settings) {
    settings.saveOnDoubleClick = saveOnDoubleClick->isChecked() ? 1 : 0;
    settings.viewOnDoubleClick = viewOnDoubleClick->isChecked() ? 1 : 0;
    settings.defaultDownloadDirectory = downloadDirectory->text().toStdString();
    settings.transferMode = modeLetter;
    settings.passiveMode = passiveMode->isChecked() ? 1 : 0;
    settings.keepModificationTimes = keepModificationTimes->isChecked() ? 1 : 0;
    settings.queueConnections = queueConnections->value();
}
