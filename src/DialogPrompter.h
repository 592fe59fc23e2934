#pragma once

#include "Prompter.h"

class QWidget;

// The window's answers: the standard dialogs and our own, over `parent`.
class DialogPrompter : public Prompter
{
public:
    explicit DialogPrompter(QWidget *parent);

    QStringList openFiles(const QString &title, const QString &folder,
                          const QString &filter) override;
    QString openFile(const QString &title, const QString &folder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &suggested,
                     const QString &filter) override;
    QString folder(const QString &title, const QString &start) override;
    std::optional<QString> item(const QString &title, const QString &label,
                                const QStringList &items, int current) override;
    std::optional<int> number(const QString &title, const QString &label, int value, int minimum,
                              int maximum, int step) override;
    std::optional<double> decimal(const QString &title, const QString &label, double value,
                                  double minimum, double maximum) override;
    Answer question(const QString &title, const QString &text, Buttons buttons, Answer byDefault,
                    Tone tone) override;
    void information(const QString &title, const QString &text) override;
    void warning(const QString &title, const QString &text) override;
    void critical(const QString &title, const QString &text) override;
    std::optional<PdfPostProcessor::EncryptionOptions> password(PasswordUse use) override;
    std::optional<ExportChoice> exportChoice(int totalPages, int selectedPages) override;
    bool setUpPrinter(QPrinter *printer) override;
    void previewPrint(QPrinter *printer, const std::function<void(QPrinter *)> &paint) override;

private:
    QWidget *parent;
};
