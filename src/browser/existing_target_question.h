#pragma once

#include <QString>
#include <optional>

#include "ftp/existing_file_choice.h"

class QWidget;

// Asks what a batch of queued transfers does with each target that already
// exists, one question per target, the batch's one place for it. nullopt
// means Cancel: nothing more of the batch is queued. For a file, Skip leaves
// it out; for a folder (its files join the one there), Skip keeps the files
// already there and brings the rest, Overwrite replaces them too.
class ExistingTargetQuestion {
public:
    enum class Side { Local, Remote };
    enum class Kind { File, Folder };

    explicit ExistingTargetQuestion(QWidget* parent) : parent(parent) {}

    std::optional<ExistingFileChoice> Ask(Side side, Kind kind, const QString& target);

private:
    QWidget* parent;
};
