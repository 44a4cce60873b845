#include "queue/core/target_decision.h"

TargetDecision DecideExistingTarget(ExistingFileChoice choice, const FileFacts& source,
                                    const FileFacts& target) {
    TargetDecision decision;
    if (!target.exists) return decision;
    switch (choice) {
        case ExistingFileChoice::Overwrite:
            break;
        case ExistingFileChoice::OverwriteIfNewer:
            if (source.modified && target.modified && *source.modified <= *target.modified) {
                decision.action = TargetDecision::Action::Skip;
                decision.note = "Skipped: the target is not older";
            }
            break;
        case ExistingFileChoice::Resume:
            if (source.size >= 0 && target.size >= source.size) {
                decision.action = TargetDecision::Action::Skip;
                decision.note = "Skipped: the target is complete";
            } else {
                decision.resume = true;
            }
            break;
        case ExistingFileChoice::Rename:
            decision.rename = true;
            break;
        case ExistingFileChoice::Skip:
            decision.action = TargetDecision::Action::Skip;
            decision.note = "Skipped: the target exists";
            break;
    }
    return decision;
}

std::optional<TargetDecision> DecideContinuation(bool upload, bool partialKept, const FileFacts& source,
                                                 const FileFacts& target) {
    TargetDecision decision;
    if (!upload && partialKept) {
        decision.resume = true;
        return decision;
    }
    const bool notOlder = source.modified && target.modified && *target.modified >= *source.modified;
    if (!target.exists || !notOlder || source.size < 0 || target.size < 0) return std::nullopt;
    if (target.size == source.size) {
        decision.action = TargetDecision::Action::Skip;
        decision.note = "Skipped: the target is complete";
        return decision;
    }
    if (upload && target.size < source.size) {
        decision.resume = true;
        return decision;
    }
    return std::nullopt;
}
