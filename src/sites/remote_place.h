#pragma once

#include <QString>
#include <QStringList>

// Where the remote list is: the site (a catalogue site's name, or the host of
// a quick connection), the login directory and the current directory as the
// server named them. An empty home means the server did not say where the
// login put us; paths are then relative to it.
struct RemotePlace {
    QString site;
    QString home;
    QString path;
    bool connected = false;
    bool quick = false;

    // Whether path is where "up" cannot go: the login directory or the root.
    bool AtTop() const { return path == home || path == QStringLiteral("/"); }

    bool operator==(const RemotePlace&) const = default;
};

// Remote paths as the list and the tree need them. Paths use "/" and are
// either absolute or relative to an unknown login directory.
namespace remote_path {

bool IsAbsolute(const QString& path);
// The directory above path; the root is its own parent.
QString Parent(const QString& path);
// Where `target` (absolute, or relative with ".." and "." steps) leads from
// `from`.
QString Resolve(const QString& from, const QString& target);
// A target the server can take from `from` to reach `to`: the absolute path
// when there is one, else the relative steps between them.
QString StepsBetween(const QString& from, const QString& to);
// The tree's labels below a site's node for path: the folders under the login
// directory, or for a path outside it an empty-labelled root and every folder
// from there.
QStringList LabelsBelowSite(const QString& home, const QString& path);
// The inverse: the path of the tree's labels below a site's node, absolute
// when the first label is the root's, else relative to the login directory.
QString PathOfLabels(const QStringList& labels);

}  // namespace remote_path
