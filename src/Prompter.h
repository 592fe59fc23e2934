#pragma once

#include "PdfPostProcessor.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QPrinter;

// Every question a command asks the user, and every message it gives, goes
// through here. The window shows real dialogs (DialogPrompter); a test
// answers from a script, so a command runs without a window.
//
// Cancelling is an empty string for files and folders, and no value for the
// other questions.
class Prompter
{
public:
    enum class Answer { Yes, No, Cancel };
    enum class Buttons { YesNo, YesNoCancel };
    enum class Tone { Question, Warning };

    // What the password dialog asks for: protecting a file, protecting the
    // merged file (an empty password means none), or opening a protected one.
    enum class PasswordUse { Protect, Merge, Unlock };

    // The export dialog's answers, with its defaults.
    struct ExportChoice
    {
        QString folder;
        bool allPages = true;
        int format = 0; // 0 JPG, 1 PNG, 2 BMP, 3 TIFF
        int dpi = 150;
        int quality = 85;
        QString pattern = QStringLiteral("page_{page}"); // "{page}": the page number
    };

    virtual ~Prompter() = default;

    virtual QStringList openFiles(const QString &title, const QString &folder,
                                  const QString &filter) = 0;
    virtual QString openFile(const QString &title, const QString &folder,
                             const QString &filter) = 0;
    virtual QString saveFile(const QString &title, const QString &suggested,
                             const QString &filter) = 0;
    virtual QString folder(const QString &title, const QString &start) = 0;

    virtual std::optional<QString> item(const QString &title, const QString &label,
                                        const QStringList &items, int current = 0) = 0;
    virtual std::optional<int> number(const QString &title, const QString &label, int value,
                                      int minimum, int maximum, int step = 1) = 0;
    virtual std::optional<double> decimal(const QString &title, const QString &label, double value,
                                          double minimum, double maximum) = 0;
    // `byDefault` is the button that Enter presses; Cancel stands for none.
    virtual Answer question(const QString &title, const QString &text,
                            Buttons buttons = Buttons::YesNo, Answer byDefault = Answer::Cancel,
                            Tone tone = Tone::Question) = 0;

    virtual void information(const QString &title, const QString &text) = 0;
    virtual void warning(const QString &title, const QString &text) = 0;
    virtual void critical(const QString &title, const QString &text) = 0;

    // The password and, for protection, its owner password, key length and
    // permissions.
    virtual std::optional<PdfPostProcessor::EncryptionOptions> password(PasswordUse use) = 0;
    virtual std::optional<ExportChoice> exportChoice(int totalPages, int selectedPages) = 0;
    // The print dialog on `printer`; false when cancelled.
    virtual bool setUpPrinter(QPrinter *printer) = 0;
    // Shows a print preview that draws with `paint` until the user closes it.
    virtual void previewPrint(QPrinter *printer, const std::function<void(QPrinter *)> &paint) = 0;
};
