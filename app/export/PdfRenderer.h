#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtPlugin>

#include <functional>

// Turns one HTML document into PDF data (A4 portrait, 24-point margins).
// Relative addresses in the document resolve to the export resources
// (":/pdf_export/..."); nothing else may be loaded.
class PdfRenderer : public QObject
{
public:
    // Called once per render, on the renderer's thread: the PDF data, or
    // empty data and a reason.
    using Done = std::function<void(const QByteArray& pdf, const QString& error)>;

    using QObject::QObject;

    virtual void render(const QString& html, const Done& done) = 0;
    // The addresses a page asked for and did not get: pages load nothing
    // from outside.
    virtual QStringList blockedUrls() const { return {}; }
};

// The entry of the module that renders with the web engine. The engine is
// big and starts Chromium; keeping it in a module of its own means that
// neither the program's start nor any test that does not export pays for it.
class PdfRendererFactory
{
public:
    virtual ~PdfRendererFactory() = default;
    virtual PdfRenderer* createRenderer(QObject* parent) = 0;
};

#define PdfRendererFactory_iid "app.velmora.Quorvel.PdfRendererFactory/1.0"
Q_DECLARE_INTERFACE(PdfRendererFactory, PdfRendererFactory_iid)
