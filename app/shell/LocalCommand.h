#pragma once

#include <QByteArray>
#include <QString>

// One command of the local channel ("quorvel"), read from the bytes that one
// connection sent. The bytes come from any process of the user, so nothing
// in them is trusted: anything but the two commands below is Ignored.
//   "show_app_window"                 exactly;
//   "show_notification:" + key        key = task id "_" kind "_" moment, the
//                                     kind STARTDATE, DUEDATE or SNOOZE and
//                                     the moment decimal milliseconds.
class LocalCommand
{
public:
    enum class Kind { Ignored, ShowWindow, ShowNotification };

    Kind kind = Kind::Ignored;
    // For ShowNotification: the key's fields.
    QString taskId;
    QString notificationKind;
    qint64 moment = 0;

    static LocalCommand parse(const QByteArray& bytes);
};
