#include "export/PdfExportHelper.h"

#include "export/ExportLookup.h"
#include "export/ExportPaths.h"
#include "export/PdfRenderer.h"
#include "export/PdfRendererLoader.h"
#include "export/StyledPdfPage.h"
#include "logging/Log.h"
#include "shell/Settings.h"
#include "time/DateFormatHelper.h"
#include "time/ReminderFormatHelper.h"
#include "time/RepetitionFormatHelper.h"

#include <QDesktopServices>
#include <QPointer>
#include <QSaveFile>

#include <mutex>

// The style sheet and images of the pages live in the core library, whose
// resources the linker would drop unless registered by hand.
static void registerExportResources()
{
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(pdf_export); });
}

namespace {

const QString IdKey = QStringLiteral("ID");

QString shortId(const QString& id)
{
    return ExportPaths::safeFileName(id.left(4), QString());
}

} // namespace

struct PdfExportHelper::Private
{
    DateFormatHelper* dates = nullptr;
    RepetitionFormatHelper* repetitions = nullptr;
    ReminderFormatHelper* reminders = nullptr;
    std::unique_ptr<ExportLookup> lookup = std::make_unique<ExportLookup>();
    RendererFactory createRenderer = &PdfRendererLoader::create;
    UrlOpener openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    PdfRenderer* renderer = nullptr;
    bool inProgress = false;
};

PdfExportHelper::PdfExportHelper(QObject* parent)
    : QObject(parent)
    , d(new Private)
{
    registerExportResources();
    d->dates = new DateFormatHelper(this);
    d->repetitions = new RepetitionFormatHelper(d->dates, this);
    d->reminders = new ReminderFormatHelper(this);
}

PdfExportHelper::~PdfExportHelper()
{
    // A render still running ends with the renderer, without calling back.
    delete d->renderer;
}

DateFormatHelper* PdfExportHelper::dateFormatHelper() const
{
    return d->dates;
}

void PdfExportHelper::setLookup(std::unique_ptr<ExportLookup> lookup)
{
    d->lookup = std::move(lookup);
}

void PdfExportHelper::setRendererFactory(const RendererFactory& factory)
{
    d->createRenderer = factory;
}

void PdfExportHelper::setUrlOpener(const UrlOpener& opener)
{
    d->openUrl = opener;
}

bool PdfExportHelper::inProgress() const
{
    return d->inProgress;
}

bool PdfExportHelper::rendererStarted() const
{
    return d->renderer != nullptr;
}

QString PdfExportHelper::defaultDailyPlanFileName(const QDate& date) const
{
    return QStringLiteral("DailyPlan_%1.pdf").arg(date.toString(QStringLiteral("dd_MM_yyyy")));
}

QString PdfExportHelper::defaultQuorvelBoxFileName() const
{
    return QStringLiteral("QuorvelBox.pdf");
}

QString PdfExportHelper::defaultFavoritesFileName() const
{
    return QStringLiteral("Favorites.pdf");
}

QString PdfExportHelper::defaultProjectFileName(const QString& projectId) const
{
    return QStringLiteral("Project_%1.pdf").arg(shortId(projectId));
}

QString PdfExportHelper::defaultContextFileName(const QString& contextId) const
{
    return QStringLiteral("Context_%1.pdf").arg(shortId(contextId));
}

QString PdfExportHelper::defaultTaskDetailsFileName(const QString& taskId) const
{
    return QStringLiteral("TaskDetails_%1.pdf").arg(shortId(taskId));
}

void PdfExportHelper::generateDailyPlanDocument(
    const QString& fileName, const QDate& date, const QVariantList& sortedObjects)
{
    generate(fileName, [=](const StyledPdfPage& page) { return page.dailyPlan(date, sortedObjects); });
}

void PdfExportHelper::generateQuorvelBoxDocument(const QString& fileName, const QVariantList& sortedObjects)
{
    generate(fileName, [=](const StyledPdfPage& page) { return page.quorvelBox(sortedObjects); });
}

void PdfExportHelper::generateFavoritesDocument(const QString& fileName, const QVariantList& sortedObjects)
{
    generate(fileName, [=](const StyledPdfPage& page) { return page.favorites(sortedObjects); });
}

void PdfExportHelper::generateProjectDocument(
    const QString& fileName, const QVariantMap& project, const QVariantList& sortedObjects)
{
    generate(fileName, [=](const StyledPdfPage& page) { return page.project(project, sortedObjects); });
}

void PdfExportHelper::generateContextDocument(
    const QString& fileName, const QVariantMap& context, const QVariantList& sortedObjects)
{
    generate(fileName, [=](const StyledPdfPage& page) { return page.context(context, sortedObjects); });
}

void PdfExportHelper::generateTaskPreviewDocument(const QString& fileName, const QVariantMap& task)
{
    generate(fileName, [=](const StyledPdfPage& page) { return page.taskPreview(task); });
}

void PdfExportHelper::generate(
    const QString& fileName, const std::function<QString(const StyledPdfPage&)>& buildPage)
{
    if (d->inProgress) {
        QLOG_WARN() << "A PDF export is already running; " << fileName << " was not started.";
        return;
    }
    const QString folder = ExportPaths::styledExportFolder(Settings::instance()->pdfExportPath());
    const QString filePath = folder + ExportPaths::safeFileName(fileName, QStringLiteral("Quorvel.pdf"));
    setInProgress(true);

    if (!d->renderer) {
        QString reason;
        d->renderer = d->createRenderer(nullptr, &reason);
        if (!d->renderer) {
            fail(reason);
            return;
        }
    }
    const StyledPdfPage page({ d->dates, d->repetitions, d->reminders, d->lookup.get() });
    QPointer<PdfExportHelper> self(this);
    d->renderer->render(buildPage(page), [self, filePath](const QByteArray& pdf, const QString& renderError) {
        if (self)
            self->finish(filePath, pdf, renderError);
    });
}

void PdfExportHelper::finish(const QString& filePath, const QByteArray& pdf, const QString& renderError)
{
    if (!renderError.isEmpty()) {
        fail(renderError);
        return;
    }
    // Written beside the target and renamed over it at the end, so that a
    // failed write leaves neither a partial file nor a damaged older one.
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size() || !file.commit()) {
        fail(file.errorString());
        return;
    }
    QLOG_INFO() << "PDF document written: " << filePath;
    setInProgress(false);
    if (!d->openUrl(QUrl::fromLocalFile(filePath)))
        QLOG_WARN() << "No viewer opened " << filePath;
}

void PdfExportHelper::fail(const QString& errorText)
{
    QLOG_ERROR() << "PDF Export error: " << errorText;
    emit error(errorText);
    setInProgress(false);
}

void PdfExportHelper::setInProgress(bool inProgress)
{
    if (d->inProgress == inProgress)
        return;
    d->inProgress = inProgress;
    emit inProgressChanged(inProgress);
}
