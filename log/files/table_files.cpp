#include "log/files/table_files.h"

#include "log/log_table.h"
#include "log/files/table_csv_file.h"
#include "log/files/table_jsonl_file.h"
#include "log/files/table_text_file.h"
#include "log/files/table_xml_packet.h"

#include <QFile>

#include <sys/stat.h>

namespace {

// A table file is a regular file. A device never ends (/dev/zero) and a named pipe blocks the
// open until a writer comes: they are refused by what they are, before anything is read.
QString notARegularFile(const QString& fileName)
{
    struct stat st {};
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return {};   // opening it gives the system's reason
    if (S_ISCHR(st.st_mode))
        return QStringLiteral("it is a character device, not a file");
    if (S_ISBLK(st.st_mode))
        return QStringLiteral("it is a block device, not a file");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("it is a named pipe (FIFO), not a file");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("it is a socket, not a file");
    return {};
}

} // namespace

TableFileFormat tableFileFormat(const QString& fileName)
{
    if (fileName.endsWith(QLatin1String(".xml"), Qt::CaseSensitive))
        return TableFileFormat::XmlPacket;
    if (fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return TableFileFormat::Csv;
    if (fileName.endsWith(QLatin1String(".jsonl"), Qt::CaseInsensitive))
        return TableFileFormat::JsonLines;
    return TableFileFormat::Text;
}

FileOutcome saveTableFile(const LogTable& table, const QString& fileName, const FileProgress& progress,
                          const RecordEvents* events)
{
    const QString saved = QStringLiteral("Save table to specified file: ") + fileName + QStringLiteral(" Scuss!");
    QString reason;
    const TableFileFormat format = tableFileFormat(fileName);
    if (format != TableFileFormat::Text) {
        const bool written = format == TableFileFormat::Csv         ? saveTableCsv(table, fileName, &reason, events)
                             : format == TableFileFormat::JsonLines ? saveTableJsonLines(table, fileName, &reason, events)
                                                                    : saveTableXml(table, fileName, &reason, progress);
        if (!written)
            return FileOutcome::error(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason), reason);
        return FileOutcome::information(saved);
    }
    if (!SaveTableAsText(table, fileName, &reason, progress))
        return FileOutcome::error(QStringLiteral("Could not save table to specified file: ") + fileName, reason);
    return FileOutcome::information(saved);
}

FileOutcome LoadTableFile(const QString& fileName, LogTable& table, const FileProgress& progress)
{
    if (tableFileFormat(fileName) == TableFileFormat::Csv)
        return FileOutcome::error(QStringLiteral("A CSV file is an export for other programs and cannot be opened "
                                                 "here. Open a table saved as text (.xls, .txt) or XML (.xml)."),
                                  QStringLiteral("CSV files are written for other programs, not read"));
    if (tableFileFormat(fileName) == TableFileFormat::JsonLines)
        return FileOutcome::error(QStringLiteral("A JSON Lines file is an export for other programs and cannot be "
                                                 "opened here. Open a table saved as text (.xls, .txt) or XML (.xml)."),
                                  QStringLiteral("JSON Lines files are written for other programs, not read"));
    QString reason = notARegularFile(fileName);
    if (!reason.isEmpty())
        return FileOutcome::error(QStringLiteral("Failed to Load File!"), reason);
    bool cancelled = false;
    const FileProgress watched = progress ? FileProgress([&](qint64 done, qint64 total) {
        cancelled = cancelled || !progress(done, total);
        return !cancelled;
    })
                                          : FileProgress();
    const bool loaded = tableFileFormat(fileName) == TableFileFormat::XmlPacket
                            ? loadTableXml(fileName, table, &reason, watched)
                            : loadTableText(fileName, table, &reason, watched);
    if (cancelled && !loaded)
        return FileOutcome::silent(false);   // stopped by the user: the table is as it was
    return loaded ? FileOutcome::silent(true) : FileOutcome::error(QStringLiteral("Failed to Load File!"), reason);
}
