#pragma once

#include <QString>

// Tells document kinds apart by suffix and turns images and office documents
// into PDFs, so that the rest of the program only ever loads PDFs.
class FileConverter
{
public:
    FileConverter() = delete;

    static bool isImageFile(const QString &filePath);
    static bool isOfficeFile(const QString &filePath);
    static QString findLibreOfficePath();
    static bool isLibreOfficeAvailable();
    static QString getSupportedFormatsFilter();
    static bool isSupportedFile(const QString &filePath);
    // Places the image on one A4 page; false when the image cannot be read or
    // the PDF cannot be written completely.
    static bool imageToPdf(const QString &imagePath, const QString &pdfPath);
    // Runs LibreOffice headless into the folder of outputPath; true when
    // outputPath exists afterwards.
    static bool officeToPdf(const QString &inputPath, const QString &outputPath);
};
