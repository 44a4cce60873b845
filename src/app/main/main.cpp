#include <QApplication>

#include "app/quillmoorv3_app.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmoor"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setDesktopFileName(QStringLiteral("quillmoor"));
    CQuillmoorv3App quillmoor;
    return quillmoor.Run();
}
