#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every message box and confirmation of the program goes through here, so tests
// can answer them without a modal loop.
enum class MessageIcon { Warning, Question, Information, Error };
// ResumeOverwriteCancel and ResumeRestartCancel: "Resume", then "Overwrite"
// or "Start Again" (both answer Yes), then "Cancel". OverwriteSkipCancel:
// "Overwrite" (Yes), "Skip" (No), "Cancel".
enum class MessageButtons {
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
    ResumeOverwriteCancel,
    ResumeRestartCancel,
    OverwriteSkipCancel
};
enum class MessageAnswer { Ok, Cancel, Yes, No, Resume };

struct MessageRequest {
    QString text;
    QString title;  // "Quillmoor" unless the caller says otherwise
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::Warning;
};

using MessageResponder = std::function<MessageAnswer(const MessageRequest&)>;

// Shows a modal message box, or hands the request to the installed responder.
MessageAnswer ShowMessage(QWidget* parent, const QString& text,
                          MessageButtons buttons = MessageButtons::Ok,
                          MessageIcon icon = MessageIcon::Warning);

// A Yes/No question with the question icon; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text);

// Installs a responder (tests); an empty one restores real message boxes.
void SetMessageResponder(MessageResponder responder);

// The application beep (stands in for the system's notification sounds).
void DesktopBeep();
