#include "app/target_question_answerer.h"

#include <QDateTime>
#include <QLocale>

#include "browser/existing_file_question.h"
#include "queue/core/target_questions.h"

namespace {

ExistingFileSide SideOf(const FileFacts& facts) {
    static const QLocale grouping(QLocale::English);
    ExistingFileSide side;
    if (facts.size >= 0) side.size = grouping.toString(static_cast<qlonglong>(facts.size)) + QStringLiteral(" bytes");
    if (facts.modified) {
        side.modified = QDateTime::fromSecsSinceEpoch(*facts.modified).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    }
    return side;
}

}  // namespace

TargetQuestionAnswerer::TargetQuestionAnswerer(TargetQuestions& questions, QObject* parent)
    : QObject(parent), questions(questions) {
    connect(&wake, &ThreadWake::woken, this, &TargetQuestionAnswerer::AnswerWaiting);
    questions.SetListener([this] { wake.Wake(); });
}

TargetQuestionAnswerer::~TargetQuestionAnswerer() { questions.SetListener({}); }

void TargetQuestionAnswerer::AnswerWaiting() {
    if (asking) return;
    asking = true;
    while (std::optional<TargetQuestion> question = questions.Next()) {
        ExistingFileFacts facts{QString::fromStdString(question->target), question->upload,
                                SideOf(question->existing), SideOf(question->incoming)};
        const ExistingFileAnswer answer = AskAboutExistingFile(dialogParent, facts);
        questions.Answer(question->job, TargetAnswer{answer.choice, answer.applyToAll});
    }
    asking = false;
}
