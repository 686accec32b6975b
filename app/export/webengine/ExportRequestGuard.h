#pragma once

#include <QMutex>
#include <QStringList>
#include <QWebEngineUrlRequestInterceptor>

// Keeps the export pages off the network: only the export scheme and
// inline data may load; anything else is blocked and remembered.
class ExportRequestGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // The addresses blocked so far (the engine calls from its own thread).
    QStringList blockedUrls() const;

private:
    mutable QMutex m_mutex;
    QStringList m_blocked;
};
