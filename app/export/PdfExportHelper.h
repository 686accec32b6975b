#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>

class DateFormatHelper;
class ExportLookup;
class PdfRenderer;
class ReminderFormatHelper;
class RepetitionFormatHelper;
class StyledPdfPage;

// Writes the styled PDF documents (day plan, inbox, favorites, a project, a
// context, one task) into the folder of the setting pdfExportPath and opens
// them in the desktop's viewer. The pages are rendered by the web engine,
// which starts with the first export, not before.
class PdfExportHelper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool inProgress READ inProgress NOTIFY inProgressChanged)

public:
    // A renderer owned by parent, or null with the reason in error.
    using RendererFactory = std::function<PdfRenderer*(QObject* parent, QString* error)>;
    // Opens a written file in the desktop's viewer.
    using UrlOpener = std::function<bool(const QUrl& url)>;

    explicit PdfExportHelper(QObject* parent = nullptr);
    ~PdfExportHelper() override;

    // The date helper the pages write their dates with (tests fix its
    // clock, locale and language).
    DateFormatHelper* dateFormatHelper() const;
    void setLookup(std::unique_ptr<ExportLookup> lookup);
    void setRendererFactory(const RendererFactory& factory);
    void setUrlOpener(const UrlOpener& opener);

    bool inProgress() const;
    // Whether the renderer (and so the web engine) has been started.
    bool rendererStarted() const;

    Q_INVOKABLE QString defaultDailyPlanFileName(const QDate& date) const;
    Q_INVOKABLE void generateDailyPlanDocument(
        const QString& fileName, const QDate& date, const QVariantList& sortedObjects);
    Q_INVOKABLE QString defaultQuorvelBoxFileName() const;
    Q_INVOKABLE void generateQuorvelBoxDocument(const QString& fileName, const QVariantList& sortedObjects);
    Q_INVOKABLE QString defaultFavoritesFileName() const;
    Q_INVOKABLE void generateFavoritesDocument(const QString& fileName, const QVariantList& sortedObjects);
    Q_INVOKABLE QString defaultProjectFileName(const QString& projectId) const;
    Q_INVOKABLE void generateProjectDocument(
        const QString& fileName, const QVariantMap& project, const QVariantList& sortedObjects);
    Q_INVOKABLE QString defaultContextFileName(const QString& contextId) const;
    Q_INVOKABLE void generateContextDocument(
        const QString& fileName, const QVariantMap& context, const QVariantList& sortedObjects);
    Q_INVOKABLE QString defaultTaskDetailsFileName(const QString& taskId) const;
    Q_INVOKABLE void generateTaskPreviewDocument(const QString& fileName, const QVariantMap& task);

signals:
    void error(const QString& errorText);
    void inProgressChanged(bool inProgress);

private:
    void generate(const QString& fileName, const std::function<QString(const StyledPdfPage&)>& buildPage);
    void finish(const QString& filePath, const QByteArray& pdf, const QString& renderError);
    void fail(const QString& errorText);
    void setInProgress(bool inProgress);

    struct Private;
    std::unique_ptr<Private> d;
};
