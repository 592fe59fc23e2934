#include "OutputCommands.h"

#include "OutputBackend.h"
#include "PageRenderer.h"
#include "Prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfDocument>
#include <QPrinter>

namespace {

// Printed pages are rendered at three pixels per point before they are fitted.
constexpr double kPrintScale = 3.0;

// Protected copies: A4 pages at 150 dpi holding pages rendered at 144 dpi.
constexpr int kCopyResolution = 150;
constexpr double kCopyScale = 2.0;

QString padded(int number, int digits)
{
    return QString("%1").arg(number, digits, 10, QChar('0'));
}

// "~12.3%", or the word for "unknown" when there was nothing to compare with.
QString reductionText(qint64 before, qint64 after, const QString &unknown)
{
    if (before <= 0)
        return unknown;
    return QString("~%1%").arg(100.0 * (1.0 - double(after) / double(before)), 0, 'f', 1);
}

// The extra line of a final message when pages had to be written as pictures.
QString picturesNote(int pictures, bool turkish)
{
    if (pictures == 0)
        return QString();
    if (turkish)
        return QString::fromUtf8("\n\n⚠️ %1 sayfa kopyalanamadı, resim olarak yazıldı")
            .arg(pictures);
    return QString::fromUtf8(
               pictures == 1
                   ? "\n\n⚠️ %1 page could not be copied and was written as a picture"
                   : "\n\n⚠️ %1 pages could not be copied and were written as pictures")
        .arg(pictures);
}

// "Doing... 3 of 10", counting the pages done.
std::function<QString(int)> countingText(const char *format, int total)
{
    return [format, total](int done) { return QString(format).arg(done).arg(total); };
}

bool opensWithoutPassword(const QString &source)
{
    QPdfDocument probe;
    probe.load(source);
    return probe.status() == QPdfDocument::Status::Ready;
}

QList<PageRef> selectedOnly(QList<PageRef> pages)
{
    pages.removeIf([](const PageRef &page) { return !page.selected; });
    return pages;
}

} // namespace

OutputCommands::OutputCommands(Prompter *prompter, QObject *parent)
    : ProgressReporter(parent)
    , prompter(prompter)
{}

// ---------------------------------------------------------------------------
// The run skeleton

OutputJobs::Progress OutputCommands::progress(const std::function<QString(int done)> &status)
{
    return [this, status](int done) {
        emit progressChanged(done);
        if (status)
            emit statusChanged(status(done), 0);
        QCoreApplication::processEvents();
    };
}

std::optional<OutputResult> OutputCommands::run(const Run &plan, const Job &job)
{
    emit progressStarted(plan.steps);
    const OutputResult result = job(progress(plan.status));
    emit progressFinished();
    if (result.written)
        return result;
    const QString file = result.failedFile.isEmpty() ? plan.target : result.failedFile;
    if (file.isEmpty())
        return result;
    const QString text = plan.turkish ? QString::fromUtf8("Dosya yazılamadı: %1\n\n%2")
                                      : QString("Could not write file: %1\n\n%2");
    prompter->warning(plan.turkish ? "Hata" : "Error",
                      text.arg(QDir::toNativeSeparators(file), result.error));
    return std::nullopt;
}

bool OutputCommands::hasPages(const Workspace &workspace, const QString &title, const QString &text)
{
    if (!workspace.pages.isEmpty())
        return true;
    prompter->information(title, text);
    return false;
}

void OutputCommands::report(const QString &title, const QString &message, const QString &status,
                            int timeout)
{
    prompter->information(title, message);
    emit statusChanged(status, timeout);
}

// ---------------------------------------------------------------------------
// Merge

