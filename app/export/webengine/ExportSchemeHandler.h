#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QWebEngineUrlSchemeHandler>

// Serves the pages being exported and their style sheet and images. A page
// is handed over as data and addressed under the export scheme, beside the
// resources (":/pdf_export/..."), so that its relative addresses
// ("style.css", "images/logo.png") find them. Unlike a page set as HTML
// text, whose size the engine limits to 2 MB, a page served here may hold
// thousands of tasks.
class ExportSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    static const QByteArray Scheme;
    // Registers the scheme with the engine; before the first profile.
    static void registerScheme();

    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    // The address under which the page is served until removed.
    QUrl addPage(const QByteArray& html);
    void removePage(const QUrl& url);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QHash<QString, QByteArray> m_pages;
    int m_lastPage = 0;
};
