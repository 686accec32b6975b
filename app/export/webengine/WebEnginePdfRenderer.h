#pragma once

#include "export/PdfRenderer.h"

#include <QHash>
#include <QUrl>

class ExportRequestGuard;
class ExportSchemeHandler;
class QWebEnginePage;
class QWebEngineProfile;

// Renders export pages with an off-screen web-engine page each, in a
// private profile that keeps nothing on disk, runs no script and loads
// only the export scheme.
class WebEnginePdfRenderer : public PdfRenderer
{
    Q_OBJECT

public:
    explicit WebEnginePdfRenderer(QObject* parent = nullptr);
    ~WebEnginePdfRenderer() override;

    void render(const QString& html, const Done& done) override;
    QStringList blockedUrls() const override;

private:
    void print(QWebEnginePage* page);
    void complete(QWebEnginePage* page, const QByteArray& pdf, const QString& error);

    struct Job
    {
        QUrl url;
        Done done;
    };

    QWebEngineProfile* m_profile = nullptr;
    ExportSchemeHandler* m_pages = nullptr;
    ExportRequestGuard* m_guard = nullptr;
    QHash<QWebEnginePage*, Job> m_jobs;
};
