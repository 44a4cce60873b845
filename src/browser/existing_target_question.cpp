#include "browser/existing_target_question.h"

#include "platform/desktop/message_seam.h"

namespace {

QString QuestionText(ExistingTargetQuestion::Side side, ExistingTargetQuestion::Kind kind,
                     const QString& target) {
    const bool remote = side == ExistingTargetQuestion::Side::Remote;
    if (kind == ExistingTargetQuestion::Kind::File) {
        return remote ? QStringLiteral("File %1 already exists on the server.\n Do you wish to overwrite it?")
                            .arg(target)
                      : QStringLiteral("File %1 already exists.\n Do you wish to overwrite it?").arg(target);
    }
    return QStringLiteral(
               "Folder %1 already exists%2.\n Overwrite the files in it that are there too? Skip keeps "
               "them and %3 the rest.")
        .arg(target, remote ? QStringLiteral(" on the server") : QString(),
             remote ? QStringLiteral("sends") : QStringLiteral("brings"));
}

}  // namespace

std::optional<ExistingFileChoice> ExistingTargetQuestion::Ask(Side side, Kind kind, const QString& target) {
    switch (ShowMessage(parent, QuestionText(side, kind, target), MessageButtons::OverwriteSkipCancel,
                        MessageIcon::Question)) {
        case MessageAnswer::Yes:
            return ExistingFileChoice::Overwrite;
        case MessageAnswer::No:
            return ExistingFileChoice::Skip;
        default:
            return std::nullopt;
    }
}
