#include "platform/desktop/message_seam.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

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
        case MessageButtons::ExistingFile:
            return QMessageBox::Cancel;  // the others are added by name
        case MessageButtons::UnsavedCatalogue:
        case MessageButtons::BothSidesChanged:
            return QMessageBox::NoButton;  // all added by name
        case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

// A button of a text that no standard button has, and the answer it gives.
struct NamedButton {
    const char* text;  // with the mnemonic that makes it reachable with Alt
    QMessageBox::ButtonRole role;
    MessageAnswer answer;
    bool escape = false;  // Escape presses it (otherwise Escape is Cancel)
};

// The named buttons of a set, in the order shown; the first is the default
// (the one Enter presses).
std::vector<NamedButton> NamedButtons(MessageButtons buttons) {
    using Role = QMessageBox::ButtonRole;
    switch (buttons) {
        case MessageButtons::ResumeOverwriteCancel:
            return {{"&Resume", Role::AcceptRole, MessageAnswer::Resume},
                    {"&Overwrite", Role::DestructiveRole, MessageAnswer::Yes}};
        case MessageButtons::ResumeRestartCancel:
            return {{"&Resume", Role::AcceptRole, MessageAnswer::Resume},
                    {"&Start Again", Role::DestructiveRole, MessageAnswer::Yes}};
        // The safe choice is the default: Enter never replaces a file.
        case MessageButtons::ExistingFile:
            return {{"&Skip", Role::RejectRole, MessageAnswer::Skip},
                    {"&Overwrite", Role::DestructiveRole, MessageAnswer::Overwrite},
                    {"Overwrite if ne&wer", Role::DestructiveRole, MessageAnswer::OverwriteIfNewer},
                    {"&Resume", Role::AcceptRole, MessageAnswer::Resume},
                    {"Re&name", Role::AcceptRole, MessageAnswer::Rename}};
        // Neither Enter nor Escape throws away a change.
        case MessageButtons::UnsavedCatalogue:
            return {{"&Try Again", Role::AcceptRole, MessageAnswer::TryAgain, true},
                    {"&Save As…", Role::AcceptRole, MessageAnswer::SaveAs},
                    {"&Quit Without Saving", Role::DestructiveRole, MessageAnswer::QuitWithoutSaving}};
        case MessageButtons::BothSidesChanged:
            return {{"Keep &Both", Role::AcceptRole, MessageAnswer::KeepBoth, true},
                    {"Keep &Mine", Role::AcceptRole, MessageAnswer::KeepMine},
                    {"&Take Theirs", Role::AcceptRole, MessageAnswer::TakeTheirs}};
        default:
            return {};
    }
}

MessageAnswer FromQtButton(int button) {
    switch (button) {
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        case QMessageBox::Cancel: return MessageAnswer::Cancel;
        default:
            return MessageAnswer::Ok;
    }
}

QString WithoutMnemonic(const QString& text) { return QString(text).remove(u'&'); }

}  // namespace

MessageReply AskMessage(QWidget* parent, const MessageRequest& given) {
    MessageRequest request = given;
    if (request.title.isEmpty()) request.title = QStringLiteral("Quillmoor");
    if (Responder()) return Responder()(request);

    QMessageBox box(ToQtIcon(request.icon), request.title, request.text, ToQtButtons(request.buttons),
                    parent);
    box.setAccessibleName(request.title);
    box.setAccessibleDescription(request.details.isEmpty() ? request.text
                                                           : request.text + u'\n' + request.details);
    if (!request.details.isEmpty()) box.setInformativeText(request.details);
    if (!request.checkBox.isEmpty()) {
        auto* check = new QCheckBox(request.checkBox, &box);
        check->setAccessibleName(WithoutMnemonic(request.checkBox));
        box.setCheckBox(check);
    }
    std::vector<std::pair<QAbstractButton*, MessageAnswer>> named;
    QPushButton* escape = nullptr;
    for (const NamedButton& spec : NamedButtons(request.buttons)) {
        const QString text = QString::fromUtf8(spec.text);
        QPushButton* button = box.addButton(text, spec.role);
        button->setAccessibleName(WithoutMnemonic(text));
        named.emplace_back(button, spec.answer);
        if (spec.escape) escape = button;
    }
    if (named.empty()) {
        // Escape picks No or Cancel: Qt maps it to the box's cautious button.
        const MessageAnswer answer = FromQtButton(box.exec());
        return {answer, box.checkBox() != nullptr && box.checkBox()->isChecked()};
    }
    box.setDefaultButton(static_cast<QPushButton*>(named.front().first));
    if (escape)
        box.setEscapeButton(escape);
    else
        box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    MessageAnswer answer = escape ? named.front().second : MessageAnswer::Cancel;
    for (const auto& [button, buttonAnswer] : named) {
        if (box.clickedButton() == button) answer = buttonAnswer;
    }
    return {answer, box.checkBox() != nullptr && box.checkBox()->isChecked()};
}

MessageAnswer ShowMessage(QWidget* parent, const QString& text, MessageButtons buttons, MessageIcon icon) {
    MessageRequest request;
    request.text = text;
    request.buttons = buttons;
    request.icon = icon;
    return AskMessage(parent, request).answer;
}

bool AskYesNo(QWidget* parent, const QString& text) {
    return ShowMessage(parent, text, MessageButtons::YesNo, MessageIcon::Question) == MessageAnswer::Yes;
}

void SetMessageResponder(MessageResponder responder) { Responder() = std::move(responder); }

void DesktopBeep() { QApplication::beep(); }
