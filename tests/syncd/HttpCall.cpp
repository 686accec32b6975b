#include "HttpCall.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

HttpCall::HttpCall(QNetworkAccessManager* manager)
    : m_manager(manager)
{
}

namespace {

HttpCall::Answer wait(QNetworkReply* reply)
{
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    HttpCall::Answer answer;
    answer.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.body = reply->readAll();
    answer.networkError = reply->error() != QNetworkReply::NoError && answer.httpStatus == 0;
    reply->deleteLater();
    return answer;
}

} // namespace

HttpCall::Answer HttpCall::post(const QUrl& url, const QByteArray& body, const QByteArray& contentType,
    const QList<QPair<QByteArray, QByteArray>>& headers)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    for (const auto& header : headers)
        request.setRawHeader(header.first, header.second);
    return wait(m_manager->post(request, body));
}

HttpCall::Answer HttpCall::get(const QUrl& url, const QList<QPair<QByteArray, QByteArray>>& headers)
{
    QNetworkRequest request(url);
    for (const auto& header : headers)
        request.setRawHeader(header.first, header.second);
    return wait(m_manager->get(request));
}

QList<HttpCall::Answer> HttpCall::postAll(const QList<QPair<QUrl, QByteArray>>& posts)
{
    QList<QNetworkReply*> replies;
    for (const auto& post : posts) {
        QNetworkRequest request(post.first);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        replies.append(m_manager->post(request, post.second));
    }
    QList<Answer> answers;
    for (QNetworkReply* reply : replies)
        answers.append(wait(reply));
    return answers;
}

QByteArray HttpCall::form(const QList<QPair<QString, QString>>& fields)
{
    QByteArray body;
    for (const auto& field : fields) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(field.first) + '=' + QUrl::toPercentEncoding(field.second);
    }
    return body;
}

HttpCall::SyncAnswer HttpCall::sync(const QUrl& base, const QString& method, const QList<QPair<QString, QString>>& fields)
{
    QUrl url = base;
    url.setPath(url.path() + method);
    const Answer answer = post(url, form(fields), "application/x-www-form-urlencoded");
    SyncAnswer result;
    result.httpStatus = answer.httpStatus;
    if (!result.document.setContent(answer.body))
        return result;
    const QDomElement status = result.document.documentElement().firstChildElement();
    bool ok = false;
    result.status = status.text().toInt(&ok);
    if (!ok)
        result.status = -1;
    result.second = status.nextSiblingElement().text();
    return result;
}
