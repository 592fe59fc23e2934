#include "DialogPrompter.h"

#include "ExportDialog.h"
#include "PasswordDialog.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

DialogPrompter::DialogPrompter(QWidget *parent)
    : parent(parent)
{}

QStringList DialogPrompter::openFiles(const QString &title, const QString &folder,
                                      const QString &filter)
{
    return QFileDialog::getOpenFileNames(parent, title, folder, filter);
}

QString DialogPrompter::openFile(const QString &title, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString DialogPrompter::saveFile(const QString &title, const QString &suggested,
                                 const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, title, suggested, filter);
}

QString DialogPrompter::folder(const QString &title, const QString &start)
{
    return QFileDialog::getExistingDirectory(parent, title, start);
}

std::optional<QString> DialogPrompter::item(const QString &title, const QString &label,
                                            const QStringList &items, int current)
{
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, title, label, items, current, false, &ok);
    if (!ok || chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<int> DialogPrompter::number(const QString &title, const QString &label, int value,
                                          int minimum, int maximum, int step)
{
    bool ok = false;
    const int chosen =
        QInputDialog::getInt(parent, title, label, value, minimum, maximum, step, &ok);
    return ok ? std::optional<int>(chosen) : std::nullopt;
}

std::optional<double> DialogPrompter::decimal(const QString &title, const QString &label,
                                              double value, double minimum, double maximum)
{
    bool ok = false;
    const double chosen = QInputDialog::getDouble(parent, title, label, value, minimum, maximum, 1,
                                                  &ok, Qt::WindowFlags(), 1.0);
    return ok ? std::optional<double>(chosen) : std::nullopt;
}

Prompter::Answer DialogPrompter::question(const QString &title, const QString &text,
                                          Buttons buttons, Answer byDefault, Tone tone)
{
    QMessageBox::StandardButtons shown = QMessageBox::Yes | QMessageBox::No;
    if (buttons == Buttons::YesNoCancel)
        shown |= QMessageBox::Cancel;
    const QMessageBox::StandardButton preferred = byDefault == Answer::Yes  ? QMessageBox::Yes
                                                  : byDefault == Answer::No ? QMessageBox::No
                                                                            : QMessageBox::NoButton;
    const auto answer = tone == Tone::Warning
                            ? QMessageBox::warning(parent, title, text, shown, preferred)
                            : QMessageBox::question(parent, title, text, shown, preferred);
    if (answer == QMessageBox::Yes)
        return Answer::Yes;
    return answer == QMessageBox::No ? Answer::No : Answer::Cancel;
}

void DialogPrompter::information(const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text);
}

void DialogPrompter::warning(const QString &title, const QString &text)
{
    QMessageBox::warning(parent, title, text);
}

void DialogPrompter::critical(const QString &title, const QString &text)
{
    QMessageBox::critical(parent, title, text);
}

std::optional<PdfPostProcessor::EncryptionOptions> DialogPrompter::password(PasswordUse use)
{
    const PasswordDialog::Mode mode = use == PasswordUse::Protect ? PasswordDialog::Set
                                      : use == PasswordUse::Merge ? PasswordDialog::Export
                                                                  : PasswordDialog::Remove;
    PasswordDialog dialog(mode, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return PdfPostProcessor::EncryptionOptions{
        dialog.getPassword(),   dialog.getOwnerPassword(), dialog.getEncryptionLevel(),
        dialog.allowPrinting(), dialog.allowCopying(),     dialog.allowModifying()};
}

std::optional<Prompter::ExportChoice> DialogPrompter::exportChoice(int totalPages,
                                                                   int selectedPages)
{
    ExportDialog dialog(totalPages, selectedPages, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return ExportChoice{dialog.getOutputFolder(), dialog.exportAllPages(),
                        dialog.getFormat(),       dialog.getDPI(),
                        dialog.getQuality(),      dialog.getFileNamePattern()};
}

bool DialogPrompter::setUpPrinter(QPrinter *printer)
{
    QPrintDialog dialog(printer, parent);
    dialog.setWindowTitle("Print PDF Pages");
    return dialog.exec() == QDialog::Accepted;
}

void DialogPrompter::previewPrint(QPrinter *printer, const std::function<void(QPrinter *)> &paint)
{
    QPrintPreviewDialog preview(printer, parent);
    preview.setWindowTitle("Print Preview");
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, parent, paint);
    preview.exec();
}
