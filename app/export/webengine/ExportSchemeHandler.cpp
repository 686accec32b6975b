#include "ExportSchemeHandler.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QUrl>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

const QByteArray ExportSchemeHandler::Scheme = QByteArrayLiteral("quorvel-export");

namespace {

const QString ResourceFolder = QStringLiteral("/pdf_export/");

} // namespace

void ExportSchemeHandler::registerScheme()
{
    QWebEngineUrlScheme scheme(Scheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QUrl ExportSchemeHandler::addPage(const QByteArray& html)
{
    const QString path = ResourceFolder + QStringLiteral("document-%1.html").arg(++m_lastPage);
    m_pages.insert(path, html);
    QUrl url;
    url.setScheme(QString::fromLatin1(Scheme));
    url.setPath(path);
    return url;
}

void ExportSchemeHandler::removePage(const QUrl& url)
{
    m_pages.remove(url.path());
}

void ExportSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QString path = QDir::cleanPath(job->requestUrl().path());
    if (!path.startsWith(ResourceFolder)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    QByteArray data;
    QByteArray mimeType;
    const auto page = m_pages.constFind(path);
    if (page != m_pages.constEnd()) {
        data = *page;
        mimeType = QByteArrayLiteral("text/html");
    } else {
        QFile resource(QLatin1Char(':') + path);
        if (!resource.open(QIODevice::ReadOnly)) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        data = resource.readAll();
        mimeType = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toLatin1();
    }
    auto* buffer = new QBuffer(job);
    buffer->setData(data);
    buffer->open(QIODevice::ReadOnly);
    job->reply(mimeType, buffer);
}