// Asks whether to protect the merged file; false when the user cancelled.
bool OutputCommands::askMergePassword(OutputJobs::Encryption *encryption)
{
    const auto answer = prompter->question(
        QString::fromUtf8("🔒 Şifre Koruması"),
        QString::fromUtf8("Birleştirilen PDF'e şifre koruması eklemek ister misiniz?\n\nNot: "
                          "Dosya, gireceğiniz şifreyle AES kullanılarak şifrelenecek.\nŞifreyi "
                          "bilmeyen kimse dosyayı açamaz."),
        Prompter::Buttons::YesNoCancel);
    if (answer == Prompter::Answer::Cancel)
        return false;
    if (answer == Prompter::Answer::Yes) {
        const auto protection = prompter->password(Prompter::PasswordUse::Merge);
        if (!protection)
            return false;
        // An accepted empty password means no protection.
        if (!protection->userPassword.isEmpty())
            *encryption = protection;
    }
    return true;
}

void OutputCommands::merge(const Workspace &workspace)
{
    if (workspace.pages.isEmpty()) {
        prompter->warning(QString::fromUtf8("Uyarı"),
                          QString::fromUtf8("Birleştirilecek sayfa yok!"));
        return;
    }
    OutputJobs::MergeOptions options;
    options.bookmarks = workspace.bookmarks;
    options.autoNumbers = workspace.autoNumbers;
    if (!askMergePassword(&options.encryption))
        return;
    const QString target = prompter->saveFile(QString::fromUtf8("Birleştirilmiş PDF'i Kaydet"),
                                              QDir::homePath() + "/merged.pdf",
                                              QString::fromUtf8("PDF Dosyası (*.pdf)"));
    if (target.isEmpty())
        return;

    const int count = workspace.pages.size();
    const auto backend = OutputBackend::choose(workspace.keepText);
    emit statusChanged(QString::fromUtf8("PDF'ler birleştiriliyor..."), 0);
    const auto result = run({count, countingText("Birleştiriliyor... %1/%2", count), target, true},
                            [&](const OutputJobs::Progress &progress) {
                                return backend->merge(workspace.pages, target, options, progress);
                            });
    if (!result)
        return;

    const QFileInfo info(target);
    QString message = QString::fromUtf8("✅ %1 sayfa başarıyla birleştirildi!\n\nDosya: %2\nKonum: "
                                        "%3\nBoyut: %4 KB")
                          .arg(QString::number(count), info.fileName(), info.absolutePath(),
                               QString::number(info.size() / 1024));
    if (options.bookmarks)
        message += QString::fromUtf8("\n\n📑 %1 kaynak dosyadan bookmark'lar eklendi")
                       .arg(result->bookmarks);
    if (options.autoNumbers)
        message += QString::fromUtf8("\n\n🔢 Otomatik sayfa numaraları eklendi");
    if (options.encryption)
        message += QString::fromUtf8("\n\n🔒 Dosya %1-bit AES şifrelemeyle korundu. Açmak için "
                                     "şifre gerekir.")
                       .arg(options.encryption->keyBits);
    report(QString::fromUtf8("Başarılı"), message + picturesNote(result->pictures, true),
           QString::fromUtf8("PDF'ler başarıyla birleştirildi!"), 5000);
}

// ---------------------------------------------------------------------------
// Split

std::optional<OutputCommands::SplitMode> OutputCommands::askSplitMode()
{
    const QStringList modes{QString::fromUtf8("Her sayfayı ayrı PDF yap"),
                            QString::fromUtf8("Seçili sayfaları ayrı PDF'lere böl"),
                            QString::fromUtf8("Her N sayfada bir böl")};
    const auto mode = prompter->item(QString::fromUtf8("Bölme Yöntemi"),
                                     QString::fromUtf8("Nasıl bölmek istersiniz?"), modes, 0);
    if (!mode)
        return std::nullopt;
    if (mode->contains(QString::fromUtf8("Her sayfayı")))
        return SplitMode::EveryPage;
    return mode->contains(QString::fromUtf8("Seçili")) ? SplitMode::Selected : SplitMode::Runs;
}

