#include "options/program_options_page.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <climits>

namespace {

// The committed value of a number field: its unsigned decimal value, or 0 for
// text that is not an unsigned number (a minus sign included).
int UnsignedValue(const QLineEdit* field) {
    bool isNumber = false;
    const uint value = field->text().trimmed().toUInt(&isNumber);
    if (!isNumber || value > static_cast<uint>(INT_MAX)) return 0;
    return static_cast<int>(value);
}

}  // namespace

ProgramOptionsPage::ProgramOptionsPage(const AppSettings& settings, QWidget* parent)
    : OptionsPage(
          QStringLiteral("preferences-system"),
          QStringLiteral("Quillmoor enables you to send and receive files over the Internet quickly "
                         "and easily. This tab allows you to define the program options for uploading "
                         "and downloading files."),
          parent),
      emailAddress(settings.email),
      port(settings.port),
      timeOut(settings.retry),
      sendBytes(settings.sendBytes),
      receiveBytes(settings.receiveBytes) {
    auto* form = new QFormLayout;
    emailField = AddTextField(form, QStringLiteral("e-mail Address:"));
    receiveField = AddTextField(form, QStringLiteral("Recieve Bytes:"));
    sendField = AddTextField(form, QStringLiteral("Send Bytes:"));
    portField = AddTextField(form, QStringLiteral("Port:"));
    timeOutField = AddTextField(form, QStringLiteral("Time Out:"));
    timeOutField->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), timeOutField));
    ContentLayout()->addLayout(form);

    for (QLineEdit* field : {emailField, receiveField, sendField, portField, timeOutField}) {
        connect(field, &QLineEdit::textChanged, this, [this] { SetModified(true); });
    }
}

void ProgramOptionsPage::Initialise() {
    emailField->setText(QString::fromStdString(emailAddress));
    receiveField->setText(QString::number(receiveBytes));
    sendField->setText(QString::number(sendBytes));
    portField->setText(QString::number(port));
    timeOutField->setText(QString::number(timeOut));
}

QWidget* ProgramOptionsPage::Validate() {
    emailAddress = emailField->text().toStdString();
    if (!ReadInteger(receiveField, receiveBytes)) return receiveField;
    if (!ReadInteger(sendField, sendBytes)) return sendField;
    if (!ReadInteger(portField, port)) return portField;
    if (!ReadInteger(timeOutField, timeOut)) return timeOutField;
    return nullptr;
}

void ProgramOptionsPage::Commit(AppSettings& settings) {
    SetModified(false);
    settings.port = UnsignedValue(portField);
    settings.sendBytes = UnsignedValue(sendField);
    settings.receiveBytes = UnsignedValue(receiveField);
    settings.retry = UnsignedValue(timeOutField);
    settings.email = emailField->text().toStdString();
}

void ProgramOptionsPage::SetModified(bool on) {
    if (modified == on) return;
    modified = on;
    emit modifiedChanged(on);
}
