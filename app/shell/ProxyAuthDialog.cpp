#include "shell/ProxyAuthDialog.h"

#include "logging/Log.h"
#include "shell/Settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

ProxyAuthDialog::ProxyAuthDialog(const QString& key, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Authentication Required"));
    resize(320, 150);

    auto* description = new QLabel(tr("Connect to proxy %1 using:").arg(key), this);
    description->setWordWrap(true);
    // The key comes from the network layer; it is shown, never interpreted.
    description->setTextFormat(Qt::PlainText);

    m_userName = new QLineEdit(this);
    m_userName->setObjectName(QStringLiteral("proxyUserName"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("proxyPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_remember = new QCheckBox(tr("Remember my password"), this);
    m_remember->setObjectName(QStringLiteral("proxyRemember"));

    auto* form = new QFormLayout;
    form->addRow(tr("Username:"), m_userName);
    form->addRow(tr("Password:"), m_password);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(description);
    layout->addLayout(form);
    layout->addWidget(m_remember);
    layout->addWidget(buttons);
}

QString ProxyAuthDialog::userName() const
{
    return m_userName->text();
}

QString ProxyAuthDialog::password() const
{
    return m_password->text();
}

bool ProxyAuthDialog::rememberPassword() const
{
    return m_remember->isChecked();
}

QVariantMap ProxyAuthDialog::askCredentials(const QString& key)
{
    ProxyAuthDialog dialog(key);
    dialog.setModal(true);
    QTimer::singleShot(TimeoutMs, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return QVariantMap();

    const QString user = dialog.userName();
    const QString password = dialog.password();
    // Incomplete credentials could never be accepted by the proxy.
    if (dialog.rememberPassword() && !user.isEmpty() && !password.isEmpty()
        && !Settings::instance()->setProxyCredentials(key, user, password))
        QLOG_WARN() << "Unable to remember the credentials of proxy " << key;
    return QVariantMap { { QStringLiteral("username"), user }, { QStringLiteral("password"), password } };
}
