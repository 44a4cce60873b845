#include "platform/desktop/app_icons.h"

#include <QDir>

void InitDesktopResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(desktop_resources);
        // Without a desktop session Qt knows no icon theme; the freedesktop
        // default theme is still installed and worth asking.
        if (QIcon::fallbackThemeName().isEmpty()) QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    (void)registered;
}

QIcon ThemedIcon(const QString& themeName, const QString& ownName) {
    InitDesktopResources();
    const QIcon own(QStringLiteral(":/quillmoor/icons/%1.svg").arg(ownName));
    if (themeName.isEmpty()) return own;
    return QIcon::fromTheme(themeName, own);
}

QIcon ApplicationIcon() { return ThemedIcon(QString(), QStringLiteral("quillmoor")); }