void OutputCommands::split(const Workspace &workspace)
{
    if (!hasPages(workspace, "Sayfa Yok",
                  QString::fromUtf8("Bölünecek sayfa yok. Lütfen önce PDF dosyaları ekleyin.")))
        return;
    const auto mode = askSplitMode();
    if (!mode)
        return;
    const QString folder =
        prompter->folder(QString::fromUtf8("Bölünmüş PDF'ler İçin Klasör Seç"), QDir::homePath());
    if (folder.isEmpty())
        return;
    std::optional<int> perFile = 0;
    if (*mode == SplitMode::Runs) {
        perFile = prompter->number(QString::fromUtf8("Sayfa Sayısı"),
                                   QString::fromUtf8("Her kaç sayfada bir dosya oluşturulsun?"), 5,
                                   1, workspace.pages.size());
        if (!perFile)
            return;
    }
    const bool selected = *mode == SplitMode::Selected;
    const QList<PageRef> pages = selected ? selectedOnly(workspace.pages) : workspace.pages;
    if (pages.isEmpty()) {
        prompter->information(QString::fromUtf8("Seçim Yok"),
                              QString::fromUtf8("Hiçbir sayfa seçilmedi."));
        return;
    }

    const auto backend = OutputBackend::choose(workspace.keepText);
    const int total = pages.size();
    const int n = *perFile;
    auto pathOf = [folder, selected](int k, const PageRef &page) {
        if (selected)
            return QString("%1/secili_%2.pdf").arg(folder, padded(k, 3));
        return QString("%1/%2_sayfa_%3.pdf")
            .arg(folder, QFileInfo(page.filePath).baseName(), padded(k, 3));
    };
    const auto fileDone = [this, fileCount = n > 0 ? (total + n - 1) / n : 0](int file) {
        emit statusChanged(QString::fromUtf8("Bölünüyor... %1/%2 dosya").arg(file).arg(fileCount),
                           0);
    };
    const auto result =
        run({total, n > 0 ? nullptr : countingText("Bölünüyor... %1/%2", total), {}, true},
            [&](const OutputJobs::Progress &progress) {
                return n > 0 ? backend->splitRuns(pages, folder, n, progress, fileDone)
                             : backend->splitPages(pages, pathOf, progress);
            });
    if (!result)
        return;

    QString message = QString::fromUtf8("✅ %1 PDF dosyası oluşturuldu\n\nKonum: %2")
                          .arg(QString::number(result->files), folder);
    if (result->failures > 0)
        message += QString::fromUtf8("\n\n⚠️ %1 sayfa işlenemedi").arg(result->failures);
    report(QString::fromUtf8("Bölme Tamamlandı"), message + picturesNote(result->pictures, true),
           QString::fromUtf8("%1 PDF dosyası oluşturuldu").arg(result->files), 5000);
}

// ---------------------------------------------------------------------------
// Compress, web optimisation and crop

int OutputCommands::askCompressionDpi(QString *qualityName)
{
    const QStringList presets{QString::fromUtf8("🔥 Maksimum sıkıştırma (72 DPI - en küçük dosya)"),
                              QString::fromUtf8("⚖️ Dengeli kalite (150 DPI - önerilen)"),
                              QString::fromUtf8("💎 Yüksek kalite (200 DPI - daha büyük dosya)"),
                              QString::fromUtf8("🎯 Özel DPI...")};
    const auto preset = prompter->item(QString::fromUtf8("Sıkıştırma Kalitesi"),
                                       QString::fromUtf8("Kalite seviyesi seçin:"), presets, 1);
    if (!preset)
        return 0;
    if (preset->contains("72 DPI")) {
        *qualityName = QString::fromUtf8("Maksimum Sıkıştırma");
        return 72;
    }
    if (preset->contains("150 DPI")) {
        *qualityName = "Dengeli";
        return 150;
    }
    if (preset->contains("200 DPI")) {
        *qualityName = QString::fromUtf8("Yüksek Kalite");
        return 200;
    }
    const auto dpi = prompter->number(
        QString::fromUtf8("Özel DPI"),
        QString::fromUtf8("DPI değeri girin (düşük = küçük dosya, yüksek = büyük dosya):"), 150, 50,
        300, 10);
    if (!dpi)
        return 0;
    *qualityName = QString::fromUtf8("Özel %1 DPI").arg(*dpi);
    return *dpi;
}

