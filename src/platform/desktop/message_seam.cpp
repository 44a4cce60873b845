#include "platform/desktop/message_seam.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

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
        case MessageButtons::ResumeOverwriteCancel:
        case MessageButtons::ResumeRestartCancel:
        case MessageButtons::OverwriteSkipCancel:
            return QMessageBox::Cancel;  // the others are added by name
        case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

// A button of a text that no standard button has; the mnemonic makes it
// reachable with Alt, the accessible name is the text without it.
QPushButton* AddNamedButton(QMessageBox& box, const QString& text, QMessageBox::ButtonRole role) {
    QPushButton* button = box.addButton(text, role);
    button->setAccessibleName(QString(text).remove(u'&'));
    return button;
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
    if (buttons == MessageButtons::ResumeOverwriteCancel || buttons == MessageButtons::ResumeRestartCancel) {
        QPushButton* resume = AddNamedButton(box, QStringLiteral("&Resume"), QMessageBox::AcceptRole);
        const QString againText = buttons == MessageButtons::ResumeOverwriteCancel
                                      ? QStringLiteral("&Overwrite")
                                      : QStringLiteral("&Start Again");
        QPushButton* again = AddNamedButton(box, againText, QMessageBox::DestructiveRole);
        box.setDefaultButton(resume);
        box.setEscapeButton(QMessageBox::Cancel);
        box.exec();
        if (box.clickedButton() == resume) return MessageAnswer::Resume;
        return box.clickedButton() == again ? MessageAnswer::Yes : MessageAnswer::Cancel;
    }
    if (buttons == MessageButtons::OverwriteSkipCancel) {
        QPushButton* overwrite = AddNamedButton(box, QStringLiteral("&Overwrite"), QMessageBox::DestructiveRole);
        QPushButton* skip = AddNamedButton(box, QStringLiteral("&Skip"), QMessageBox::RejectRole);
        // The safe choice is the default: Enter never replaces a file.
        box.setDefaultButton(skip);
        box.setEscapeButton(QMessageBox::Cancel);
        box.exec();
        if (box.clickedButton() == overwrite) return MessageAnswer::Yes;
        return box.clickedButton() == skip ? MessageAnswer::No : MessageAnswer::Cancel;
    }
    // Escape picks No or Cancel: Qt maps it to the box's cautious button.
    return FromQtButton(box.exec());
}

bool AskYesNo(QWidget* parent, const QString& text) {
    return ShowMessage(parent, text, MessageButtons::YesNo, MessageIcon::Question) == MessageAnswer::Yes;
}

void SetMessageResponder(MessageResponder responder) { Responder() = std::move(responder); }

void DesktopBeep() { QApplication::beep(); }
