#include "queue/queue_commands.h"

#include <algorithm>

QString QueueCommandText(QueueCommand command) {
    switch (command) {
        case QueueCommand::Pause:
            return QStringLiteral("Pause");
        case QueueCommand::Resume:
            return QStringLiteral("Resume");
        case QueueCommand::Cancel:
            return QStringLiteral("Cancel");
        case QueueCommand::Retry:
            return QStringLiteral("Retry");
        case QueueCommand::Remove:
            return QStringLiteral("Remove");
        case QueueCommand::ClearFinished:
            return QStringLiteral("Clear Finished");
    }
    return {};
}

bool QueueCommandApplies(QueueCommand command, JobState state) {
    switch (command) {
        case QueueCommand::Pause:
            return state == JobState::Queued || state == JobState::Running;
        case QueueCommand::Resume:
            return state == JobState::Paused;
        case QueueCommand::Cancel:
            return state == JobState::Queued || state == JobState::Running || state == JobState::Paused;
        case QueueCommand::Retry:
            return state == JobState::Failed;
        case QueueCommand::Remove:
            return true;  // a running job is cancelled first
        case QueueCommand::ClearFinished:
            return IsFinished(state);
    }
    return false;
}

bool QueueCommandEnabled(QueueCommand command, const std::vector<JobState>& selected,
                         const std::vector<JobState>& all) {
    const std::vector<JobState>& jobs = command == QueueCommand::ClearFinished ? all : selected;
    return std::any_of(jobs.begin(), jobs.end(),
                       [command](JobState state) { return QueueCommandApplies(command, state); });
}
