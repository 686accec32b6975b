#include "shell/LocalCommand.h"

#include <QStringList>
#include <QTextCodec>

namespace {

const QByteArray ShowAppWindowCommand = QByteArrayLiteral("show_app_window");
const QString ShowNotificationPrefix = QStringLiteral("show_notification:");

// The text of a command, or a null string when its bytes are not UTF-8.
QString decodeUtf8(const QByteArray& bytes)
{
    QTextCodec::ConverterState state;
    const QString text
        = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0)
        return QString();
    return text.isNull() ? QString(QLatin1String("")) : text;
}

// Only ASCII digits: toLongLong() would also take blanks and a sign.
bool isDecimal(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

LocalCommand LocalCommand::parse(const QByteArray& bytes)
{
    LocalCommand command;
    if (bytes == ShowAppWindowCommand) {
        command.kind = Kind::ShowWindow;
        return command;
    }
    const QString text = decodeUtf8(bytes);
    if (!text.startsWith(ShowNotificationPrefix))
        return command;
    const QStringList fields = text.mid(ShowNotificationPrefix.size()).split(QLatin1Char('_'));
    if (fields.size() != 3)
        return command;
    const QString& kind = fields.at(1);
    bool isNumber = isDecimal(fields.at(2));
    const qint64 moment = isNumber ? fields.at(2).toLongLong(&isNumber) : 0;
    if (!isNumber
        || (kind != QLatin1String("STARTDATE") && kind != QLatin1String("DUEDATE")
            && kind != QLatin1String("SNOOZE")))
        return command;
    command.kind = Kind::ShowNotification;
    command.taskId = fields.at(0);
    command.notificationKind = kind;
    command.moment = moment;
    return command;
}