void OutputCommands::compress(const Workspace &workspace)
{
    if (!hasPages(
            workspace, "Sayfa Yok",
            QString::fromUtf8("Sıkıştırılacak sayfa yok. Lütfen önce PDF dosyaları ekleyin.")))
        return;
    QString quality;
    const int dpi = askCompressionDpi(&quality);
    if (dpi == 0)
        return;
    const QString target = prompter->saveFile(QString::fromUtf8("Sıkıştırılmış PDF'i Kaydet"),
                                              QDir::homePath() + "/compressed.pdf",
                                              QString::fromUtf8("PDF Dosyaları (*.pdf)"));
    if (target.isEmpty())
        return;

    const int count = workspace.pages.size();
    const qint64 inputSize = OutputJobs::inputSize(workspace.pages);
    OutputBackend::SheetJob job;
    job.sheets.dpi = dpi;
    job.sheets.scale = dpi / 72.0;
    job.sheets.title = "Compressed PDF";
    job.sheets.creator = "Quirefold v2.0";
    job.sheets.progressOnLoadError = false;
    job.shrinkPictures = true;
    const auto status = [count](int done) {
        return QString::fromUtf8("Sıkıştırılıyor... %1/%2 (%3%)")
            .arg(done)
            .arg(count)
            .arg(100 * done / count);
    };
    const auto backend = OutputBackend::choose(workspace.keepText);
    const auto result = run({count, status, target, true}, [&](const auto &progress) {
        return backend->writeSheets(workspace.pages, target, job, progress);
    });
    if (!result)
        return;

    const QFileInfo info(target);
    const QString size = OutputJobs::sizeText(info.size());
    const QString message =
        QString::fromUtf8("✅ PDF başarıyla sıkıştırıldı!\n\n📊 İstatistikler:\n• Kalite: %1\n• "
                          "Çözünürlük: %2 DPI\n• İşlenen sayfa: %3/%4\n• Son boyut: %5\n• "
                          "Tahmini sıkıştırma: %6\n\n📁 Dosya: %7")
            .arg(quality, QString::number(dpi), QString::number(result->drawn),
                 QString::number(count), size,
                 reductionText(inputSize, info.size(), QString::fromUtf8("bilinmiyor")),
                 info.fileName());
    report(QString::fromUtf8("Sıkıştırma Tamamlandı"),
           message + picturesNote(result->pictures, true),
           QString::fromUtf8("PDF sıkıştırıldı: %1").arg(size), 5000);
}

void OutputCommands::optimizeForWeb(const Workspace &workspace)
{
    if (!hasPages(workspace, "No Pages", "No pages to optimize. Please add PDF files first."))
        return;
    const QString target =
        prompter->saveFile("Save Optimized PDF", QDir::homePath(), "PDF Files (*.pdf)");
    if (target.isEmpty())
        return;

    const QList<PageRef> &pages = workspace.pages;
    const int count = pages.size();
    OutputBackend::SheetJob job;
    job.sheets.dpi = 96;
    job.sheets.scale = 96 / 72.0;
    job.webOptimized = true;
    const auto backend = OutputBackend::choose(workspace.keepText);
    const auto result = run(
        {count, countingText("Optimizing... %1 of %2", count), target, false},
        [&](const auto &progress) { return backend->writeSheets(pages, target, job, progress); });
    if (!result)
        return;

    // Copied pages are compared with all their sources; pictures with an estimate.
    const bool copied = backend->copiesPages();
    const qint64 outputSize = QFileInfo(target).size();
    const qint64 originalSize =
        copied ? OutputJobs::inputSize(pages) : QFileInfo(pages.first().filePath).size();
    const QString message =
        QString::fromUtf8("✅ Optimized PDF saved to:\n%1\n\nOriginal size: ~%2 KB\nOptimized "
                          "size: %3 KB\nReduction: %4\n\n%5\n✓ Optimized for web/email")
            .arg(target, QString::number(copied ? originalSize / 1024 : count * 500),
                 QString::number(outputSize / 1024),
                 reductionText(originalSize, outputSize, "unknown"),
                 QString::fromUtf8(copied ? "✓ Fast web view (linearized)"
                                          : "✓ Low resolution (96 DPI)"));
    report("Optimization Complete", message + picturesNote(result->pictures, false),
           "PDF optimized for web");
}

