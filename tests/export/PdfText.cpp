#include "PdfText.h"

#include <QProcess>
#include <QRegularExpression>

namespace {

QString run(const QString& program, const QStringList& arguments, bool* ok = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(60000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

QString PdfText::text(const QString& pdfPath)
{
    return run(QStringLiteral("pdftotext"),
        { QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdfPath, QStringLiteral("-") });
}

int PdfText::pageCount(const QString& pdfPath)
{
    const QString info = run(QStringLiteral("pdfinfo"), { pdfPath });
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

bool PdfText::renderFirstPage(const QString& pdfPath, const QString& pngPathWithoutSuffix)
{
    bool ok = false;
    run(QStringLiteral("pdftoppm"),
        { QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"), QStringLiteral("-singlefile"),
            QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), pdfPath,
            pngPathWithoutSuffix },
        &ok);
    return ok;
}
