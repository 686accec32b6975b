#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantList>

#include <functional>

class QPrinter;

// Sends the shown list by e-mail (through the desktop's mail program),
// prints it (through the system print dialog), or writes it as a simple PDF
// into "QuorvelExport" in the user's documents folder.
class ExportHelper : public QObject
{
    Q_OBJECT

public:
    // Opens a "mailto:" or file URL with the desktop's program for it.
    using UrlOpener = std::function<bool(const QUrl& url)>;
    // Asks the user where and how to print; true when they accepted. The
    // default is the system print dialog.
    using PrintDialog = std::function<bool(QPrinter& printer)>;
    // Whether the system knows at least one printer.
    using PrinterCheck = std::function<bool()>;

    explicit ExportHelper(QObject* parent = nullptr);

    void setUrlOpener(const UrlOpener& opener);
    void setPrintDialog(const PrintDialog& dialog);
    void setPrinterCheck(const PrinterCheck& check);

    Q_INVOKABLE void exportObjectsToEmail(
        const QVariantList& objects, const QString& headerText, int exportType);
    Q_INVOKABLE void exportObjectsToPdf(
        const QVariantList& objects, const QString& headerText, int exportType);
    Q_INVOKABLE void printList(const QVariantList& objects, const QString& headerText, int exportType);
    Q_INVOKABLE bool hasAvailablePrinters() const;

    // The address the e-mail footer points to.
    static QString productWebAddress();
    // The "mailto:" URL that opens a message with subject and text.
    static QUrl mailtoUrl(const QString& subject, const QString& headerText, const QString& body);

signals:
    void error(const QString& errorText);

public slots:
    void showPrintDialog(const QString& bodyText);
    void openExportedPdfDirectory(const QUrl& fileUrl);
    void sendEmail(const QString& subject, const QString& headerText, const QString& body);

private:
    UrlOpener m_openUrl;
    PrintDialog m_printDialog;
    PrinterCheck m_hasPrinters;
};
