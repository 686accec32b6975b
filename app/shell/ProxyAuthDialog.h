#pragma once

#include <QDialog>
#include <QString>
#include <QVariantMap>

class QCheckBox;
class QLineEdit;

// The small modal dialog that asks for the credentials of a proxy.
class ProxyAuthDialog : public QDialog
{
    Q_OBJECT

public:
    // An unanswered question gives up before the network layer does, so the
    // request fails as cancelled rather than hanging behind a forgotten dialog.
    static constexpr int TimeoutMs = 29000;

    // key: the proxy as "host:port".
    explicit ProxyAuthDialog(const QString& key, QWidget* parent = nullptr);

    QString userName() const;
    QString password() const;
    bool rememberPassword() const;

    // Asks modally; {"username", "password"} when accepted (stored for the
    // proxy when "Remember my password" is checked and both are filled in),
    // an empty map when cancelled or left unanswered for TimeoutMs.
    static QVariantMap askCredentials(const QString& key);

private:
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_remember = nullptr;
};
