#include "export/ExportHelper.h"

#include "export/ExportPaths.h"
#include "export/ListExportText.h"
#include "logging/Log.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

ExportHelper::ExportHelper(QObject* parent)
    : QObject(parent)
    , m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
    , m_printDialog([](QPrinter& printer) {
        QPrintDialog dialog(&printer);
        return dialog.exec() == QDialog::Accepted;
    })
    , m_hasPrinters([] { return !QPrinterInfo::availablePrinterNames().isEmpty(); })
{
}

void ExportHelper::setUrlOpener(const UrlOpener& opener)
{
    m_openUrl = opener;
}

void ExportHelper::setPrintDialog(const PrintDialog& dialog)
{
    m_printDialog = dialog;
}

void ExportHelper::setPrinterCheck(const PrinterCheck& check)
{
    m_hasPrinters = check;
}

QString ExportHelper::productWebAddress()
{
    return QStringLiteral("https://quorvel.velmora.app");
}

QUrl ExportHelper::mailtoUrl(const QString& subject, const QString& headerText, const QString& body)
{
    // Each part is percent-encoded on its own: an "&" or "#" in a task name
    // would otherwise end the body or the whole address.
    const QString text = QStringLiteral("%1\n\n%2").arg(headerText, body);
    return QUrl::fromEncoded(
        "mailto:?subject=" + QUrl::toPercentEncoding(subject) + "&body=" + QUrl::toPercentEncoding(text));
}

void ExportHelper::exportObjectsToEmail(
    const QVariantList& objects, const QString& headerText, int exportType)
{
    const QString subject = tr("Quorvel: ") + headerText;
    const QString body = ListExportText::build(objects, headerText, exportType, ListExportText::PlainText)
        + QLatin1Char('\n')
        + tr("Sent with Quorvel – task management app for entrepreneurs, startups and creators: ")
        + productWebAddress();
    QMetaObject::invokeMethod(this, "sendEmail", Qt::QueuedConnection, Q_ARG(QString, subject),
        Q_ARG(QString, headerText), Q_ARG(QString, body));
}

void ExportHelper::sendEmail(const QString& subject, const QString& headerText, const QString& body)
{
    if (!m_openUrl(mailtoUrl(subject, headerText, body)))
        QLOG_WARN() << "The mail program could not be opened.";
}

void ExportHelper::printList(const QVariantList& objects, const QString& headerText, int exportType)
{
    const QString text
        = QStringLiteral("%1\n\n%2")
              .arg(headerText,
                  ListExportText::build(objects, headerText, exportType, ListExportText::PlainText));
    QMetaObject::invokeMethod(this, "showPrintDialog", Qt::QueuedConnection, Q_ARG(QString, text));
}

void ExportHelper::showPrintDialog(const QString& bodyText)
{
    QPrinter printer;
    if (!m_printDialog(printer))
        return;
    QTextDocument document;
    document.setPlainText(bodyText);
    document.print(&printer);
    QLOG_INFO() << "The list was sent to the printer.";
}

bool ExportHelper::hasAvailablePrinters() const
{
    return m_hasPrinters();
}

void ExportHelper::exportObjectsToPdf(const QVariantList& objects, const QString& headerText, int exportType)
{
    const QString folder = ExportPaths::plainExportFolder();
    if (!QDir().mkpath(folder)) {
        QLOG_ERROR() << "Unable to create the export folder " << folder;
        emit error(tr("Unable to create a directory %1. Please, create it manually and then try again.")
                       .arg(folder));
        return;
    }
    const QString filePath
        = QStringLiteral("%1%2.pdf")
              .arg(folder, ExportPaths::safeFileName(headerText, QStringLiteral("Quorvel")));

    // The printer only says that it failed, never why; opening the file
    // first gives the reason and keeps a failure from passing as a success.
    QFile probe(filePath);
    if (!probe.open(QIODevice::WriteOnly)) {
        QLOG_ERROR() << "PDF Export error: " << probe.errorString();
        emit error(probe.errorString());
        return;
    }
    probe.close();

    const QString content = QStringLiteral("<h2>%1</h2><p>").arg(tr("Quorvel").toHtmlEscaped());
    const QString html
        = QStringLiteral("%1%2<p>%3")
              .arg(content, headerText.toHtmlEscaped(),
                  ListExportText::build(objects, headerText, exportType, ListExportText::Html));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(filePath);
    QTextDocument document;
    document.setHtml(html);
    document.print(&printer);
    if (QFileInfo(filePath).size() == 0) {
        QFile::remove(filePath);
        QLOG_ERROR() << "PDF Export error: nothing was written to " << filePath;
        emit error(QFile(filePath).errorString());
        return;
    }
    QLOG_INFO() << "The list was exported to " << filePath;
    QMetaObject::invokeMethod(
        this, "openExportedPdfDirectory", Qt::QueuedConnection, Q_ARG(QUrl, QUrl::fromLocalFile(folder)));
}

void ExportHelper::openExportedPdfDirectory(const QUrl& fileUrl)
{
    if (!m_openUrl(fileUrl))
        QLOG_WARN() << "The export folder could not be shown: " << fileUrl.toString();
}
