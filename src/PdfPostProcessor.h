#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <functional>

class QIODevice;
class QPDF;

// Finishes a PDF: adds an outline (bookmarks, nested as given), encrypts it or makes it fit
// for fast web view, and writes it out. Takes a file that QPdfWriter has
// written (in memory or on disk), or a document that another class has
// built with the same library, and gives back a whole file, or nothing and
// an error message; the caller writes the result out, so a failure never
// leaves a half-done file on disk.
//
//     PdfPostProcessor post;
//     post.setOutline({{"a.pdf", 0}, {"b.pdf", 3}});
//     post.setEncryption({password, password, 256});
//     QByteArray finished;
//     if (!post.process(buffer.data(), &finished))
//         warn(post.errorString());
//
// Without an outline and without encryption the file is still parsed and
// rewritten, and the result is never encrypted. Not thread-safe; use one
// object per output file.
class PdfPostProcessor
{
public:
    struct OutlineEntry
    {
        OutlineEntry() = default;
        OutlineEntry(const QString &title, int pageIndex)
            : title(title)
            , pageIndex(pageIndex)
        {}

        QString title;
        int pageIndex = 0; // from 0
        // The destination's items after the page ("/XYZ 72 700 null", "/Fit");
        // empty shows the top of the page.
        QString view;
        QColor color;     // of the title; invalid leaves it to the reader
        int style = 0;    // 1 italic, 2 bold
        bool open = true; // children shown
        QList<OutlineEntry> children;
    };

    struct EncryptionOptions
    {
        QString userPassword;        // needed to open the file; may be empty
        QString ownerPassword;       // full rights; empty means the user password
        int keyBits = 256;           // 256: AES-256 (revision 6), 128: AES-128 (revision 4)
        bool allowPrinting = true;   // high-quality printing
        bool allowCopying = false;   // copying text and images out
        bool allowModifying = false; // editing, annotations, forms, page assembly
    };

    // One top-level item per entry, in order, with its children beneath
    // it; entries whose page does not exist are dropped with their children.
    // Any outline the input had is replaced, unless the list is empty.
    void setOutline(const QList<OutlineEntry> &entries);

    void setEncryption(const EncryptionOptions &options);

    // Linearized ("fast web view"), with object streams and every stream
    // compressed anew.
    void setWebOptimization(bool on);

    // The file declares at least this version ("1.7"): pages copied from
    // newer files may use what their version allows.
    void setMinimumVersion(const QString &version);

    // Called now and then while a large file is written, with the share done
    // in percent, so that a caller can keep its window alive.
    void setWriteProgress(const std::function<void(int percent)> &progress);

    // Returns false, leaving *output untouched, when the input is not a
    // readable PDF or the options cannot be honoured (key length other than
    // 128 or 256, a 128-bit password outside PDFDocEncoding).
    bool process(const QByteArray &input, QByteArray *output);
    // The same for a file on disk, written into `output` as it is produced.
    bool process(const QString &inputPath, QIODevice *output);
    // The same for a document already open in the library (which it changes).
    bool process(QPDF &pdf, QIODevice *output);

    QString errorString() const { return error; }

    // Top-level outline items the last successful process() wrote.
    int outlineEntriesWritten() const { return written; }

private:
    bool run(const std::function<void(QPDF &)> &load, QIODevice *device, QByteArray *bytes);
    bool guarded(const std::function<void()> &work);
    void write(QPDF &pdf, QIODevice *device, QByteArray *bytes);

    QList<OutlineEntry> outline;
    EncryptionOptions encryption;
    bool encrypt = false;
    bool webOptimized = false;
    QString minimumVersion;
    std::function<void(int)> writeProgress;
    QString error;
    int written = 0;
};
