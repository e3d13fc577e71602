#include "cli/cli_output.h"

#include "operations/request_engine.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>
#include <unistd.h>

namespace {
void Put(FILE* f, const QString& line)
{
    const QByteArray b = line.toLocal8Bit();
    std::fwrite(b.constData(), 1, size_t(b.size()), f);
    std::fputc('\n', f);
    std::fflush(f);
}
}  // namespace

CliOutput::CliOutput(bool json, bool verbose, const QString& command)
    : json_(json), verbose_(verbose), command_(command), bar_(!json && ::isatty(2) == 1)
{}

void CliOutput::text(const QString& line)
{
    if (json_)
        return;
    clearProgress();  // standard output may share the terminal with the bar
    Put(stdout, line);
}

void CliOutput::raw(const QByteArray& bytes)
{
    if (json_)
        return;
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void CliOutput::log(const QString& line)
{
    if (!verbose_)
        return;
    clearProgress();
    Put(stderr, line);
}

void CliOutput::notice(const QString& line)
{
    if (json_ && !verbose_)
        return;
    clearProgress();
    Put(stderr, line);
}

void CliOutput::result(QJsonObject fields)
{
    document(std::move(fields), true);
}

int CliOutput::fail(int exitCode, const QString& message, QJsonObject fields, const QJsonObject& errorFields)
{
    endProgress();
    Put(stderr, QStringLiteral("zelk-cli: ") + message);
    QJsonObject error = errorFields;
    error.insert(QStringLiteral("code"), exitCode);
    error.insert(QStringLiteral("text"), message);
    fields.insert(QStringLiteral("error"), error);
    document(std::move(fields), false);
    return exitCode;
}

void CliOutput::document(QJsonObject doc, bool ok)
{
    if (!json_)
        return;
    doc.insert(QStringLiteral("command"), command_);
    doc.insert(QStringLiteral("ok"), ok);
    const QByteArray bytes = QJsonDocument(doc).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void CliOutput::progress(int done, int total, const QString& what)
{
    if (!bar_ || total <= 0)
        return;
    constexpr int kWidth = 30;
    const int filled = done * kWidth / total;
    const QString bar = QStringLiteral("\r[%1%2] %3/%4 %5")
                            .arg(QString(filled, QLatin1Char('#')), QString(kWidth - filled, QLatin1Char(' ')))
                            .arg(done)
                            .arg(total)
                            .arg(what);
    const QByteArray b = bar.toLocal8Bit() + "\x1b[K";
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
    std::fflush(stderr);
    barShown_ = true;
}

void CliOutput::clearProgress()
{
    if (!barShown_)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    barShown_ = false;
}

void CliOutput::endProgress()
{
    clearProgress();
}

QJsonObject StatusJson(const QString& zelkId, const RequestResult& r)
{
    return {{QStringLiteral("zelk_id"), zelkId},
            {QStringLiteral("used_ids"), r.status.usedIds},
            {QStringLiteral("mode"), r.status.mode},
            {QStringLiteral("flags"), QJsonArray::fromStringList(r.status.flags)}};
}
