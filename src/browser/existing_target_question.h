#pragma once

#include <QString>
#include <optional>

#include "ftp/existing_file_choice.h"

class QWidget;

// Asks what a batch of queued transfers does with each target that already
// exists, one question per target, the batch's one place for it. nullopt
// means Cancel: nothing more of the batch is queued. Skip leaves that item
// out.
class ExistingTargetQuestion {
public:
    enum class Side { Local, Remote };

    explicit ExistingTargetQuestion(QWidget* parent) : parent(parent) {}

    std::optional<ExistingFileChoice> Ask(Side side, const QString& target);

private:
    QWidget* parent;
};
