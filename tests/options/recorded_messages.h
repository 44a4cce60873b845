#pragma once

#include <QStringList>

#include "platform/desktop/message_seam.h"

// Answers every message box with OK (or the given answer) and keeps its text,
// for as long as it lives.
class RecordedMessages {
public:
    explicit RecordedMessages(MessageAnswer answer = MessageAnswer::Ok) {
        SetMessageResponder([this, answer](const MessageRequest& request) {
            texts.append(request.text);
            return answer;
        });
    }
    ~RecordedMessages() { SetMessageResponder({}); }
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    QStringList texts;
};
