#pragma once

#include <QString>

// Reads exported PDF files back the way a person would see them, through
// poppler's command-line tools.
class PdfText
{
public:
    // The text of every page, '' when the file cannot be read.
    static QString text(const QString& pdfPath);
    static int pageCount(const QString& pdfPath);
    // Renders the first page into pngPath (without its ".png").
    static bool renderFirstPage(const QString& pdfPath, const QString& pngPathWithoutSuffix);
};
