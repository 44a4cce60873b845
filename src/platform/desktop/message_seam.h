#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message box and confirmation of the program goes through here, so tests
// can answer them without a modal loop.
enum class MessageIcon { Warning, Question, Information, Error };
// ResumeOverwriteCancel and ResumeRestartCancel: "Resume", then "Overwrite"
// or "Start Again" (both answer Yes), then "Cancel". ExistingFile: what to
// do with a file that is already there, "Overwrite", "Overwrite if newer", "Resume",
// "Rename", "Skip" (each answering its own name) and "Cancel". UnsavedCatalogue:
// "Try Again", "Save As…" and "Quit Without Saving", Escape trying again.
// BothSidesChanged: "Keep Mine", "Take Theirs" and "Keep Both", Escape keeping both.
enum class MessageButtons {
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
    ResumeOverwriteCancel,
    ResumeRestartCancel,
    ExistingFile,
    UnsavedCatalogue,
    BothSidesChanged,
};
enum class MessageAnswer {
    Ok,
    Cancel,
    Yes,
    No,
    Resume,
    Overwrite,
    OverwriteIfNewer,
    Rename,
    Skip,
    TryAgain,
    SaveAs,
    QuitWithoutSaving,
    KeepMine,
    TakeTheirs,
    KeepBoth,
};

struct MessageRequest {
    QString text;
    QString title;  // "Quillmoor" unless the caller says otherwise
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::Warning;
    QString details;   // shown below the text when not empty
    QString checkBox;  // the text of a check box under the buttons; none when empty
};

// The button pressed, and whether the request's check box was ticked. Made
// from a plain answer too, so a responder that knows of no check box simply
// returns the answer.
struct MessageReply {
    MessageReply(MessageAnswer answer, bool checked = false) : answer(answer), checked(checked) {}
    MessageAnswer answer;
    bool checked;
};

using MessageResponder = std::function<MessageReply(const MessageRequest&)>;

// Shows a modal message box, or hands the request to the installed responder.
MessageAnswer ShowMessage(QWidget* parent, const QString& text, MessageButtons buttons = MessageButtons::Ok,
                          MessageIcon icon = MessageIcon::Warning);

// Shows the request (its details and check box too), or hands it to the
// installed responder.
MessageReply AskMessage(QWidget* parent, const MessageRequest& request);

// A Yes/No question with the question icon; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text);

// Installs a responder (tests); an empty one restores real message boxes.
void SetMessageResponder(MessageResponder responder);

// The application beep (stands in for the system's notification sounds).
void DesktopBeep();
