#pragma once

#include "syncd/AccountStore.h"
#include "syncd/SideChannelStore.h"

#include <QByteArray>
#include <QString>

// The account service under "/api": the token request "/auth/v1/login/"
// and the side channels "/<channel>/v1/" (GET the list, POST to send),
// "/<channel>/v1/delete/" and "/<channel>/v1/list/delete/", authorised by
// "Authorization: Token <key>". JSON in, JSON out.
class AccountService
{
public:
    struct Reply
    {
        int httpStatus = 200;
        QString account;
        QByteArray body;
    };

    AccountService(AccountStore* accounts, SideChannelStore* channels);

    // path is what follows "/api", e.g. "/sorting/v1/".
    Reply handle(const QString& method, const QString& path, const QByteArray& authorization, const QByteArray& body);

private:
    Reply login(const QByteArray& body);
    Reply channel(const QString& method, const QString& name, const QString& action, const QByteArray& authorization,
        const QByteArray& body);
    static Reply problem(int httpStatus, const QString& detail);

    AccountStore* m_accounts;
    SideChannelStore* m_channels;
};
