#include "WebEnginePdfRenderer.h"

#include "ExportRequestGuard.h"
#include "ExportSchemeHandler.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

WebEnginePdfRenderer::WebEnginePdfRenderer(QObject* parent)
    : PdfRenderer(parent)
{
    // A profile without a name is off the record: no cache, cookies or
    // history of the export pages on disk.
    m_profile = new QWebEngineProfile(this);
    m_pages = new ExportSchemeHandler(this);
    m_guard = new ExportRequestGuard(this);
    m_profile->installUrlSchemeHandler(ExportSchemeHandler::Scheme, m_pages);
    m_profile->setUrlRequestInterceptor(m_guard);
    QWebEngineSettings* settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
}

WebEnginePdfRenderer::~WebEnginePdfRenderer()
{
    // Pages go before their profile, finished ones still waiting for their
    // deferred deletion too; running renders end without an answer.
    m_jobs.clear();
    qDeleteAll(findChildren<QWebEnginePage*>(QString(), Qt::FindDirectChildrenOnly));
}

void WebEnginePdfRenderer::render(const QString& html, const Done& done)
{
    auto* page = new QWebEnginePage(m_profile, this);
    const QUrl url = m_pages->addPage(html.toUtf8());
    m_jobs.insert(page, { url, done });
    connect(page, &QWebEnginePage::loadFinished, this, [this, page](bool ok) {
        if (!m_jobs.contains(page))
            return;
        if (ok)
            print(page);
        else
            complete(page, QByteArray(), QStringLiteral("The page to export could not be loaded."));
    });
    page->load(url);
}

void WebEnginePdfRenderer::print(QWebEnginePage* page)
{
    const QPageLayout layout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(24, 24, 24, 24), QPageLayout::Point);
    QPointer<WebEnginePdfRenderer> self(this);
    page->printToPdf(
        [self, page](const QByteArray& pdf) {
            if (!self || !self->m_jobs.contains(page))
                return;
            self->complete(
                page, pdf, pdf.isEmpty() ? QStringLiteral("The page could not be printed.") : QString());
        },
        layout);
}

void WebEnginePdfRenderer::complete(QWebEnginePage* page, const QByteArray& pdf, const QString& error)
{
    const Job job = m_jobs.take(page);
    m_pages->removePage(job.url);
    page->deleteLater();
    if (job.done)
        job.done(pdf, error);
}

QStringList WebEnginePdfRenderer::blockedUrls() const
{
    return m_guard->blockedUrls();
}
