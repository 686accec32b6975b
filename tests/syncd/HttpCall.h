#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;

// Blocking HTTP requests for tests: the answer's status and body, and for
// the sync protocol the status element and the reply's elements.
class HttpCall
{
public:
    struct Answer
    {
        int httpStatus = 0;
        QByteArray body;
        bool networkError = false;
    };

    struct SyncAnswer
    {
        int status = -1;
        // The second element's text (error text or time) and the rest.
        QString second;
        QDomDocument document;
        int httpStatus = 0;
    };

    explicit HttpCall(QNetworkAccessManager* manager);

    Answer post(const QUrl& url, const QByteArray& body, const QByteArray& contentType,
        const QList<QPair<QByteArray, QByteArray>>& headers = {});
    Answer get(const QUrl& url, const QList<QPair<QByteArray, QByteArray>>& headers = {});

    // Form posts sent all at once; the answers in the order of the posts.
    QList<Answer> postAll(const QList<QPair<QUrl, QByteArray>>& posts);

    // A sync method with name=value fields, encoded as the client does.
    SyncAnswer sync(const QUrl& base, const QString& method, const QList<QPair<QString, QString>>& fields);
    static QByteArray form(const QList<QPair<QString, QString>>& fields);

private:
    QNetworkAccessManager* m_manager;
};
