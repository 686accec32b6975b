#pragma once

#include <QString>

class PdfRenderer;
class QObject;

// Loads the web-engine renderer module ("quorvel_pdfrenderer" beside the
// program) on first use, so that the engine starts only when the first
// styled export runs.
class PdfRendererLoader
{
public:
    // A new renderer owned by parent, or null with the reason in error.
    static PdfRenderer* create(QObject* parent, QString* error);
    static QString modulePath();
};
