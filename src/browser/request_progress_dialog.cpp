#include "browser/request_progress_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

std::function<void(RequestProgressDialog&)>& Observer() {
    static std::function<void(RequestProgressDialog&)> observer;
    return observer;
}

}  // namespace

void RequestProgressDialog::SetObserver(std::function<void(RequestProgressDialog&)> observer) {
    Observer() = std::move(observer);
}

QString RequestProgressDialog::Text() const { return textLabel->text(); }

RequestProgressDialog::RequestProgressDialog(const QString& title, const QString& text, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    setModal(false);
    textLabel = new QLabel(text, this);
    textLabel->setWordWrap(true);
    textLabel->setMinimumWidth(280);
    textLabel->setAccessibleName(title);
    bar = new QProgressBar(this);
    bar->setAccessibleName(QStringLiteral("Progress"));
    bar->setRange(0, 0);  // busy until a size is known
    bar->setTextVisible(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &RequestProgressDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(textLabel);
    layout->addWidget(bar);
    layout->addWidget(buttons);
    QTimer::singleShot(kShowAfterMs, this, [this] { show(); });
}

void RequestProgressDialog::Announce() {
    if (Observer()) Observer()(*this);
}

void RequestProgressDialog::ShowProgress(qint64 doneBytes, qint64 totalBytes) {
    if (totalBytes <= 0) {
        bar->setRange(0, 0);
        bar->setAccessibleDescription(QLocale().toString(doneBytes) + QStringLiteral(" bytes"));
        return;
    }
    // The bar counts in kibibytes so that sizes past 2 GiB fit its int range.
    bar->setRange(0, static_cast<int>(totalBytes / 1024 + 1));
    bar->setValue(static_cast<int>(doneBytes / 1024));
    bar->setAccessibleDescription(
        QStringLiteral("%1 of %2 bytes").arg(QLocale().toString(doneBytes), QLocale().toString(totalBytes)));
}

void RequestProgressDialog::reject() {
    emit cancelRequested();
    hide();
}
