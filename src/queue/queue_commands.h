#pragma once

#include <QString>
#include <vector>

#include "queue/core/transfer_job.h"

// What the user can ask of the queue's jobs, in the order the pane offers it.
enum class QueueCommand { Pause, Resume, Cancel, Retry, Remove, ClearFinished };

inline constexpr QueueCommand kQueueCommands[] = {QueueCommand::Pause,  QueueCommand::Resume,
                                                  QueueCommand::Cancel, QueueCommand::Retry,
                                                  QueueCommand::Remove, QueueCommand::ClearFinished};

// The button and menu text.
QString QueueCommandText(QueueCommand command);

// Whether the command does something to a selected job in that state. Clear
// Finished acts on the whole queue: it applies to done and verified jobs.
bool QueueCommandApplies(QueueCommand command, JobState state);

// Whether the command is offered: for a selected job it applies to (Clear
// Finished: for any job of the queue).
bool QueueCommandEnabled(QueueCommand command, const std::vector<JobState>& selected,
                         const std::vector<JobState>& all);