std::optional<double> OutputCommands::askCropMargin()
{
    const QStringList presets{"Remove 10% margins (all sides)", "Remove 15% margins (all sides)",
                              "Remove 20% margins (all sides)", "Custom crop..."};
    const auto preset = prompter->item("Crop Pages", "Select crop preset:", presets, 0);
    if (!preset)
        return std::nullopt;
    if (preset->contains("15%"))
        return 0.15;
    if (preset->contains("20%"))
        return 0.20;
    if (!preset->contains("Custom"))
        return 0.10;
    const auto percent =
        prompter->decimal("Custom Crop", "Enter margin to remove (%):", 10.0, 0.0, 50.0);
    if (!percent)
        return std::nullopt;
    return *percent / 100.0;
}

void OutputCommands::crop(const Workspace &workspace)
{
    if (!hasPages(workspace, "No Pages", "No pages to crop. Please add PDF files first."))
        return;
    const auto margin = askCropMargin();
    if (!margin)
        return;
    const QString target =
        prompter->saveFile("Save Cropped PDF", QDir::homePath(), "PDF Files (*.pdf)");
    if (target.isEmpty())
        return;

    const int count = workspace.pages.size();
    OutputBackend::SheetJob job;
    job.sheets.margin = *margin;
    const auto backend = OutputBackend::choose(workspace.keepText);
    const auto result = run({count, countingText("Cropping... %1 of %2", count), target, false},
                            [&](const auto &progress) {
                                return backend->writeSheets(workspace.pages, target, job, progress);
                            });
    if (!result)
        return;
    report("Crop Complete",
           QString::fromUtf8("✅ Cropped PDF saved to:\n%1\n\nMargins removed: %2%")
                   .arg(target, QString::number(*margin * 100, 'f', 1)) +
               picturesNote(result->pictures, false),
           "PDF cropped successfully");
}

// ---------------------------------------------------------------------------
// Pictures of pages

void OutputCommands::exportPages(const Workspace &workspace)
{
    if (!hasPages(workspace, "No Pages", "No pages to export. Please add PDF files first."))
        return;
    const QList<PageRef> selected = selectedOnly(workspace.pages);
    const auto choice = prompter->exportChoice(workspace.pages.size(), selected.size());
    if (!choice)
        return;
    const QList<PageRef> pages = choice->allPages ? workspace.pages : selected;
    if (pages.isEmpty()) {
        prompter->information("No Selection", "No pages selected for export.");
        return;
    }

    static const char *const extensions[] = {"jpg", "png", "bmp", "tiff"};
    const int format = qBound(0, choice->format, 3);
    const QString extension = extensions[format];
    OutputJobs::ImageOptions options;
    options.scale = choice->dpi / 72.0;
    options.format = extension.toUpper().toLatin1();
    options.quality = format == 0 ? choice->quality : -1;
    auto pathOf = [folder = choice->folder, pattern = choice->pattern, extension](int n,
                                                                                  const PageRef &) {
        QString name = pattern;
        name.replace("{page}", padded(n, 3));
        return folder + "/" + name + "." + extension;
    };

    const int total = pages.size();
    const auto result = run({total, countingText("Exporting... %1 of %2", total), {}, false},
                            [&](const auto &progress) {
                                return OutputJobs::saveImages(pages, pathOf, options, progress);
                            });
    if (!result)
        return;
    QString message = QString("Successfully exported %1 pages to:\n%2")
                          .arg(QString::number(result->drawn), choice->folder);
    if (result->failures > 0)
        message +=
            QString::fromUtf8("\n\n⚠️ %1 pages could not be exported").arg(result->failures);
    report("Export Complete", message, QString("Exported %1 pages").arg(result->drawn));
}

