#include "browser/batch_overwrite_policy.h"

BatchOverwritePolicy::BatchOverwritePolicy(QWidget* parent)
    : ask([parent](const ExistingFileFacts& facts) { return AskAboutExistingFile(parent, facts); }) {}

std::optional<ExistingFileChoice> BatchOverwritePolicy::ChoiceFor(const ExistingFileFacts& facts) {
    if (cancelled) return std::nullopt;
    if (remembered) return remembered;
    const ExistingFileAnswer answer = ask(facts);
    if (!answer.choice) {
        cancelled = true;
        return std::nullopt;
    }
    if (answer.applyToAll) remembered = answer.choice;
    return answer.choice;
}
