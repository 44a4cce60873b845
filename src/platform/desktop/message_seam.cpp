#include "platform/desktop/message_seam.h"

#include <QApplication>
#include <QMessageBox>

namespace {

MessageResponder& Responder() {
    static MessageResponder responder;
    return responder;
}

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Question: return QMessageBox::Question;
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Error: return QMessageBox::Critical;
        case MessageIcon::Warning: break;
    }
    return QMessageBox::Warning;
}

QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

MessageAnswer FromQtButton(int button) {
    switch (button) {
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        case QMessageBox::Cancel: return MessageAnswer::Cancel;
        default: return MessageAnswer::Ok;
    }
}

}  // namespace

MessageAnswer ShowMessage(QWidget* parent, const QString& text, MessageButtons buttons, MessageIcon icon) {
    MessageRequest request{text, QStringLiteral("Quillmoor"), buttons, icon};
    if (Responder()) return Responder()(request);

    QMessageBox box(ToQtIcon(icon), request.title, text, ToQtButtons(buttons), parent);
    box.setAccessibleName(request.title);
    box.setAccessibleDescription(text);
    // Escape picks No or Cancel: Qt maps it to the box's cautious button.
    return FromQtButton(box.exec());
}

bool AskYesNo(QWidget* parent, const QString& text) {
    return ShowMessage(parent, text, MessageButtons::YesNo, MessageIcon::Question) == MessageAnswer::Yes;
}

void SetMessageResponder(MessageResponder responder) { Responder() = std::move(responder); }

void DesktopBeep() { QApplication::beep(); }
