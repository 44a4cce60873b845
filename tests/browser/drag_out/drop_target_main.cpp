// A drop target in a program of its own, so that a drag reaches it the way it
// reaches a file manager: through the X drag-and-drop protocol. Usage:
//   drop_target_window FOLDER X Y
// It prints "ready" once shown, then "dropped" with one line per copied name,
// and ends after the first drop.
#include <QApplication>
#include <QTextStream>
#include <QTimer>

#include "drop_target_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) return 2;
    DropTargetWindow window(QString::fromLocal8Bit(argv[1]));
    window.move(QString(argv[2]).toInt(), QString(argv[3]).toInt());
    window.show();
    QTextStream out(stdout);
    QTimer::singleShot(200, [&] { out << "ready" << Qt::endl; });
    QObject::connect(&window, &DropTargetWindow::Dropped, [&] {
        out << "dropped " << window.dropped.size() << Qt::endl;
        for (const QString& name : window.copied) out << name << Qt::endl;
        app.quit();
    });
    return app.exec();
}
