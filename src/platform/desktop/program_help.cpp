#include "platform/desktop/program_help.h"

#include <QDialog>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/desktop/app_icons.h"

namespace {

// Anchor names in the help text: the heading in lower case, spaces as dashes.
QString AnchorFor(const QString& topic) {
    return topic.toLower().simplified().replace(QLatin1Char(' '), QLatin1Char('-'));
}

}  // namespace

void OpenProgramHelp(QWidget* parent, const QString& topic) {
    InitDesktopResources();
    // One help window at a time; a second request reuses and raises it.
    static QPointer<QDialog> window;
    if (!window) {
        window = new QDialog(parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QStringLiteral("Quillmoor Help"));
        window->resize(560, 480);
        auto* browser = new QTextBrowser(window);
        browser->setObjectName(QStringLiteral("helpText"));
        browser->setAccessibleName(QStringLiteral("Quillmoor Help"));
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(browser);
    }
    auto* browser = window->findChild<QTextBrowser*>(QStringLiteral("helpText"));
    QUrl page(QStringLiteral("qrc:/quillmoor/help/quillmoor-help.html"));
    if (!topic.isEmpty()) page.setFragment(AnchorFor(topic));
    browser->setSource(page);
    window->show();
    window->raise();
}