void OutputCommands::extractImages(const Workspace &workspace)
{
    if (!hasPages(workspace, "No Pages", "No pages loaded. Please add PDF files first."))
        return;
    const QString folder =
        prompter->folder("Select Output Folder for Extracted Images", QDir::homePath());
    if (folder.isEmpty())
        return;
    const auto choice =
        prompter->item("Image Format", "Select output format:",
                       {"PNG (*.png)", "JPEG (*.jpg)", "BMP (*.bmp)", "TIFF (*.tiff)"}, 0);
    if (!choice)
        return;
    QString extension = "png";
    if (choice->contains("JPEG"))
        extension = "jpg";
    else if (choice->contains("BMP"))
        extension = "bmp";
    else if (choice->contains("TIFF"))
        extension = "tiff";

    const int count = workspace.pages.size();
    OutputJobs::ImageOptions options;
    options.scale = 2.0;
    options.format = extension.toUpper().toLatin1();
    auto pathOf = [folder, extension](int n, const PageRef &) {
        return QString("%1/page_%2.%3").arg(folder, padded(n, 4), extension);
    };
    const auto result =
        run({count, countingText("Extracting... %1 of %2", count), {}, false},
            [&](const auto &progress) {
                return OutputJobs::saveImages(workspace.pages, pathOf, options, progress);
            });
    if (!result)
        return;
    QString message = QString::fromUtf8("✅ Successfully extracted %1 images to:\n%2")
                          .arg(QString::number(result->drawn), folder);
    if (result->failures > 0)
        message +=
            QString::fromUtf8("\n\n⚠️ %1 images could not be extracted").arg(result->failures);
    report("Extraction Complete", message, QString("Extracted %1 images").arg(result->drawn));
}

// ---------------------------------------------------------------------------
// Protection

void OutputCommands::lock(const Workspace &workspace)
{
    if (!hasPages(workspace, "No Pages", "No pages to protect. Please add PDF files first."))
        return;
    const auto protection = prompter->password(Prompter::PasswordUse::Protect);
    if (!protection)
        return;
    const QString path =
        prompter->saveFile("Save Protected PDF", QDir::homePath(), "PDF Files (*.pdf)");
    if (path.isEmpty())
        return;

    const int count = workspace.pages.size();
    OutputBackend::SheetJob job;
    job.sheets.dpi = kCopyResolution;
    job.sheets.scale = kCopyScale;
    job.sheets.encryption = protection;
    const auto backend = OutputBackend::choose(workspace.keepText);
    const auto result = run({count, countingText("Creating PDF... %1 of %2", count), path, false},
                            [&](const auto &progress) {
                                return backend->writeSheets(workspace.pages, path, job, progress);
                            });
    if (!result)
        return;
    QStringList granted;
    if (protection->allowPrinting)
        granted << "printing";
    if (protection->allowCopying)
        granted << "copying text and images";
    if (protection->allowModifying)
        granted << "modifying content";
    report("PDF Created",
           QString::fromUtf8("✅ PDF saved to:\n%1\n\n🔒 Password Protection:\nThe PDF is "
                             "encrypted and opens only with its password.\n\nAllowed without the "
                             "owner password: %2\nEncryption: %3-bit AES")
                   .arg(path, granted.isEmpty() ? QString("viewing only") : granted.join(", "))
                   .arg(protection->keyBits) +
               picturesNote(result->pictures, false),
           "PDF saved with password protection");
}

// The number of pages the password opens, or none after telling the user
// that it does not open the file.
std::optional<int> OutputCommands::pagesOpenedBy(const QString &source, const QString &password)
{
    QPdfDocument document;
    document.setPassword(password);
    document.load(source);
    if (document.status() == QPdfDocument::Status::Ready)
        return document.pageCount();
    prompter->warning(
        "Incorrect Password",
        QString::fromUtf8("The password you entered is incorrect.\n\nNote: Qt has limited "
                          "password support.\nFor advanced encryption, use:\n• QPDF: qpdf "
                          "--password=PASSWORD --decrypt input.pdf output.pdf\n• PDFtk: "
                          "pdftk input.pdf input_pw PASSWORD output output.pdf"));
    return std::nullopt;
}

