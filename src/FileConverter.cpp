#include "FileConverter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cmath>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <unistd.h>
#endif

namespace {

const QStringList kImageSuffixes = {"jpg", "jpeg", "png", "bmp", "gif", "tiff", "tif", "webp"};
const QStringList kOfficeSuffixes = {"doc",  "docx", "docm", "xls", "xlsx", "xlsm", "ppt",
                                     "pptx", "pptm", "odt",  "ods", "odp",  "rtf",  "txt"};

constexpr int kImageDpi = 300;
constexpr double kImageFill = 0.95;
constexpr int kConverterTimeoutMs = 30000;

QString lowerSuffix(const QString &filePath)
{
    return QFileInfo(filePath).suffix().toLower();
}

// A fresh LibreOffice profile per run: a profile that the user's own
// LibreOffice holds locked makes the headless converter quietly do nothing.
QString freshProfileFolder(const QString &folder)
{
    for (int n = 1;; ++n) {
        const QString candidate = folder + QString("/lo_profile_%1").arg(n);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

// The soffice launcher forks the real office process, so a runaway run is
// ended as a whole process group.
void killConverter(QProcess &process)
{
#ifdef Q_OS_UNIX
    if (process.processId() > 0)
        ::kill(-static_cast<pid_t>(process.processId()), SIGKILL);
#endif
    process.kill();
    process.waitForFinished(-1);
}

} // namespace

bool FileConverter::isImageFile(const QString &filePath)
{
    return kImageSuffixes.contains(lowerSuffix(filePath));
}

bool FileConverter::isOfficeFile(const QString &filePath)
{
    return kOfficeSuffixes.contains(lowerSuffix(filePath));
}

QString FileConverter::findLibreOfficePath()
{
    const QStringList candidates = {
        "C:/Program Files/LibreOffice/program/soffice.exe",
        "C:/Program Files (x86)/LibreOffice/program/soffice.exe",
        QStandardPaths::findExecutable("soffice"),
        QStandardPaths::findExecutable("libreoffice"),
    };
    for (const QString &candidate : candidates) {
        if (!candidate.isEmpty() && QFile::exists(candidate))
            return candidate;
    }
    return QString();
}

bool FileConverter::isLibreOfficeAvailable()
{
    return !findLibreOfficePath().isEmpty();
}

QString FileConverter::getSupportedFormatsFilter()
{
    const bool office = isLibreOfficeAvailable();
    QString filter =
        "All Supported Files (*.pdf *.jpg *.jpeg *.png *.bmp *.gif *.tiff *.tif *.webp";
    if (office)
        filter += " *.doc *.docx *.docm *.xls *.xlsx *.xlsm *.ppt *.pptx *.pptm *.odt *.ods *.odp "
                  "*.rtf *.txt";
    filter += ");;PDF Files (*.pdf);;Image Files (*.jpg *.jpeg *.png *.bmp *.gif *.tiff *.tif "
              "*.webp);;";
    if (office)
        filter += "Word Files (*.doc *.docx *.docm);;Excel Files (*.xls *.xlsx *.xlsm);;PowerPoint "
                  "Files (*.ppt *.pptx *.pptm);;OpenOffice Files (*.odt *.ods *.odp);;Text Files "
                  "(*.rtf *.txt);;";
    filter += "All Files (*.*)";
    return filter;
}

bool FileConverter::isSupportedFile(const QString &filePath)
{
    if (lowerSuffix(filePath) == "pdf" || isImageFile(filePath))
        return true;
    return isOfficeFile(filePath) && isLibreOfficeAvailable();
}

bool FileConverter::imageToPdf(const QString &imagePath, const QString &pdfPath)
{
    const QImage image(imagePath);
    if (image.isNull())
        return false;

    // Written through a save file, so a folder we cannot write to or a full
    // disk shows up as a failure instead of a truncated PDF.
    QSaveFile file(pdfPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setResolution(kImageDpi);

        const QRect paintRect = writer.pageLayout().paintRectPixels(kImageDpi);
        const int pageWidth = paintRect.width();
        const int pageHeight = paintRect.height();
        const double scale =
            std::min(double(pageWidth) / image.width(), double(pageHeight) / image.height());
        const int width = int(std::lround(image.width() * scale * kImageFill));
        const int height = int(std::lround(image.height() * scale * kImageFill));
        const QRect target((pageWidth - width) / 2, (pageHeight - height) / 2, width, height);

        QPainter painter;
        if (!painter.begin(&writer))
            return false;
        painter.drawImage(target, image, image.rect());
        if (!painter.end())
            return false;
    }
    return file.commit();
}

bool FileConverter::officeToPdf(const QString &inputPath, const QString &outputPath)
{
    const QString program = findLibreOfficePath();
    if (program.isEmpty())
        return false;

    const QString outDir = QFileInfo(outputPath).absolutePath();
    const QString profile = freshProfileFolder(outDir);

    QProcess process;
    process.setWorkingDirectory(outDir);
#ifdef Q_OS_UNIX
    process.setChildProcessModifier([] { ::setsid(); });
#endif
    process.start(program,
                  {"-env:UserInstallation=" + QUrl::fromLocalFile(profile).toString(), "--headless",
                   "--convert-to", "pdf", "--outdir", outDir, inputPath},
                  QIODevice::ReadWrite);
    const bool finished = process.waitForStarted() && process.waitForFinished(kConverterTimeoutMs);
    if (!finished)
        killConverter(process);
    QDir(profile).removeRecursively();
    if (!finished)
        return false;

    // LibreOffice names its product after everything up to the last dot, so
    // for "report.final.docx" that name is looked for as well.
    const QFileInfo input(inputPath);
    QString product = outDir + "/" + input.baseName() + ".pdf";
    if (!QFileInfo::exists(product))
        product = outDir + "/" + input.completeBaseName() + ".pdf";
    const QString target = QDir::cleanPath(QFileInfo(outputPath).absoluteFilePath());
    if (QFileInfo::exists(product) && QDir::cleanPath(product) != target) {
        QFile::remove(outputPath);
        QFile::rename(product, outputPath);
    }
    return QFileInfo::exists(outputPath);
}
