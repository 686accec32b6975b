#pragma once

#include <QObject>
#include <QString>

// The optional passcode that guards the main window. Only the MD5 digest of
// the passcode is kept, together with when the interface has to ask for it;
// the asking itself is done by the interface.
//
// Both live in "qvpsc.dat" in the user's home folder: a QDataStream of the
// option (qint32) followed by the digest (QString, empty when no passcode is
// set). The file exists only while a passcode is set or an option was saved.
class PasscodeManager : public QObject
{
    Q_OBJECT

    Q_PROPERTY(bool isPasscodeSet READ isPasscodeSet NOTIFY isPasscodeSetChanged)
    Q_PROPERTY(RequirePasscodeOption requirePasscodeOption READ requirePasscodeOption WRITE
            setRequirePasscodeOption NOTIFY requirePasscodeOptionChanged)

public:
    enum RequirePasscodeOption { WhenAppLaunches = 0, WhenAppWindowBecomesActive = 1 };
    Q_ENUM(RequirePasscodeOption)

    explicit PasscodeManager(QObject* parent = nullptr);

    static QString filePath();
    // Lower-case hexadecimal MD5 of the passcode's UTF-8 bytes.
    static QString digestOf(const QString& passcode);

    bool isPasscodeSet() const;
    RequirePasscodeOption requirePasscodeOption() const;

    Q_INVOKABLE bool verifyPasscode(const QString& passcode) const;
    Q_INVOKABLE bool savePasscode(const QString& passcode);
    Q_INVOKABLE bool removePasscode();

public slots:
    void setRequirePasscodeOption(PasscodeManager::RequirePasscodeOption option);

signals:
    void isPasscodeSetChanged(bool isPasscodeSet);
    void requirePasscodeOptionChanged(PasscodeManager::RequirePasscodeOption option);

private:
    void readFile();
    bool writeFile(const QString& digest) const;
    static bool isWellFormedDigest(const QString& digest);
    static bool isKnownOption(qint32 option);

    QString m_digest;
    RequirePasscodeOption m_option = WhenAppLaunches;
};