void OutputCommands::unlock(const Workspace &workspace)
{
    const QString source =
        prompter->openFile("Select Password-Protected PDF", QDir::homePath(), "PDF Files (*.pdf)");
    if (source.isEmpty())
        return;
    if (opensWithoutPassword(source)) {
        prompter->information("Not Protected",
                              "This PDF is not password-protected or is already unlocked.");
        return;
    }
    const auto entered = prompter->password(Prompter::PasswordUse::Unlock);
    if (!entered)
        return;
    const QString password = entered->userPassword;
    const auto count = pagesOpenedBy(source, password);
    if (!count)
        return;
    const QString path =
        prompter->saveFile("Save Unlocked PDF", QDir::homePath(), "PDF Files (*.pdf)");
    if (path.isEmpty())
        return;

    const auto backend = OutputBackend::choose(workspace.keepText);
    const auto result = run(
        {*count, countingText("Unlocking... %1 of %2", *count), path, false},
        [&](const auto &progress) { return backend->unlock(source, password, path, progress); });
    if (!result)
        return;
    report("Password Removed",
           QString::fromUtf8("✅ Unlocked PDF saved to:\n%1\n\nThe PDF is now "
                             "unprotected and can be opened without a password.")
               .arg(path),
           "PDF password removed successfully");
}

// ---------------------------------------------------------------------------
// Printing

void OutputCommands::print(const Workspace &workspace)
{
    if (!hasPages(workspace, "No Pages", "No pages to print. Please add PDF files first."))
        return;
    const QList<PageRef> selected = selectedOnly(workspace.pages);
    QStringList choices{QString("All pages (%1 pages)").arg(workspace.pages.size())};
    if (!selected.isEmpty())
        choices << QString("Selected pages only (%1 pages)").arg(selected.size());
    const auto answer = prompter->item(QString::fromUtf8("🖨️ Print Pages"),
                                       "What would you like to print?", choices, 0);
    if (!answer)
        return;
    const QList<PageRef> pages = answer->contains("All pages") ? workspace.pages : selected;

    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Portrait);
    if (!prompter->setUpPrinter(&printer))
        return;
    const auto choice = prompter->question(
        "Print Preview",
        QString::fromUtf8("📄 Ready to print %1 pages.\n\nDo you want to see a preview first?")
            .arg(pages.size()),
        Prompter::Buttons::YesNoCancel);
    if (choice == Prompter::Answer::Yes) {
        prompter->previewPrint(&printer,
                               [this, pages](QPrinter *target) { printTo(target, pages, false); });
        return;
    }
    if (choice != Prompter::Answer::No)
        return;

    emit progressStarted(pages.size());
    const bool started = printTo(&printer, pages, true);
    emit progressFinished();
    if (!started)
        return; // already reported; nothing reached the printer
    report("Print Complete",
           QString::fromUtf8("✅ Successfully sent %1 pages to printer!").arg(pages.size()),
           QString("Printed %1 pages").arg(pages.size()));
}

bool OutputCommands::printTo(QPrinter *printer, const QList<PageRef> &pages, bool showProgress)
{
    QPainter painter;
    if (!painter.begin(printer)) {
        prompter->warning("Print Error", "Failed to initialize printer.");
        return false;
    }
    // The printer scales while it draws: an enlarged copy at printer
    // resolution would take hundreds of megabytes per page.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int n = pages.size();
    const auto step = progress(countingText("Printing... %1 of %2", n));
    for (int k = 0; k < n; ++k) {
        if (k > 0 && !printer->newPage()) {
            prompter->warning("Print Error", "Failed to create new page.");
            break;
        }
        const QImage image = PageRenderer::render(pages[k], kPrintScale);
        if (!image.isNull()) {
            const QSize area = printer->pageRect(QPrinter::DevicePixel).toRect().size();
            const QSize fitted = image.size().scaled(area, Qt::KeepAspectRatio);
            painter.drawImage(QRect(QPoint((area.width() - fitted.width()) / 2,
                                           (area.height() - fitted.height()) / 2),
                                    fitted),
                              image);
        }
        if (showProgress)
            step(k + 1);
    }
    painter.end();
    return true;
}
