#include "shell/QvApplication.h"

QvApplication::QvApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    installEventFilter(this);
}

bool QvApplication::eventFilter(QObject *watched, QEvent *event)
{
    return QApplication::eventFilter(watched, event);
}
