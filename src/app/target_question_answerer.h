#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "platform/desktop/thread_wake.h"

class TargetQuestions;

// Shows the queue workers' questions about targets that jobs without a
// choice found there, one after another on the user-interface thread, and
// hands each answer back to the worker that waits for it.
class TargetQuestionAnswerer : public QObject {
    Q_OBJECT

public:
    // Listens to questions until destroyed; the questions outlive it.
    TargetQuestionAnswerer(TargetQuestions& questions, QObject* parent = nullptr);
    ~TargetQuestionAnswerer() override;

    // The window the questions belong to.
    void SetDialogParent(QWidget* window) { dialogParent = window; }

private:
    void AnswerWaiting();

    TargetQuestions& questions;
    ThreadWake wake;
    QPointer<QWidget> dialogParent;
    bool asking = false;  // a question is on screen; wakes meanwhile are served by its loop
};
