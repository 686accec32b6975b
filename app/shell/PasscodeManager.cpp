#include "shell/PasscodeManager.h"

#include "logging/Log.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

PasscodeManager::PasscodeManager(QObject* parent)
    : QObject(parent)
{
    readFile();
}

QString PasscodeManager::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::HomeLocation) + QStringLiteral("/qvpsc.dat");
}

QString PasscodeManager::digestOf(const QString& passcode)
{
    return QString::fromLatin1(QCryptographicHash::hash(passcode.toUtf8(), QCryptographicHash::Md5).toHex());
}

bool PasscodeManager::isPasscodeSet() const
{
    return !m_digest.isEmpty();
}

PasscodeManager::RequirePasscodeOption PasscodeManager::requirePasscodeOption() const
{
    return m_option;
}

bool PasscodeManager::verifyPasscode(const QString& passcode) const
{
    if (passcode.isEmpty() || m_digest.isEmpty())
        return false;
    return digestOf(passcode) == m_digest;
}

bool PasscodeManager::savePasscode(const QString& passcode)
{
    if (passcode.isEmpty())
        return false;
    const QString digest = digestOf(passcode);
    // The file is replaced atomically, so after a failed write the previous
    // file, and with it the previous passcode, is still what the next start
    // reads; memory keeps agreeing with it.
    if (!writeFile(digest))
        return false;
    m_digest = digest;
    emit isPasscodeSetChanged(true);
    return true;
}

bool PasscodeManager::removePasscode()
{
    QFile file(filePath());
    if (!file.exists())
        return false;
    if (!file.remove()) {
        QLOG_WARN() << "Unable to remove the passcode file " << file.fileName() << ": " << file.errorString();
        return false;
    }
    m_digest.clear();
    emit isPasscodeSetChanged(false);
    return true;
}

void PasscodeManager::setRequirePasscodeOption(PasscodeManager::RequirePasscodeOption option)
{
    if (option == m_option)
        return;
    if (!isKnownOption(option)) {
        QLOG_WARN() << "Ignored an unknown passcode option " << int(option);
        return;
    }
    m_option = option;
    // The option still applies for this session when it cannot be saved.
    writeFile(m_digest);
    emit requirePasscodeOptionChanged(option);
}

void PasscodeManager::readFile()
{
    QFile file(filePath());
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        QLOG_WARN() << "Unable to read the passcode file " << file.fileName() << ": " << file.errorString();
        return;
    }
    if (file.size() == 0)
        return;

    QDataStream in(&file);
    qint32 option = 0;
    in >> option;
    if (in.status() != QDataStream::Ok) {
        QLOG_WARN() << "The passcode file " << file.fileName() << " is damaged; no passcode is set";
        return;
    }
    if (isKnownOption(option))
        m_option = RequirePasscodeOption(option);
    else
        QLOG_WARN() << "The passcode file " << file.fileName() << " holds an unknown option " << option
                    << "; the passcode is asked for when the application launches";

    QString digest;
    in >> digest;
    if (in.status() != QDataStream::Ok) {
        QLOG_WARN() << "The passcode file " << file.fileName() << " is damaged; no passcode is set";
        return;
    }
    // An empty digest is an option saved without a passcode.
    if (!digest.isEmpty() && !isWellFormedDigest(digest)) {
        QLOG_WARN() << "The passcode file " << file.fileName()
                    << " holds no valid passcode digest; no passcode is set";
        return;
    }
    m_digest = digest;
}

bool PasscodeManager::writeFile(const QString& digest) const
{
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly)) {
        QLOG_WARN() << "Unable to write the passcode file " << file.fileName() << ": " << file.errorString();
        return false;
    }
    // Set on the temporary file before anything is written, so the digest
    // never sits in a file that others may read.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QDataStream out(&file);
    out << qint32(m_option) << digest;
    if (out.status() != QDataStream::Ok || !file.commit()) {
        QLOG_WARN() << "Unable to write the passcode file " << file.fileName() << ": " << file.errorString();
        return false;
    }
    return true;
}

bool PasscodeManager::isWellFormedDigest(const QString& digest)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{32}$"));
    return pattern.match(digest).hasMatch();
}

bool PasscodeManager::isKnownOption(qint32 option)
{
    return option == WhenAppLaunches || option == WhenAppWindowBecomesActive;
}
