#pragma once

#include <functional>
#include <optional>

#include "browser/existing_file_question.h"

class QWidget;

// What one batch of transfers (the files of Download to..., of an upload)
// does with targets that exist: asks for each, until the user says the answer
// holds for the rest of the batch, or cancels the batch.
class BatchOverwritePolicy {
public:
    using Ask = std::function<ExistingFileAnswer(const ExistingFileFacts&)>;

    // Asks through the question of existing_file_question.h.
    explicit BatchOverwritePolicy(QWidget* parent);
    explicit BatchOverwritePolicy(Ask ask) : ask(std::move(ask)) {}

    // The choice for one existing target; none when the batch is cancelled
    // (then, without asking, for every later target too).
    std::optional<ExistingFileChoice> ChoiceFor(const ExistingFileFacts& facts);
    bool Cancelled() const { return cancelled; }

private:
    Ask ask;
    std::optional<ExistingFileChoice> remembered;
    bool cancelled = false;
};
