#include "sites/remote_place.h"

namespace remote_path {

namespace {

QString JoinName(const QString& base, const QString& name) {
    if (base.isEmpty()) return name;
    return base.endsWith(u'/') ? base + name : base + u'/' + name;
}

QStringList Steps(const QString& path) { return path.split(u'/', Qt::SkipEmptyParts); }

}  // namespace

bool IsAbsolute(const QString& path) { return path.startsWith(u'/'); }

QString Parent(const QString& path) {
    if (path == QStringLiteral("/")) return path;
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0) return QString();
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString Resolve(const QString& from, const QString& target) {
    QString path = IsAbsolute(target) ? QStringLiteral("/") : from;
    for (const QString& step : Steps(target)) {
        if (step == QStringLiteral(".")) continue;
        path = step == QStringLiteral("..") ? Parent(path) : JoinName(path, step);
    }
    return path;
}

QString StepsBetween(const QString& from, const QString& to) {
    if (IsAbsolute(to)) return to;
    const QStringList fromSteps = Steps(from);
    const QStringList toSteps = Steps(to);
    qsizetype common = 0;
    while (common < fromSteps.size() && common < toSteps.size() && fromSteps[common] == toSteps[common])
        ++common;
    QStringList steps;
    for (qsizetype i = common; i < fromSteps.size(); ++i) steps << QStringLiteral("..");
    steps << toSteps.mid(common);
    return steps.isEmpty() ? QStringLiteral(".") : steps.join(u'/');
}

QStringList LabelsBelowSite(const QString& home, const QString& path) {
    if (path == home) return {};
    const QString homePrefix = home.endsWith(u'/') ? home : home + u'/';
    if (!home.isEmpty() && path.startsWith(homePrefix)) return Steps(path.mid(homePrefix.size()));
    if (!IsAbsolute(path)) return Steps(path);
    return QStringList{QString()} + Steps(path);
}

QString PathOfLabels(const QStringList& labels) {
    if (!labels.isEmpty() && labels.first().isEmpty()) return u'/' + labels.mid(1).join(u'/');
    return labels.join(u'/');
}

}  // namespace remote_path
