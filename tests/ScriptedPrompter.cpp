#include "ScriptedPrompter.h"

#include <QPrinter>

template <typename T> std::optional<T> ScriptedPrompter::next(const QString &title)
{
    asked << title;
    if (script.isEmpty() || !std::holds_alternative<T>(script.first())) {
        unanswered << title;
        return std::nullopt;
    }
    return std::get<T>(script.takeFirst());
}

QString ScriptedPrompter::problems() const
{
    return QString("unanswered: [%1]; unused replies: %2; asked: [%3]")
        .arg(unanswered.join(" | "))
        .arg(script.size())
        .arg(asked.join(" | "));
}

QStringList ScriptedPrompter::titles() const
{
    QStringList list;
    for (const Message &message : messages)
        list << message.title;
    return list;
}

QStringList ScriptedPrompter::texts() const
{
    QStringList list;
    for (const Message &message : messages)
        list << message.text;
    return list;
}

QStringList ScriptedPrompter::openFiles(const QString &title, const QString &, const QString &)
{
    const auto reply = next<QString>(title);
    return reply ? reply->split('\n') : QStringList();
}

QString ScriptedPrompter::openFile(const QString &title, const QString &, const QString &)
{
    return next<QString>(title).value_or(QString());
}

QString ScriptedPrompter::saveFile(const QString &title, const QString &, const QString &)
{
    return next<QString>(title).value_or(QString());
}

QString ScriptedPrompter::folder(const QString &title, const QString &)
{
    return next<QString>(title).value_or(QString());
}

std::optional<QString> ScriptedPrompter::item(const QString &title, const QString &,
                                              const QStringList &items, int)
{
    lastItems = items;
    const auto reply = next<QString>(title);
    if (reply && !items.contains(*reply)) {
        unanswered << title + ": no item " + *reply;
        return std::nullopt;
    }
    return reply;
}

std::optional<int> ScriptedPrompter::number(const QString &title, const QString &, int, int minimum,
                                            int maximum, int)
{
    const auto reply = next<int>(title);
    return reply ? std::optional<int>(qBound(minimum, *reply, maximum)) : std::nullopt;
}

std::optional<double> ScriptedPrompter::decimal(const QString &title, const QString &, double,
                                                double minimum, double maximum)
{
    const auto reply = next<double>(title);
    return reply ? std::optional<double>(qBound(minimum, *reply, maximum)) : std::nullopt;
}

Prompter::Answer ScriptedPrompter::question(const QString &title, const QString &text, Buttons,
                                            Answer, Tone)
{
    messages.append({"question", title, text});
    return next<Answer>(title).value_or(Answer::Cancel);
}

void ScriptedPrompter::information(const QString &title, const QString &text)
{
    messages.append({"information", title, text});
}

void ScriptedPrompter::warning(const QString &title, const QString &text)
{
    messages.append({"warning", title, text});
}

void ScriptedPrompter::critical(const QString &title, const QString &text)
{
    messages.append({"critical", title, text});
}

std::optional<PdfPostProcessor::EncryptionOptions> ScriptedPrompter::password(PasswordUse)
{
    return next<PdfPostProcessor::EncryptionOptions>("password");
}

std::optional<Prompter::ExportChoice> ScriptedPrompter::exportChoice(int, int)
{
    return next<ExportChoice>("export");
}

bool ScriptedPrompter::setUpPrinter(QPrinter *printer)
{
    const auto file = next<QString>("print");
    if (!file)
        return false;
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(*file);
    return true;
}

void ScriptedPrompter::previewPrint(QPrinter *printer, const std::function<void(QPrinter *)> &paint)
{
    ++previews;
    paint(printer);
}
