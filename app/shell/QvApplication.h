#pragma once

#include <QApplication>

// The application object. A widgets application, because the tray menu and
// the proxy dialog are widgets. It filters its own events so that
// application-wide handling has one place to live.
class QvApplication : public QApplication
{
    Q_OBJECT

public:
    QvApplication(int &argc, char **argv);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
